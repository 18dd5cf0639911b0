#include "JobRules.h"

#include "EditDescriptionSource.h"
#include "IAVManager.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "sysutils.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace Moorland {

const char* const kAspectCodecs = "xvid,h264,mpeg1video,mpeg2video,dvvideo,h263,dnxhd";

double JobDuration(uint32_t sourceMs, int32_t trimStartMs, int32_t trimLengthMs)
{
    const double d = sourceMs / 1000.0;
    const double s = trimStartMs / 1000.0;
    double duration;
    if (trimLengthMs == -1) {
        duration = d - s;
    } else {
        const double l = trimLengthMs / 1000.0;
        duration = s + l > d ? d - s : l;
    }
    return duration < 0.001 ? 1.0 : duration;
}

double CompleteFrameRate(double r, uint32_t num, uint32_t den)
{
    if (std::fabs(r) < 0.00001)
        r = den == 0 ? static_cast<double>(num) : static_cast<double>(num) / den;
    if (r < 1.0 || r > 120.0)
        return 30.0;
    const double x = r * 10000.0;
    const int64_t d = static_cast<int64_t>(x) % 10;
    return d <= 4 ? (x - d) / 10000.0 : (x + 10 - d) / 10000.0;
}

void FitToAspect(int w, int h, double aspect, int* outWidth, int* outHeight)
{
    if (h == 0) {
        *outWidth = *outHeight = 0;
        return;
    }
    const double ratio = static_cast<double>(w) / h;
    double nw = w, nh = h;
    if (ratio > aspect) {
        nw = h * aspect;
    } else if (ratio < aspect) {
        nh = w / aspect;
    }
    *outWidth = static_cast<int>(nw) & ~1;
    *outHeight = static_cast<int>(nh) & ~1;
}

double DisplayAspect(const StreamInfo& s)
{
    const uint32_t x = s.aspect >> 16, y = s.aspect & 0xFFFF;
    if (s.height <= 0)
        return 1.0;
    if (x == 0 || y == 0)
        return static_cast<double>(s.width) / s.height;
    return (static_cast<double>(x) * s.width) / (static_cast<double>(y) * s.height);
}

bool IsEditDescription(const char* importerName, const std::string& path)
{
    return Moorland::IsEditDescriptionSource(importerName, path.c_str());
}

void ChooseStreams(CSourceURL& address, AVInclude include)
{
    if (!IncludesVideo(include))
        address.SetVideoStreamID(-1);
    else if (!IncludesAudio(include))
        address.SetAudioStreamID(-1);
}

void ChooseSourceOutput(CSourceURL& address, AVInclude include, bool editDescription, double frameRate)
{
    ChooseStreams(address, include);
    if (!editDescription || !IncludesVideo(include) || !(frameRate > 0.0) || frameRate > 1000.0)
        return;
    // Kept to a thousandth, so NTSC rates given as 29.97 stay exact.
    uint32_t num = static_cast<uint32_t>(std::lround(frameRate * 1000.0));
    uint32_t den = 1000;
    if (num % 1000 == 0) {
        num /= 1000;
        den = 1;
    }
    address.SetParam("framerate", std::to_string(num) + "/" + std::to_string(den));
}

std::string ManagerProperty(IAVManager* manager, const char* name, bool* found)
{
    int length = 0;
    ClearRecordedError();
    const bool ok = manager->GetProperty(name, nullptr, &length);
    if (found)
        *found = ok;
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    // The length came from the same value: a second false has nothing to add.
    if (!manager->GetProperty(name, buffer.data(), &length))
        return std::string();
    return std::string(buffer.data());
}

std::string SeekFailure(int32_t trimStartMs)
{
    return QuentaBased::Format("Can't seek to the trim start at %.3f s", trimStartMs / 1000.0);
}

} // namespace Moorland
