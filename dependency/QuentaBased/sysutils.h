#pragma once

// The foundation's system unit: one header for every free-function group.

#include "sysutils_string.h"
