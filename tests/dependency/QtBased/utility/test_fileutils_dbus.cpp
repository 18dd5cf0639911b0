// Revealing a file goes to the desktop file manager over the session bus.
// A private bus daemon and a stand-in file manager on it show what is asked.

#include "utility/fileutils.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList m_uris;
    int m_nCalls = 0;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId);
        m_uris = uris;
        ++m_nCalls;
    }
};

} // namespace

// The application, the private bus and the stand-in file manager live for the
// whole process: Qt keeps its session-bus connection from the first use, so a
// repeated test must find the same bus there.
struct PrivateBus
{
    QCoreApplication* app = nullptr;
    QTemporaryDir dir;
    QProcess daemon;
    QString address;
    QString marker;
    FakeFileManager manager;
    QString error;

    PrivateBus()
    {
        static int argc = 1;
        static char name[] = "test_fileutils_dbus";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);

        const QString program = QStandardPaths::findExecutable("dbus-daemon");
        if (program.isEmpty()) {
            error = "no dbus-daemon on this machine";
            return;
        }
        daemon.start(program, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (!daemon.waitForStarted(5000)) {
            error = "dbus-daemon did not start";
            return;
        }
        QElapsedTimer clock;
        clock.start();
        while (!daemon.canReadLine() && clock.elapsed() < 5000)
            daemon.waitForReadyRead(100);
        address = QString::fromLocal8Bit(daemon.readLine()).trimmed();
        if (address.isEmpty()) {
            error = "dbus-daemon gave no address";
            return;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit().constData(), 1);

        // No fallback opener may run while the file manager answers.
        const QString tools = dir.filePath("tools");
        QDir().mkpath(tools);
        marker = dir.filePath("xdg-open-ran");
        QFile script(tools + "/xdg-open");
        script.open(QIODevice::WriteOnly);
        script.write(("#!/bin/sh\ntouch '" + marker + "'\n").toLocal8Bit());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        script.close();
        setenv("PATH", (tools.toStdString() + ":" + std::getenv("PATH")).c_str(), 1);

        QDBusConnection service = QDBusConnection::connectToBus(address, "fake-file-manager");
        if (!service.isConnected() ||
            !service.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots) ||
            !service.registerService("org.freedesktop.FileManager1"))
            error = "the stand-in file manager could not be registered";
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus("fake-file-manager");
        daemon.terminate();
        daemon.waitForFinished(5000);
        delete app;
    }
};

PrivateBus& Bus()
{
    static PrivateBus bus;
    return bus;
}

TEST(fileutilsDBus, RevealAsksTheFileManagerForTheFile)
{
    PrivateBus& bus = Bus();
    if (!bus.error.isEmpty())
        GTEST_SKIP() << bus.error.toStdString();
    bus.manager.m_nCalls = 0;
    bus.manager.m_uris.clear();
    QFile::remove(bus.marker);

    const QString folder = bus.dir.filePath("with \"quotes\" & spaces");
    QDir().mkpath(folder);
    QFile(folder + "/clip 1.mp4").open(QIODevice::WriteOnly);

    OpenFloderWithShell(folder, "clip 1.mp4");
    QElapsedTimer clock;
    clock.start();
    while (bus.manager.m_nCalls == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(bus.manager.m_nCalls, 1);
    ASSERT_EQ(bus.manager.m_uris.size(), 1);
    EXPECT_EQ(QUrl(bus.manager.m_uris[0]).toLocalFile(), folder + "/clip 1.mp4");
    // Let a wrongly started fallback show itself.
    clock.restart();
    while (clock.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(QFile::exists(bus.marker));
}

#include "test_fileutils_dbus.moc"
