// The output task queue uploading through the real uploader: a finished
// upload task sends its own destination file to a loopback HTTPS server of
// the test's own (certificates made with openssl), and the task's row shows
// how the upload ended.

#include "../MainPages/GuiTestApp.h"
#include "../YoutubeUpload/TestHttpsServer.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "OutputTask/COutputTaskQueue.h"
#include "ConvertTaskInfo2.h"
#include "IProfile.h"
#include "OutputTask/cmmoutputtask.h"
#include "YoutubeUpload/CUploadAfterTask.h"
#include "YoutubeUpload/cyoutubeupload.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/youtubeaccount.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

const QByteArray kLoginPath = "/youtube/accounts/ClientLogin";
const QByteArray kUploadPath = "/feeds/api/users/default/uploads";
const QByteArray kLoginAnswer = "SID=sid\nAuth=tok-1\r\nYouTubeUser=someone\r\n";

CAppVariableInfo* Settings()
{
    static CAppVariableInfo* settings = [] {
        GuiTest::App("test_vmoutputtaskitem_upload");
        CAppFixedInfo::GetInstance()->ReadInfos();
        CAppVariableInfo* s = CAppVariableInfo::GetInstance();
        s->ReadInfos();
        s->InitInfos();
        return s;
    }();
    return settings;
}

struct ProfileReleaser
{
    void operator()(IProfile* p) const { p->Release(); }
};

std::unique_ptr<IProfile, ProfileReleaser> UploadProfile()
{
    std::unique_ptr<IProfile, ProfileReleaser> p(CreateProfile());
    const char* text = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Profile>
  <Desc ID="701" BaseID="0" Name="Video site" FormatName="MP4" Comment="" />
  <File Ext=".mp4" Muxer="mp4" AVInclude="0" Remux="0" Exporter="FFExporter" />
  <Video Codec="h264" Width="1280" Height="720" FrameRate="0" Bitrate="2500" />
  <Audio Codec="aac" Bitrate="128000" SampleRate="44100" Channels="2" />
  <Params><Param Key="YoutubeUpload" Value="1" /></Params>
</Profile>)";
    EXPECT_TRUE(p->LoadText(text));
    return p;
}

// The bytes between the file part's head and the closing boundary.
QByteArray FilePart(const RecordedRequest& r)
{
    const QRegularExpression type("^multipart/related; boundary=\"([^\"]+)\"$");
    const QRegularExpressionMatch m = type.match(QString::fromLatin1(r.header("Content-Type")));
    if (!m.hasMatch())
        return QByteArray();
    const QByteArray boundary = m.captured(1).toLatin1();
    const QByteArray head =
        "--" + boundary + "\r\nContent-Type: video/mp4\r\nContent-Transfer-Encoding: binary\r\n\r\n";
    const QByteArray tail = "\r\n--" + boundary + "--\r\n";
    const int at = r.body.indexOf(head);
    if (at < 0 || !r.body.endsWith(tail))
        return QByteArray();
    const int from = at + head.size();
    return r.body.mid(from, r.body.size() - tail.size() - from);
}

class UploadRow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Settings();
        ASSERT_TRUE(m_dir.isValid());
        const TestCertificates& certs = TestCertificates::Get();
        m_server = std::make_unique<TestHttpsServer>(certs.trusted);
        m_server->setDefault(kLoginPath, ServerAnswer::Ok(kLoginAnswer));
        m_server->setDefault(kUploadPath, ServerAnswer::Ok("<entry/>", 201));
        // The uploader's service: the loopback server only.
        CAppVariableInfo* s = Settings();
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_LOGIN_HOST, "127.0.0.1");
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_UPLOAD_HOST, "127.0.0.1");
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_LOGIN_PORT, int(m_server->port()));
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_UPLOAD_PORT, int(m_server->port()));
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_CA_FILE, certs.caFile);
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_REQUEST_TIMEOUT, 30000);
        // The account as the upload settings panel stores it.
        s->SetInfoValue("YoutubeAccountInfo",
                        YoutubeAccount::Encode("someone@example.org", "secret", YoutubeAccount::AccountKey()));
        s->SetInfoValue("OutputPath", m_dir.path());

        std::memset(&m_record, 0, sizeof m_record);
        m_queue = std::make_unique<COutputTaskQueue>();
        m_task = new CMMOutputTask(nullptr, nullptr, nullptr);
        m_task->SetOutputDstName("holiday");
        m_task->SetAfterAction(MakeUploadAfterTask());
        m_queue->append(m_task);
        m_row = std::make_unique<VMOutputTaskItem>(m_task, m_queue.get());
        m_profile = UploadProfile();
        m_row->setIProfile(m_profile.get());
        ASSERT_TRUE(m_task->IsYoutubeTask());
        ASSERT_TRUE(m_task->GetUploadtoYoutube());
        m_row->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_row.get()));
    }
    void TearDown() override
    {
        m_row.reset();
        m_queue.reset();
        m_task = nullptr;
        m_server.reset();
    }

    // The file the finished job wrote: where the task's own destination is.
    QString Destination() const
    {
        const QString own = m_task->GetTaskDstFilePath();
        return own.isEmpty() ? QDir(m_dir.path()).filePath(m_row->getOutputTaskItemName()) : own;
    }
    QByteArray WriteDestination(int size)
    {
        QByteArray data(size, '\0');
        QRandomGenerator random(7);
        for (char& c : data)
            c = char(random.generate() & 0xff);
        QFile f(Destination());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_EQ(f.write(data), data.size());
        f.close();
        return data;
    }
    // Starts the task on the job record and lets the job finish.
    void RunFinishedJob()
    {
        m_task->SetBaseConvertTaskInfo(&m_record);
        m_queue->follow(m_task);
        m_row->setConvertStart(true);
        m_row->setBtnStartConvertVisible(true);
        m_record.SetPercent(100);
        m_record.SetState(Moorland::CONVERT_TASK_FINISHED);
    }
    template <typename F> static bool WaitFor(F done, int ms = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QTest::qWait(50);
        return done();
    }
    QProgressBar* Bar() { return m_row->findChild<QProgressBar*>("pgBarOutPutItemConvert"); }
    QToolButton* FailInfo() { return m_row->findChild<QToolButton*>("btnFailInfo"); }

    QTemporaryDir m_dir;
    std::unique_ptr<TestHttpsServer> m_server;
    Moorland::ConvertTaskInfo2 m_record;
    std::unique_ptr<COutputTaskQueue> m_queue;
    CMMOutputTask* m_task = nullptr;
    std::unique_ptr<IProfile, ProfileReleaser> m_profile;
    std::unique_ptr<VMOutputTaskItem> m_row;
};

} // namespace

TEST_F(UploadRow, FinishedUploadTaskPostsItsOwnDestinationAndShowsSuccess)
{
    const QByteArray content = WriteDestination(200 * 1024 + 13);
    QSignalSpy over(m_queue.get(), &COutputTaskQueue::uploadSucceeded);
    QSignalSpy failed(m_queue.get(), &COutputTaskQueue::uploadFailed);
    RunFinishedJob();
    ASSERT_TRUE(WaitFor([&] { return Bar()->toolTip() == "Upload succeed"; }))
        << Bar()->toolTip().toStdString() << " / " << m_row->failureMessage().toStdString();
    EXPECT_TRUE(Bar()->isVisible());
    EXPECT_TRUE(FailInfo()->isHidden());
    EXPECT_EQ(over.count(), 1);
    EXPECT_EQ(failed.count(), 0);
    EXPECT_EQ(m_queue->runningCount(), 0);

    ASSERT_EQ(m_server->requestsFor(kLoginPath).size(), 1);
    const QList<RecordedRequest> uploads = m_server->requestsFor(kUploadPath);
    ASSERT_EQ(uploads.size(), 1);
    const RecordedRequest& r = uploads[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.header("Slug"), m_row->getOutputTaskItemName().toUtf8());
    QFile own(Destination());
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    const QByteArray ownHash = QCryptographicHash::hash(own.readAll(), QCryptographicHash::Sha256);
    EXPECT_EQ(QCryptographicHash::hash(content, QCryptographicHash::Sha256), ownHash);
    EXPECT_EQ(QCryptographicHash::hash(FilePart(r), QCryptographicHash::Sha256).toHex(), ownHash.toHex());
    // Nothing more is sent afterwards.
    QTest::qWait(1500);
    EXPECT_EQ(m_server->requestsFor(kUploadPath).size(), 1);
    EXPECT_EQ(over.count(), 1);
}

TEST_F(UploadRow, RefusedUploadShowsTheFailure)
{
    m_server->enqueue(kUploadPath, ServerAnswer::Ok("no uploads here", 405));
    WriteDestination(64 * 1024);
    QSignalSpy over(m_queue.get(), &COutputTaskQueue::uploadFailed);
    RunFinishedJob();
    ASSERT_TRUE(WaitFor([&] { return over.count() > 0; })) << Bar()->toolTip().toStdString();
    EXPECT_EQ(m_queue->runningCount(), 0);
    EXPECT_EQ(over.count(), 1);
    EXPECT_TRUE(FailInfo()->isVisible());
    // The conversion still shows finished; the upload's failure beside it.
    EXPECT_TRUE(Bar()->isVisible());
    EXPECT_EQ(Bar()->text(), "100%");
    EXPECT_EQ(Bar()->toolTip(), "Conversion succeed");
    EXPECT_EQ(FailInfo()->toolTip(), "Upload failed");
    EXPECT_EQ(m_server->requestsFor(kUploadPath).size(), 1);
    // Nothing more is sent afterwards.
    QTest::qWait(1500);
    EXPECT_EQ(m_server->requestsFor(kUploadPath).size(), 1);
    EXPECT_EQ(over.count(), 1);
}

// An upload that cannot begin says why, before anything is sent: no service
// to send to, or no account to log in with. With both it goes out.
TEST_F(UploadRow, AnUploadThatCannotBeginSaysWhy)
{
    struct Case
    {
        const char* what;
        bool service;
        bool account;
        const char* told; // empty: the upload goes out
    } cases[] = {
        {"no service", false, true, "no upload service is configured"},
        {"no account", true, false, "enter an account"},
        {"neither", false, false, "no upload service is configured"},
        {"both", true, true, ""},
    };
    const QString account = YoutubeAccount::Encode("someone@example.org", "secret", YoutubeAccount::AccountKey());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        CAppVariableInfo* s = Settings();
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_LOGIN_HOST, c.service ? "127.0.0.1" : "");
        s->SetInfoValue(STR_APPVARINFO_YOUTUBE_UPLOAD_HOST, c.service ? "127.0.0.1" : "");
        s->SetInfoValue("YoutubeAccountInfo", c.account ? account : QString());
        WriteDestination(16 * 1024);
        QSignalSpy failed(m_queue.get(), &COutputTaskQueue::uploadFailed);
        QSignalSpy over(m_queue.get(), &COutputTaskQueue::uploadSucceeded);
        RunFinishedJob();
        ASSERT_TRUE(WaitFor([&] { return failed.count() + over.count() > 0; }));
        if (*c.told) {
            EXPECT_EQ(failed.count(), 1);
            EXPECT_TRUE(m_row->failureMessage().contains(c.told)) << m_row->failureMessage().toStdString();
            EXPECT_TRUE(FailInfo()->isVisible());
            EXPECT_TRUE(m_server->requestsFor(kLoginPath).isEmpty()) << "nothing was sent";
        } else {
            EXPECT_EQ(over.count(), 1) << m_row->failureMessage().toStdString();
        }
        EXPECT_TRUE(WaitFor([&] { return m_queue->runningCount() == 0; }, 5000));
    }
}
