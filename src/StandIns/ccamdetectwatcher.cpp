#include "ccamdetectwatcher.h"
