#pragma once

namespace Solvane {

// How many passes an encoding muxer's job runs, and which one it is in.
struct CFFPassCount
{
    int count = 1;
    int index = 0;

    // A new count starts the counting afresh; throws while writing or for
    // a count below 0.
    void Set(bool writing, int passCount);
    // Counts a new pass and gives the encoders' pass: 0 for a single pass,
    // 1 for a first (statistics) pass, 2 for the last. How many passes a
    // job runs is its caller's to say (a job's plan gives one to a job
    // without a picture to encode).
    int Next();
};

} // namespace Solvane
