/* Loaded into the programs valgrind runs for the memory check. FFmpeg's
 * libraries pull in Highway (through libjxl), whose start-up times its clock
 * with RDTSCP; valgrind refuses that instruction on processors that don't
 * announce it (virtual machines often don't) and the program dies before
 * main. The timing is replaced by a fixed resolution; nothing the check
 * runs uses Highway otherwise. */
#include <stdint.h>
#include <valgrind/valgrind.h>

uint64_t I_REPLACE_SONAME_FNNAME_ZU(libhwyZdsoZa, _ZN3hwy8platform15TimerResolutionEv)(void);
uint64_t I_REPLACE_SONAME_FNNAME_ZU(libhwyZdsoZa, _ZN3hwy8platform15TimerResolutionEv)(void)
{
    return 1;
}
