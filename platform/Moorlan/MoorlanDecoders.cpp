#include "MoorlanDecoders.h"

extern "C" bool can_use_intel_decoder()
{
    return false;
}

extern "C" bool can_use_coreavc_decoder()
{
    return false;
}

extern "C" bool can_use_dtvdvd_decoder()
{
    return false;
}
