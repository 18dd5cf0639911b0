#include "CQuitRequests.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_previous[3];

extern "C" void QuitSignalHandler(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (g_pipe[1] >= 0) {
        ssize_t written = write(g_pipe[1], &byte, 1);
        (void)written;
    }
    errno = saved;
}

} // namespace

CQuitRequests::CQuitRequests(QObject* parent) : QObject(parent) {}

CQuitRequests::~CQuitRequests()
{
    Uninstall();
}

bool CQuitRequests::Install()
{
    if (m_installed)
        return true;
    if (g_pipe[0] >= 0)
        return false; // another instance listens
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = QuitSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        if (sigaction(kSignals[i], &action, &g_previous[i]) != 0) {
            for (int k = 0; k < i; ++k)
                sigaction(kSignals[k], &g_previous[k], nullptr);
            close(g_pipe[0]);
            close(g_pipe[1]);
            g_pipe[0] = g_pipe[1] = -1;
            return false;
        }
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CQuitRequests::slot_PipeReadable);
    m_installed = true;
    return true;
}

void CQuitRequests::Uninstall()
{
    if (!m_installed)
        return;
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    m_installed = false;
}

void CQuitRequests::slot_PipeReadable()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit signal_QuitRequested(bytes[i]);
    }
}
