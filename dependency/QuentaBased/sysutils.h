#pragma once

// The foundation's system unit: one header for every free-function group.

#include "sysutils_dir.h"
#include "sysutils_file.h"
#include "sysutils_path.h"
#include "sysutils_stored.h"
#include "sysutils_string.h"
