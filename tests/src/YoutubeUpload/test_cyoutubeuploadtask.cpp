// The upload task: which texts it takes, when it can be uploaded, and the
// body it describes, read back through its body device.

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "YoutubeUploadTestKit.h"
#include "YoutubeUpload/cuploadbodydevice.h"
#include "YoutubeUpload/cyoutubeuploadtask.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <unistd.h>

namespace {

using T = IYoutubeUploadTask;

struct TaskFree
{
    void operator()(CYoutubeUploadTask* p) const { p->Free(); }
};
using TaskPtr = std::unique_ptr<CYoutubeUploadTask, TaskFree>;

int LastCode()
{
    return GetQuentaException()->GetExceptionCode();
}
std::string LastMessage()
{
    return GetQuentaException()->GetExceptionMsg();
}

QByteArray ReadAll(QIODevice* device, int chunk = 7)
{
    QByteArray out;
    char buf[64];
    for (;;) {
        const qint64 n = device->read(buf, qMin<int>(chunk, sizeof buf));
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

TEST(YoutubeUploadTask, TextRulesAsTable)
{
    const QString sixty(60, QChar('a'));
    const QString hundredBytes = QString(20, QChar('a')) + QString(40, QChar(0xE9)); // 60 characters, 100 bytes
    const QString threeByte40(40, QChar(0x20AC));                                    // 120 bytes
    struct Case
    {
        int type;
        QByteArray text;
        bool ok;
        int code;
        const char* message; // "" when any message will do
    } cases[] = {
        {T::TASK_INFO_TITLE, sixty.toUtf8(), true, 0, ""},
        {T::TASK_INFO_TITLE, hundredBytes.toUtf8(), true, 0, ""},
        {T::TASK_INFO_TITLE, (sixty + "a").toUtf8(), false, 10021010, "Video Titile too long"},
        {T::TASK_INFO_TITLE, (QString(19, QChar('a')) + QString(41, QChar(0xE9))).toUtf8(), false, 10021010,
         "Video Titile too long"},
        {T::TASK_INFO_TITLE, threeByte40.toUtf8(), false, 10021010, "Video Titile too long"},
        {T::TASK_INFO_TITLE, "", true, 0, ""},
        {T::TASK_INFO_TITLE, "a<b", false, 10021010, "Titile do not accecpt symbol \"<\" or \">\"."},
        {T::TASK_INFO_DESCRIPTION, QByteArray(5000, 'd'), true, 0, ""},
        {T::TASK_INFO_DESCRIPTION, QByteArray(5001, 'd'), false, 10021010, "Video description to long"},
        {T::TASK_INFO_DESCRIPTION, "x>y", false, 10021010, "description do not accecpt symbol \"<\" or \">\"."},
        {T::TASK_INFO_KEYWORDS, "ab,cd", true, 0, ""},
        {T::TASK_INFO_KEYWORDS, "ab, c", true, 0, ""},
        {T::TASK_INFO_KEYWORDS, "ab,c", false, 10021010, ""},
        {T::TASK_INFO_KEYWORDS, "ab,,cd", false, 10021010, ""},
        {T::TASK_INFO_KEYWORDS, "ab,cd,", false, 10021010, ""},
        {T::TASK_INFO_KEYWORDS, "", false, 10021010, ""},
        {T::TASK_INFO_KEYWORDS, QByteArray(26, 'k'), false, 10021010, ""},
        {T::TASK_INFO_KEYWORDS, QByteArray(121, 'k'), false, 10021010, "keywords too long"},
        {T::TASK_INFO_KEYWORDS, "a>", false, 10021010, "keywords do not accecpt symbol \"<\" or \">\"."},
        {T::TASK_INFO_DATA_FILE, "/tmp/x", false, 10021010, "Do not support set Data File Path"},
        {T::TASK_INFO_SOURCE_FILE, "/no/such/file.mp4", true, 0, ""},
        {T::TASK_INFO_ERROR_LOG, "", true, 0, ""},
        {6, "x", false, 10021004, "Invalid youtube task info type"},
        {-1, "x", false, 10021004, "Invalid youtube task info type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.text.left(40).toStdString());
        TaskPtr task(new CYoutubeUploadTask);
        GetQuentaException()->Clear();
        const bool ok = task->SetTaskInfo(T::TaskInfoType(c.type), c.text.constData());
        EXPECT_EQ(ok, c.ok);
        const char* stored = task->GetTaskInfo(T::TaskInfoType(c.type));
        if (c.ok) {
            ASSERT_NE(stored, nullptr);
            EXPECT_EQ(QByteArray(stored), c.text);
        } else {
            EXPECT_EQ(LastCode(), c.code);
            if (*c.message) {
                EXPECT_EQ(LastMessage(), c.message);
            }
            EXPECT_EQ(stored, nullptr);
        }
    }
}

TEST(YoutubeUploadTask, RefusedTextKeepsTheOldOneAndNullIsBadPointer)
{
    TaskPtr task(new CYoutubeUploadTask);
    ASSERT_TRUE(task->SetTaskInfo(T::TASK_INFO_TITLE, "First"));
    EXPECT_FALSE(task->SetTaskInfo(T::TASK_INFO_TITLE, "<b>"));
    EXPECT_STREQ(task->GetTaskInfo(T::TASK_INFO_TITLE), "First");

    EXPECT_FALSE(task->SetTaskInfo(T::TaskInfoType(9), nullptr));
    EXPECT_EQ(LastCode(), 10021003);
    EXPECT_EQ(LastMessage(), "Bad pointer");

    EXPECT_EQ(task->GetTaskInfo(T::TASK_INFO_KEYWORDS), nullptr);
    EXPECT_EQ(task->GetTaskInfo(T::TaskInfoType(6)), nullptr);
    EXPECT_EQ(task->GetTaskInfo(T::TaskInfoType(-1)), nullptr);
}

TEST(YoutubeUploadTask, ErrorLogNameIsReservedInTheApplicationFolder)
{
    TaskPtr task(new CYoutubeUploadTask);
    const char* log = task->GetTaskInfo(T::TASK_INFO_ERROR_LOG);
    ASSERT_NE(log, nullptr);
    const QFileInfo info(QString::fromUtf8(log));
    EXPECT_TRUE(info.fileName().startsWith("tmpf"));
    EXPECT_TRUE(info.fileName().endsWith(".log"));
    EXPECT_EQ(QDir(info.path()).absolutePath(), QDir(CAppVariableInfo::GetInstance()->GetAppHomePath()).absolutePath());
    EXPECT_FALSE(info.exists());
}

TEST(YoutubeUploadTask, ValidityAsTable)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("clip.mp4");
    WriteSource(source, 100);
    struct Case
    {
        bool setSource;
        QString path;
        bool setTitle;
        int category;
        bool setKeywords;
        const char* message; // "" for a valid task
    } cases[] = {
        {false, "", true, 1, true, "build data failed,source file not set"},
        {true, dir.filePath("missing.mp4"), true, 1, true, "build data failed,source file does not exist"},
        {true, dir.path(), true, 1, true, "build data failed,source file does not exist"},
        {true, source, false, 1, true, "build data failed,title does not exist"},
        {true, source, true, 0, true, "build data failed,category not defined"},
        {true, source, true, 33, true, "build data failed,category not defined"},
        {true, source, true, -1, true, "build data failed,category not defined"},
        {true, source, true, 1, false, "build data failed,keywords does not exist"},
        {true, source, true, 32, true, ""},
        {true, source, true, 1, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.message) + " category " + std::to_string(c.category));
        TaskPtr task(new CYoutubeUploadTask);
        if (c.setSource)
            task->SetTaskInfo(T::TASK_INFO_SOURCE_FILE, c.path.toUtf8().constData());
        if (c.setTitle)
            task->SetTaskInfo(T::TASK_INFO_TITLE, "");
        if (c.setKeywords)
            task->SetTaskInfo(T::TASK_INFO_KEYWORDS, "ab");
        EXPECT_TRUE(task->SetVideoCategory(YoutubeVideoCategory(c.category)));
        const bool valid = task->isValid();
        qint64 size = -7;
        const bool built = task->buildData("abcdefgh", size);
        EXPECT_EQ(valid, !*c.message);
        EXPECT_EQ(built, !*c.message);
        if (*c.message) {
            EXPECT_EQ(LastCode(), 10021005);
            EXPECT_EQ(LastMessage(), c.message);
            EXPECT_EQ(size, -7);
        } else {
            EXPECT_GT(size, 100);
        }
    }
}

// The whole body, byte for byte, for each access type and suffix.
TEST(YoutubeUploadTask, BodyBytesAsTable)
{
    QTemporaryDir dir;
    struct Case
    {
        const char* name;
        int access;
        const char* type;
    } cases[] = {
        {"clip.webm", 0, "application/octet-stream"},
        {"clip.WEBM", 1, "video/mp4"},
        {"clip.mp4", 2, "video/mp4"},
        {"clip", 0, "video/mp4"},
        {"clip.webm.mov", 5, "video/mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        const QByteArray content = WriteSource(path, 3001, 7);
        TaskPtr task(new CYoutubeUploadTask);
        task->SetTaskInfo(T::TASK_INFO_SOURCE_FILE, path.toUtf8().constData());
        task->SetTaskInfo(T::TASK_INFO_TITLE, "A & B \"q\" 'x'");
        task->SetTaskInfo(T::TASK_INFO_DESCRIPTION, "Line one & two");
        task->SetTaskInfo(T::TASK_INFO_KEYWORDS, "tom's,jerry");
        task->SetVideoCategory(YOUTUBE_CATEGORY_HOWTO);
        task->SetAccessType(YoutubeVideoAccessType(c.access));

        QByteArray expected =
            "--b0undary\r\n"
            "Content-Type: application/atom+xml; charset=UTF-8\r\n"
            "\r\n"
            "<?xml version=\"1.0\"?>\r\n"
            "<entry xmlns=\"http://www.w3.org/2005/Atom\"\r\n"
            "xmlns:media=\"http://search.yahoo.com/mrss/\"\r\n"
            "xmlns:yt=\"http://gdata.youtube.com/schemas/2007\">\r\n"
            "<media:group>\r\n"
            "<media:title type=\"plain\">A &amp; B &quot;q&quot; &apos;x&apos;</media:title>\r\n"
            "<media:description type=\"plain\">\r\nLine one &amp; two</media:description>\r\n"
            "<media:category scheme=\"http://gdata.youtube.com/schemas/2007/categories.cat\">Howto\r\n"
            "</media:category>\r\n"
            "<media:keywords>tom&apos;s,jerry</media:keywords>\r\n";
        if (c.access == 2)
            expected += "<yt:private/>\r\n";
        expected += "</media:group>\r\n";
        if (c.access == 1)
            expected += "<yt:accessControl action='list' permission='denied'/>\r\n";
        expected += "</entry>\r\n"
                    "--b0undary\r\n"
                    "Content-Type: " +
                    QByteArray(c.type) +
                    "\r\n"
                    "Content-Transfer-Encoding: binary\r\n"
                    "\r\n" +
                    content + "\r\n--b0undary--\r\n";

        qint64 size = 0;
        ASSERT_TRUE(task->buildData("b0undary", size));
        EXPECT_EQ(size, expected.size());
        std::unique_ptr<CUploadBodyDevice> body(task->openBodyDevice());
        ASSERT_TRUE(body);
        EXPECT_EQ(body->size(), size);
        EXPECT_EQ(ReadAll(body.get()), expected);
        // Read again from a position inside the file part, as a resend would.
        ASSERT_TRUE(body->seek(size - 100));
        EXPECT_EQ(ReadAll(body.get(), 64), expected.right(100));
        ASSERT_TRUE(body->reset());
        EXPECT_EQ(body->readAll(), expected);

        // Nothing is written beside the user's file.
        EXPECT_FALSE(QFile::exists(path + ".upload"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), int(&c - cases) + 1);
    }
}

TEST(YoutubeUploadTask, DescriptionMissingIsWrittenEmptyAndFieldBecomesEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp4");
    WriteSource(path, 10);
    TaskPtr task(new CYoutubeUploadTask);
    task->SetTaskInfo(T::TASK_INFO_SOURCE_FILE, path.toUtf8().constData());
    task->SetTaskInfo(T::TASK_INFO_TITLE, "t");
    task->SetTaskInfo(T::TASK_INFO_KEYWORDS, "kw");
    task->SetVideoCategory(YOUTUBE_CATEGORY_FILM);
    EXPECT_EQ(task->GetTaskInfo(T::TASK_INFO_DESCRIPTION), nullptr);
    qint64 first = 0, second = 0;
    ASSERT_TRUE(task->buildData("12345678", first));
    EXPECT_STREQ(task->GetTaskInfo(T::TASK_INFO_DESCRIPTION), "");
    std::unique_ptr<CUploadBodyDevice> body(task->openBodyDevice());
    const QByteArray bytes = body->readAll();
    EXPECT_TRUE(bytes.contains("<media:description type=\"plain\">\r\n</media:description>\r\n"));
    EXPECT_TRUE(bytes.startsWith("--12345678\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n--12345678--\r\n"));
    ASSERT_TRUE(task->buildData("12345678", second));
    EXPECT_EQ(first, second);

    task->clearData();
    EXPECT_STREQ(task->GetTaskInfo(T::TASK_INFO_DATA_FILE), "");
    EXPECT_EQ(task->openBodyDevice(), nullptr);
    EXPECT_EQ(LastCode(), 10021013);
}

TEST(YoutubeUploadTask, UnreadableOrShrunkSourceNeverGivesAShortBody)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.mp4");
    WriteSource(path, 5000);
    TaskPtr task(new CYoutubeUploadTask);
    task->SetTaskInfo(T::TASK_INFO_SOURCE_FILE, path.toUtf8().constData());
    task->SetTaskInfo(T::TASK_INFO_TITLE, "t");
    task->SetTaskInfo(T::TASK_INFO_KEYWORDS, "kw");
    task->SetVideoCategory(YOUTUBE_CATEGORY_FILM);

    qint64 size = 0;
    ASSERT_TRUE(task->buildData("12345678", size));
    std::unique_ptr<CUploadBodyDevice> body(task->openBodyDevice());
    ASSERT_TRUE(body);
    // The file loses its end while the body is being sent.
    QFile::resize(path, 1000);
    QByteArray got;
    char buf[4096];
    qint64 n = 0;
    while ((n = body->read(buf, sizeof buf)) > 0)
        got.append(buf, int(n));
    EXPECT_EQ(n, -1);
    EXPECT_LT(got.size(), size);
    body.reset();

    if (geteuid() != 0) {
        QFile::setPermissions(path, QFileDevice::Permissions());
        qint64 unchanged = 77;
        EXPECT_FALSE(task->buildData("12345678", unchanged));
        EXPECT_EQ(unchanged, 77);
        EXPECT_EQ(LastCode(), 10021013);
        EXPECT_EQ(LastMessage(), "can not open drc file.");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList("locked.mp4"));
}

} // namespace
