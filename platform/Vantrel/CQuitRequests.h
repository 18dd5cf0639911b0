#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread: the
// handler only writes the signal number into a pipe, whose reading end a
// socket notifier watches. One instance per process at a time.
class CQuitRequests : public QObject
{
    Q_OBJECT
public:
    explicit CQuitRequests(QObject* parent);
    // Restores the previous handlers and closes the pipe.
    ~CQuitRequests() override;

    // False (and nothing installed) when the pipe or a handler cannot be set.
    bool Install();

signals:
    void signal_QuitRequested(int signalNumber);

private slots:
    void slot_PipeReadable();

private:
    void Uninstall();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};
