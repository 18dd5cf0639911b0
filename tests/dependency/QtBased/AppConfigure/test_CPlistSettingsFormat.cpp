#include "AppConfigure/CAppVariableInfo.h"
#include "AppConfigure/CPlistSettingsFormat.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sys/stat.h>
#include <limits>

namespace {

QByteArray Written(const QSettings::SettingsMap& map)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(CPlistSettingsFormat::Write(buffer, map));
    return buffer.data();
}

bool ReadBack(const QByteArray& bytes, QSettings::SettingsMap& map)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return CPlistSettingsFormat::Read(buffer, map);
}

} // namespace

TEST(PlistSettingsFormat, EveryValueComesBackWithItsType)
{
    QVariantMap inner;
    inner.insert("n", 5);
    inner.insert("s", "x");
    const struct
    {
        const char* key;
        QVariant value;
    } cases[] = {
        {"int", 1},
        {"negative", -7},
        {"zero", 0},
        {"large", qlonglong(1) << 40},
        {"beyondSigned", QVariant(quint64(1) << 63)},
        {"real", 2.5},
        {"tiny", 1e-300},
        {"true", true},
        {"false", false},
        {"string", QString("plain")},
        {"emptyString", QString("")},
        {"numberText", QString("42")},
        {"markup", QString("<a href=\"x\">&amp;</a>")},
        {"unicode", QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xac caf\xc3\xa9")},
        {"spaces", QString("  both ends  ")},
        {"lines", QString("one\ntwo\tthree")},
        {"list", QStringList{"a", "b, c", ""}},
        {"oneItem", QStringList("only")},
        {"noItems", QStringList()},
        {"mixed", QVariantList{1, "two", true}},
        {"dict", inner},
        {"date", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC)},
        {"data", QByteArray("\x00\x01\x02\xff", 4)},
        {"group/key", QString("in a group")},
        {"InstallPackagePath/.", QString("dot key")},
    };
    QSettings::SettingsMap map;
    for (const auto& c : cases)
        map.insert(c.key, c.value);
    const QByteArray bytes = Written(map);
    QSettings::SettingsMap back;
    ASSERT_TRUE(ReadBack(bytes, back)) << bytes.constData();
    EXPECT_EQ(back.size(), map.size());
    for (const auto& c : cases) {
        const QVariant got = back.value(c.key);
        // Integers come back as int when they fit, as the settings readers expect.
        QVariant expected = c.value;
        if (expected.type() == QVariant::LongLong && expected.toLongLong() == int(expected.toLongLong()))
            expected = expected.toInt();
        EXPECT_EQ(got.type(), expected.type()) << c.key << " " << got.typeName();
        EXPECT_EQ(got, expected) << c.key;
    }
}

TEST(PlistSettingsFormat, TextsXmlCannotHoldAndOddNumbers)
{
    QSettings::SettingsMap map;
    map.insert("control", QString("bell\x07 and return\r"));
    map.insert("invalid", QVariant());
    map.insert("noDate", QDateTime());
    map.insert("nan", std::numeric_limits<double>::quiet_NaN());
    map.insert("inf", -std::numeric_limits<double>::infinity());
    QSettings::SettingsMap back;
    ASSERT_TRUE(ReadBack(Written(map), back));
    // Carried as data, so not one character is lost.
    EXPECT_EQ(QString::fromUtf8(back.value("control").toByteArray()), QString("bell\x07 and return\r"));
    EXPECT_FALSE(back.contains("invalid"));
    EXPECT_FALSE(back.contains("noDate")) << "an empty date element would spoil the whole file";
    EXPECT_TRUE(std::isnan(back.value("nan").toDouble()));
    EXPECT_EQ(back.value("inf").toDouble(), -std::numeric_limits<double>::infinity());
}

TEST(PlistSettingsFormat, RefusesWhatIsNotAPropertyList)
{
    const QByteArray header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const struct
    {
        const char* name;
        QByteArray bytes;
        bool ok;
    } cases[] = {
        {"empty list", header + "<plist version=\"1.0\"><dict/></plist>", true},
        {"no dict", header + "<plist version=\"1.0\"/>", true},
        {"ini text", "[General]\nKey=1\n", false},
        {"cut short", header + "<plist version=\"1.0\"><dict><key>a</key><integer>1", false},
        {"other root", header + "<settings><dict/></settings>", false},
        {"key without value", header + "<plist><dict><key>a</key></dict></plist>", false},
        {"value without key", header + "<plist><dict><string>a</string></dict></plist>", false},
        {"bad integer", header + "<plist><dict><key>a</key><integer>1x</integer></dict></plist>", false},
        {"bad date", header + "<plist><dict><key>a</key><date>yesterday</date></dict></plist>", false},
        {"unknown element", header + "<plist><dict><key>a</key><colour>red</colour></dict></plist>", false},
        {"second list", header + "<plist><dict/></plist><plist/>", false},
    };
    for (const auto& c : cases) {
        QSettings::SettingsMap map;
        EXPECT_EQ(ReadBack(c.bytes, map), c.ok) << c.name;
    }
    // The older INI text is told apart by reading it whole, not by its start.
    EXPECT_FALSE(CAppVariableInfo::IsOlderIniText(header));
    EXPECT_FALSE(CAppVariableInfo::IsOlderIniText("\n  <plist>"));
    EXPECT_TRUE(CAppVariableInfo::IsOlderIniText("[General]\nKey=<x>"));
}

TEST(PlistSettingsFormat, SettingsFileIsARealPropertyListWrittenWhole)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/appsettings.plist";
    {
        QSettings settings(path, CPlistSettingsFormat::Format());
        settings.setValue("Count", 3);
        settings.setValue("Ratio", 0.75);
        settings.setValue("Paths", QStringList{"/a", "/b"});
        settings.setValue("Group/Name", QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
        settings.setValue("When", QDateTime(QDate(2024, 2, 29), QTime(13, 5, 7), Qt::UTC));
        settings.sync();
        EXPECT_EQ(settings.status(), QSettings::NoError);
    }
    {
        QSettings settings(path, CPlistSettingsFormat::Format());
        EXPECT_EQ(settings.value("Count").type(), QVariant::Int);
        EXPECT_EQ(settings.value("Ratio").type(), QVariant::Double);
        EXPECT_EQ(settings.value("Paths").toStringList(), (QStringList{"/a", "/b"}));
        EXPECT_EQ(settings.value("When"), QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 7), Qt::UTC)));
        settings.beginGroup("Group");
        EXPECT_EQ(settings.value("Name").toString(), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    }
    // Only the file itself is left, and a second save puts a new file in
    // place (a new inode) rather than rewriting the old one, so a save cut
    // short leaves the earlier settings whole.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList("appsettings.plist"));
    struct stat before;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    {
        QSettings settings(path, CPlistSettingsFormat::Format());
        settings.setValue("Count", 4);
    }
    struct stat after;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(QSettings(path, CPlistSettingsFormat::Format()).value("Count"), QVariant(4));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList("appsettings.plist"));

    // A property-list reader of another make reads the same values.
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "no python3 to cross-check the file";
    QProcess check;
    check.start(python, {"-c",
                         "import plistlib,sys\n"
                         "d=plistlib.load(open(sys.argv[1],'rb'))\n"
                         "print(repr(d['Count']),repr(d['Ratio']),d['Paths'],d['Group/Name'],d['When'].isoformat())",
                         path});
    ASSERT_TRUE(check.waitForFinished(20000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().constData();
    EXPECT_EQ(QString::fromUtf8(check.readAllStandardOutput()).trimmed().toStdString(),
              std::string("4 0.75 ['/a', '/b'] \xc3\xa9t\xc3\xa9 2024-02-29T13:05:07"));
}

TEST(PlistSettingsFormat, NestingAndSizeAreBounded)
{
    const QByteArray header = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>";
    const QByteArray footer = "</dict></plist>";
    const struct
    {
        const char* what;
        QByteArray bytes;
        bool ok;
    } cases[] = {
        {"arrays 30 deep", header + QByteArray("<array>").repeated(30) + QByteArray("</array>").repeated(30) + footer,
         true},
        {"arrays 5,000 deep",
         header + QByteArray("<array>").repeated(5000) + QByteArray("</array>").repeated(5000) + footer, false},
        {"dictionaries 5,000 deep",
         header + QByteArray("<dict><key>k</key>").repeated(5000) + "<true/>" + QByteArray("</dict>").repeated(5000) +
             footer,
         false},
        {"nesting behind a comment",
         header + "<!--" + QByteArray("</array>").repeated(5000) + "-->" + QByteArray("<array>").repeated(5000) +
             QByteArray("</array>").repeated(5000) + footer,
         false},
        {"larger than a settings file", header + "<string>" + QByteArray(17 << 20, 'x') + "</string>" + footer, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QDateTime start = QDateTime::currentDateTimeUtc();
        QSettings::SettingsMap map;
        EXPECT_EQ(ReadBack(c.bytes, map), c.ok);
        EXPECT_LT(start.msecsTo(QDateTime::currentDateTimeUtc()), 1000);
    }
}

TEST(PlistSettingsFormat, ADamagedListIsSetAsideNeverReadAsIniText)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/appsettings.plist";
    QSettings::SettingsMap values;
    for (int i = 0; i < 21; ++i)
        values.insert(QString("Key%1").arg(i), i % 3 == 0 ? QVariant(QString("text %1").arg(i)) : QVariant(i));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(CPlistSettingsFormat::Write(buffer, values));
    const QByteArray good = buffer.data();
    auto write = [&](const QByteArray& bytes) {
        QFile::remove(path);
        QFile::remove(path + ".bad");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    auto read = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    struct Case
    {
        QString what;
        QByteArray bytes;
    };
    QList<Case> cases;
    for (int i = 0; i < 5; ++i)
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray flipped = good;
            flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
            cases << Case{QString("byte %1 bit %2").arg(i).arg(bit), flipped};
        }
    for (int n = 1; n < good.size(); n += 7)
        cases << Case{QString("cut at %1").arg(n), good.left(n)};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        write(c.bytes);
        CAppVariableInfo::ConvertOlderSettingsFile(path);
        QSettings::SettingsMap map;
        if (CPlistSettingsFormat::ReadText(c.bytes, map)) {
            EXPECT_EQ(read(path), c.bytes); // a list that reads is left alone
        } else if (c.bytes.trimmed().isEmpty()) {
            EXPECT_EQ(read(path), c.bytes);
        } else {
            // Set aside as it was; nothing in its place, so the defaults are used.
            EXPECT_FALSE(QFileInfo::exists(path));
            EXPECT_EQ(read(path + ".bad"), c.bytes);
        }
    }
}

TEST(PlistSettingsFormat, WhatIsNoFileIsMovedAwayWithoutWaiting)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/appsettings.plist";
    const struct
    {
        const char* what;
        std::function<void()> make;
    } cases[] = {
        {"FIFO", [&] { ASSERT_EQ(mkfifo(path.toLocal8Bit().constData(), 0600), 0); }},
        {"endless device", [&] { ASSERT_TRUE(QFile::link("/dev/zero", path)); }},
        {"folder", [&] { ASSERT_TRUE(QDir().mkpath(path)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(path + ".bad").removeRecursively();
        QFile::remove(path + ".bad");
        c.make();
        const QDateTime start = QDateTime::currentDateTimeUtc();
        CAppVariableInfo::ConvertOlderSettingsFile(path);
        QSettings settings(path, CPlistSettingsFormat::Format());
        EXPECT_TRUE(settings.allKeys().isEmpty());
        EXPECT_LT(start.msecsTo(QDateTime::currentDateTimeUtc()), 1000);
        EXPECT_FALSE(QFileInfo::exists(path) || QFileInfo(path).isSymLink());
        EXPECT_TRUE(QFileInfo::exists(path + ".bad") || QFileInfo(path + ".bad").isSymLink());
    }
}

TEST(PlistSettingsFormat, EveryDamagedFileIsKeptAsideAndNoneReplacesAnother)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/appsettings.plist";
    // The third is a good list: it stays in place, and the two kept before
    // it stay as they were.
    const QList<QByteArray> written = {"<?xml version=\"1.0\"?><plist><dict><key>A</key>",
                                       "[General]\nbroken line without equals\n\x01\x02",
                                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                                       "<dict><key>A</key><integer>1</integer></dict></plist>\n"};
    const QStringList kept = {path + ".bad", path + ".bad-2"};
    auto read = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    for (const QByteArray& bytes : written) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        CAppVariableInfo::ConvertOlderSettingsFile(path);
    }
    EXPECT_EQ(read(kept[0]), written[0]);
    EXPECT_EQ(read(kept[1]), written[1]);
    EXPECT_EQ(read(path), written[2]);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}
