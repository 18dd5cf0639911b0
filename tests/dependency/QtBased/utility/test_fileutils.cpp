#include "utility/fileutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_fileutils";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

QByteArray WaitForFile(const QString& path, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray data = file.readAll();
            if (data.endsWith('\n'))
                return data;
        }
        QThread::msleep(20);
    }
    return QByteArray();
}

} // namespace

TEST(fileutils, PathSeparators)
{
    EXPECT_EQ(includePathSeparator("a/b"), "a/b/");
    EXPECT_EQ(includePathSeparator("a/b/"), "a/b/");
    EXPECT_EQ(includePathSeparator(""), "/");
    EXPECT_EQ(excludePathSeparator("a/b//"), "a/b/");
    EXPECT_EQ(excludePathSeparator("a/b"), "a/b");
}

TEST(fileutils, ByteCountTexts)
{
    const struct
    {
        uint64_t bytes;
        const char* decimal;
        const char* binary;
    } cases[] = {
        {0, "0 B", "0B"},
        {512, "512 B", "512B"},
        {999, "999 B", "999B"},
        {1000, "1000 B", "1000B"},
        {1001, "1.00 KB", "1001B"},
        {1024, "1.02 KB", "1.0KB"},
        {1536, "1.54 KB", "1.512KB"},
        {1000000, "1000.00 KB", "976.576KB"},
        {1048576, "1.05 MB", "1.0MB"},
        {1500000, "1.50 MB", "1.440MB"},
        {1610612736, "1.61 GB", "1.512GB"},
        {2000000000, "2.00 GB", "1.883GB"},
        // Beyond 4 GiB the gigabyte count is not cut to 32 bits.
        {5000ull * 1073741824ull, "5368.71 GB", "5000.0GB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatBytesToStr2(c.bytes), c.decimal) << c.bytes;
        EXPECT_EQ(fileSizeToString(c.bytes), c.binary) << c.bytes;
    }
}

TEST(fileutils, ExtensionsOfAFilter)
{
    const struct
    {
        const char* filter;
        QStringList exts;
    } cases[] = {
        {"Video (*.mp4 *.mov);;Audio (*.mp3 *.mp4)", {"mp4", "mov", "mp3"}},
        {"All (*.*)", {"*"}},
        {"Mixed (*.MP4 *.mp4  x)", {"MP4", "mp4"}},
        {"*.png *.jpg", {"png", "jpg"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extractExtsFromFilterStr(c.filter), c.exts) << c.filter;
}

TEST(fileutils, ShellTargetKeepsQuotedPathsWhole)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("odd \"name\"; $(touch x) 'q'");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = "clip \"1\".mp4";
    QFile(folder + "/" + file).open(QIODevice::WriteOnly);

    QString target, select;
    ASSERT_TRUE(ResolveShellTarget(folder, file, target, select));
    EXPECT_EQ(target, folder + "/");
    EXPECT_EQ(select, folder + "/" + file);
    ASSERT_TRUE(ResolveShellTarget(folder + "/", "", target, select));
    EXPECT_EQ(target, folder + "/");
    EXPECT_TRUE(select.isEmpty());
    ASSERT_TRUE(ResolveShellTarget(folder, "absent.mp4", target, select));
    EXPECT_TRUE(select.isEmpty());
    EXPECT_FALSE(ResolveShellTarget(dir.filePath("missing"), file, target, select));
}

TEST(fileutils, OpeningRunsTheOpenerWithOneArgument)
{
    App();
    QTemporaryDir dir;
    // A stand-in opener first on the PATH that lists its arguments, and no session bus.
    const QString tools = dir.filePath("tools");
    QDir().mkpath(tools);
    const QString argsFile = dir.filePath("args.txt");
    {
        QFile script(tools + "/xdg-open");
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > \"$ARGS_FILE.tmp\"\n"
                     "printf '\\n' >> \"$ARGS_FILE.tmp\"; mv \"$ARGS_FILE.tmp\" \"$ARGS_FILE\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    setenv("PATH", (tools.toStdString() + ":" + std::getenv("PATH")).c_str(), 1);
    setenv("ARGS_FILE", argsFile.toLocal8Bit().constData(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);

    const QString folder = dir.filePath("a \"b\" c; echo hacked");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile(folder + "/f.mp4").open(QIODevice::WriteOnly);

    QElapsedTimer clock;
    clock.start();
    OpenFloderWithShell(folder, "f.mp4");
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(QString::fromLocal8Bit(WaitForFile(argsFile, 5000)), folder + "/|\n");

    QFile::remove(argsFile);
    OpenFloderWithShell(dir.filePath("missing"), "f.mp4");
    QThread::msleep(300);
    EXPECT_FALSE(QFile::exists(argsFile));
}
