#pragma once

// Waiting in the GUI tests of several folders: the event loop keeps running,
// so queued presents, timers and signals arrive while the test waits.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace EventLoop {

// Runs the event loop until `done` or the time-out; true when done.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return true;
}

} // namespace EventLoop
