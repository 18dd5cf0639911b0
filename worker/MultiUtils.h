#pragma once

// The stream list of a multi-stream address lives beside the address itself,
// below the worker and the media manager that both read it; the worker reads
// it together with the media manager's records.
#include "MoorlandMediaInfo.h"
#include "moorlan_srcutils/MultiStreamAddress.h"
