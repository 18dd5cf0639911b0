// Revealing a file goes to the desktop file manager over the session bus.
// A private bus daemon and a stand-in file manager on it show what is asked.

#include "fileutils.h"

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

TEST(fileutilsDBus, RevealAsksTheFileManagerForTheFile)
{
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty())
        GTEST_SKIP() << "no dbus-daemon on this machine";

    static int argc = 1;
    static char name[] = "test_fileutils_dbus";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    QTemporaryDir dir;
    QProcess bus;
    bus.start(daemon, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(5000));
    QElapsedTimer clock;
    clock.start();
    while (!bus.canReadLine() && clock.elapsed() < 5000)
        bus.waitForReadyRead(100);
    const QString address = QString::fromLocal8Bit(bus.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());
    setenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit().constData(), 1);

    // No fallback opener may run while the file manager answers.
    const QString tools = dir.filePath("tools");
    QDir().mkpath(tools);
    const QString marker = dir.filePath("xdg-open-ran");
    {
        QFile script(tools + "/xdg-open");
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\ntouch '" + marker + "'\n").toLocal8Bit());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    setenv("PATH", (tools.toStdString() + ":" + std::getenv("PATH")).c_str(), 1);

    {
        QDBusConnection service = QDBusConnection::connectToBus(address, "fake-file-manager");
        ASSERT_TRUE(service.isConnected());
        FakeFileManager manager;
        ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));

        const QString folder = dir.filePath("with \"quotes\" & spaces");
        QDir().mkpath(folder);
        QFile(folder + "/clip 1.mp4").open(QIODevice::WriteOnly);

        OpenFloderWithShell(folder, "clip 1.mp4");
        clock.restart();
        while (manager.m_nCalls == 0 && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(manager.m_nCalls, 1);
        ASSERT_EQ(manager.m_uris.size(), 1);
        EXPECT_EQ(QUrl(manager.m_uris[0]).toLocalFile(), folder + "/clip 1.mp4");
        // Let a wrongly started fallback show itself.
        clock.restart();
        while (clock.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_FALSE(QFile::exists(marker));

        service.unregisterService("org.freedesktop.FileManager1");
    }
    QDBusConnection::disconnectFromBus("fake-file-manager");
    bus.terminate();
    bus.waitForFinished(5000);
}

#include "test_fileutils_dbus.moc"
