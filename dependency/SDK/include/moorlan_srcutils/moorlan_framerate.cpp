#include "moorlan_framerate.h"

#include <cmath>

namespace Moorland {

double StandardFrameRate(double rate)
{
    static const double kRates[] = {
        8.0,  10.0, 12.0,           12.5, 15.0, 16.0, 20.0,  24000.0 / 1001,  24.0, 25.0, 30000.0 / 1001, 30.0,
        48.0, 50.0, 60000.0 / 1001, 60.0, 72.0, 90.0, 100.0, 120000.0 / 1001, 120.0};
    if (!(rate > 0.0))
        return rate;
    double best = kRates[0];
    for (double r : kRates) {
        if (std::fabs(std::log(r / rate)) < std::fabs(std::log(best / rate)))
            best = r;
    }
    if (std::fabs(best - rate) <= best * 0.001)
        return best;
    const double whole = std::round(rate);
    if (whole >= 1.0 && std::fabs(whole - rate) <= rate * 0.0001)
        return whole;
    return best;
}

} // namespace Moorland
