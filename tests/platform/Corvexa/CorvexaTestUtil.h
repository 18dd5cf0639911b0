#pragma once

// What the engine's tests share: waiting for a condition, reading a file and
// telling whether a process still runs.

#include "../../ProcState.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace CorvexaTest {

// The program that hosts an engine for the tests that kill it.
inline const std::string kHostHelper = std::string(FABLECUT_TEST_BIN_DIR) + "/CorvexaHostHelper";

inline bool WaitFor(const std::function<bool()>& done, int nMilliseconds)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMilliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

inline std::string ReadFile(const std::string& sPath)
{
    std::ifstream in(sPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Gone, or a zombie nobody but init will collect: in both cases not running.
inline bool ProcessStopped(int nPid)
{
    const char state = MediaTest::ProcState(nPid);
    return state == 0 || state == 'Z';
}

} // namespace CorvexaTest
