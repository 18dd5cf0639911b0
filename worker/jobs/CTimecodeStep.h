#pragma once

// The timecode step of a ProRes job: the source's timecode is added to the
// finished movie by the Tesquil program, which writes beside the movie and
// renames only when done.

#include <string>

namespace Moorland {

class IAVManager;

class CTimecodeStep
{
public:
    CTimecodeStep(IAVManager* manager, std::string moviePath);

    // Adds the timecode of the manager's current source. False with the
    // reason recorded; a source without a timecode only loses the track.
    bool WriteTimecodeToProRes();
    // Whether the last Write had to kill a program that did not end.
    bool TimedOut() const { return m_timedOut; }

private:
    IAVManager* m_manager;
    std::string m_path;
    bool m_timedOut = false;
};

} // namespace Moorland
