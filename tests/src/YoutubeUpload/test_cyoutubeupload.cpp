// The uploader against a loopback HTTPS server of the test's own: start
// checks, the login form, the upload request and its streamed body, result
// numbers, the watchdog, task sequences, continue, cancel and free.

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "TestHttpsServer.h"
#include "YoutubeUploadTestKit.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

const QByteArray kLoginAnswer = "SID=sid\nAuth=tok-1\r\nYouTubeUser=someone\r\n";

quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

class Upload : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        server = MakeServer(certs.trusted);
        ConfigureService(server->port(), server->port(), certs.caFile);
    }

    std::unique_ptr<TestHttpsServer> MakeServer(const TlsIdentity& identity)
    {
        std::unique_ptr<TestHttpsServer> s(new TestHttpsServer(identity));
        s->setDefault(kLoginPath, ServerAnswer::Ok(kLoginAnswer));
        s->setDefault(kUploadPath, ServerAnswer::Ok("<entry/>", 201));
        return s;
    }

    QString Source(const QString& name, qint64 size = 4096, quint32 seed = 1)
    {
        const QString path = dir.filePath(name);
        WriteSource(path, size, seed);
        return path;
    }

    // Starts and waits until `last` was reported.
    void Run(IYoutubeUpload* up, Recorder& rec, const QString& last, int ms = 60000)
    {
        up->StartUpload();
        EXPECT_TRUE(WaitUntil([&]() { return rec.Has(last); }, ms)) << rec.events.join(" | ").toStdString();
    }

    const TestCertificates& certs = TestCertificates::Get();
    QTemporaryDir dir;
    std::unique_ptr<TestHttpsServer> server;
};

TEST_F(Upload, StartChecksInTheirOrder)
{
    struct Case
    {
        const char* user;
        const char* password;
        const char* client;
        int tasks;
        int reason;
    } cases[] = {
        {"", "", "FC", 0, 4},                                                // account before tasks
        {"u", "", "FC", 1, 4},  {"", "p", "FC", 1, 4}, {"u", "p", "", 0, 3}, // client before tasks
        {"u", "p", "FC", 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.reason));
        Recorder rec;
        UploaderPtr up(CreateYoutubeUploader());
        rec.up = up.get();
        up->SetCallBack(&rec);
        up->SetYoutubeAcccountInfo(c.user, c.password);
        up->SetClientID(c.client);
        up->SetDevKey("");
        for (int i = 0; i < c.tasks; ++i)
            AddTask(up.get(), Source("a.mp4"));
        Run(up.get(), rec, QString("init %1").arg(c.reason));
        EXPECT_EQ(rec.events, QStringList(QString("init %1").arg(c.reason)));
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021015);
        EXPECT_FALSE(Impl(up.get())->isRunning());
        EXPECT_EQ(up->CurrentTaskIndex(), -1);
    }
    EXPECT_EQ(server->requests().size(), 0);

    // Null texts are refused and change nothing.
    UploaderPtr up(CreateYoutubeUploader());
    EXPECT_TRUE(up->Init());
    EXPECT_FALSE(up->SetYoutubeAcccountInfo(nullptr, "p"));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 10021003);
    EXPECT_FALSE(up->SetClientID(nullptr));
    EXPECT_FALSE(up->SetDevKey(nullptr));
    int other = 0;
    EXPECT_EQ(up->IndexofTask(reinterpret_cast<IYoutubeUploadTask*>(&other)), -1);
    EXPECT_EQ(up->UploadTasksCount(), 0);
}

TEST_F(Upload, LoginFormAndUploadRequestOnTheWire)
{
    CAppVariableInfo::GetInstance()->SetInfoValue(STR_APPVARINFO_YOUTUBE_DEV_KEY, "dev-key-1");
    const QString path = Source("clip.mp4", 300 * 1024 + 17, 3);
    QFile sourceFile(path);
    sourceFile.open(QIODevice::ReadOnly);
    const QByteArray content = sourceFile.readAll();

    Recorder rec;
    UploaderPtr up = MakeUploader(rec, "a&b=c+d e", "p\xC3\xA4-._~/");
    CAppVariableInfo::GetInstance()->SetInfoValue(STR_APPVARINFO_YOUTUBE_DEV_KEY, "");
    AddTask(up.get(), path);
    Run(up.get(), rec, "completed");
    EXPECT_EQ(rec.events, QStringList({"ok 0", "completed"}));
    EXPECT_FALSE(rec.offThread);

    const QList<RecordedRequest> logins = server->requestsFor(kLoginPath);
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins[0].method, "POST");
    EXPECT_EQ(logins[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(logins[0].body, "Email=a%26b%3Dc%2Bd%20e&Passwd=p%C3%A4-._~%2F&service=youtube&source=FC-EDITOR-1");

    const QList<RecordedRequest> uploads = server->requestsFor(kUploadPath);
    ASSERT_EQ(uploads.size(), 1);
    const RecordedRequest& r = uploads[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.header("Authorization"), "GoogleLogin auth=tok-1");
    EXPECT_EQ(r.header("GData-Version"), "2");
    EXPECT_EQ(r.header("X-GData-Key"), "key=dev-key-1");
    EXPECT_EQ(r.header("Slug"), "clip.mp4");
    EXPECT_EQ(r.header("Host"), "127.0.0.1:" + QByteArray::number(server->port()));
    EXPECT_EQ(r.headerCount("Host"), 1);
    EXPECT_EQ(r.header("Content-Length").toLongLong(), r.bodySize);

    const QRegularExpression type("^multipart/related; boundary=\"([0-9a-wyz]{8})\"$");
    const QRegularExpressionMatch m = type.match(QString::fromLatin1(r.header("Content-Type")));
    ASSERT_TRUE(m.hasMatch()) << r.header("Content-Type").toStdString();
    const QByteArray boundary = m.captured(1).toLatin1();
    EXPECT_TRUE(r.body.startsWith("--" + boundary + "\r\nContent-Type: application/atom+xml; charset=UTF-8\r\n"));
    const QByteArray partHead =
        "--" + boundary + "\r\nContent-Type: video/mp4\r\nContent-Transfer-Encoding: binary\r\n\r\n";
    const int fileAt = r.body.indexOf(partHead);
    ASSERT_GT(fileAt, 0);
    EXPECT_EQ(r.body.mid(fileAt + partHead.size()), content + "\r\n--" + boundary + "--\r\n");

    // Progress: on the owner's thread, never backwards, up to the total.
    ASSERT_FALSE(rec.progress.isEmpty());
    for (int i = 1; i < rec.progress.size(); ++i)
        EXPECT_LE(rec.progress[i - 1].first, rec.progress[i].first);
    EXPECT_EQ(rec.progress.last().first, r.bodySize);
    EXPECT_EQ(rec.progress.last().second, r.bodySize);

    EXPECT_TRUE(WaitUntil([&]() { return Impl(up.get())->isFinished(); }));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList("clip.mp4"));
}

// Each way a request can end, and the number the owner is told.
TEST_F(Upload, ResultNumbersAsTable)
{
    struct Case
    {
        const char* name;
        std::function<void(Upload&, std::unique_ptr<TestHttpsServer>&)> arrange;
        int reason;
        int uploadsStarted;
        qint64 fileSize;
    };
    const Case cases[] = {
        {"login 401",
         [](Upload&, auto& s) { s->enqueue(kLoginPath, ServerAnswer::Ok("Error=BadAuthentication\n", 401)); }, 4, 0,
         4096},
        {"login 403",
         [](Upload&, auto& s) { s->enqueue(kLoginPath, ServerAnswer::Ok("Error=BadAuthentication\n", 403)); }, 4, 0,
         4096},
        {"login 405", [](Upload&, auto& s) { s->enqueue(kLoginPath, ServerAnswer::Ok("", 405)); }, 4, 0, 4096},
        {"login without YouTubeUser", [](Upload&, auto& s) { s->enqueue(kLoginPath, ServerAnswer::Ok("Auth=abc\n")); },
         4, 0, 4096},
        {"login with empty answer", [](Upload&, auto& s) { s->enqueue(kLoginPath, ServerAnswer::Ok("")); }, 4, 0, 4096},
        {"login 500", [](Upload&, auto& s) { s->enqueue(kLoginPath, ServerAnswer::Ok("", 500)); }, 12, 0, 4096},
        {"login port closed",
         [](Upload&, auto& s) { ConfigureService(ClosedPort(), s->port(), TestCertificates::Get().caFile); }, 8, 0,
         4096},
        {"login stalls",
         [](Upload&, auto& s) {
             s->enqueue(kLoginPath, ServerAnswer::Hang());
             ConfigureService(s->port(), s->port(), TestCertificates::Get().caFile, 3000);
         },
         8, 0, 4096},
        {"untrusted certificate",
         [](Upload& t, auto& s) {
             s = t.MakeServer(TestCertificates::Get().untrusted);
             ConfigureService(s->port(), s->port(), TestCertificates::Get().caFile);
         },
         11, 0, 4096},
        {"certificate of another host",
         [](Upload& t, auto& s) {
             s = t.MakeServer(TestCertificates::Get().otherHost);
             ConfigureService(s->port(), s->port(), TestCertificates::Get().caFile);
         },
         11, 0, 4096},
        {"configured CA file holds no certificate",
         [](Upload& t, auto& s) { ConfigureService(s->port(), s->port(), t.dir.filePath("missing-ca.pem")); }, 11, 0,
         4096},
        {"no login host configured",
         [](Upload&, auto& s) { ConfigureService(s->port(), s->port(), TestCertificates::Get().caFile, 12000, ""); }, 7,
         0, 4096},
        {"upload 405", [](Upload&, auto& s) { s->enqueue(kUploadPath, ServerAnswer::Ok("no uploads here", 405)); }, 12,
         1, 4096},
        {"upload port closed",
         [](Upload&, auto& s) { ConfigureService(s->port(), ClosedPort(), TestCertificates::Get().caFile); }, 9, 0,
         4096},
        {"upload connection closed mid-body",
         [](Upload&, auto& s) { s->setDefault(kUploadPath, ServerAnswer::Close(1000)); }, 10, 1, 256 * 1024},
        {"upload stalls mid-body",
         [](Upload&, auto& s) {
             s->setDefault(kUploadPath, ServerAnswer::Hang(64 * 1024));
             ConfigureService(s->port(), s->port(), TestCertificates::Get().caFile, 5000);
         },
         8, 1, 48 * 1024 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server = MakeServer(certs.trusted);
        ConfigureService(server->port(), server->port(), certs.caFile);
        c.arrange(*this, server);
        const QString path = Source("case.mp4", c.fileSize);

        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        IYoutubeUploadTask* task = AddTask(up.get(), path);
        const QString expected = QString("fail 0 %1").arg(c.reason);
        Run(up.get(), rec, expected);
        EXPECT_EQ(rec.events, QStringList(expected));
        EXPECT_FALSE(rec.offThread);
        if (c.uploadsStarted == 0) {
            EXPECT_EQ(server->startedCount(kUploadPath), 0);
        } else {
            EXPECT_GE(server->startedCount(kUploadPath), c.uploadsStarted);
        }
        // The failed thread waits for the owner.
        EXPECT_TRUE(Impl(up.get())->isRunning());

        const QString log = QString::fromUtf8(task->GetTaskInfo(IYoutubeUploadTask::TASK_INFO_ERROR_LOG));
        if (QByteArray(c.name) == "upload 405") {
            QFile file(log);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            EXPECT_TRUE(text.endsWith("no uploads here")) << text.toStdString();
            EXPECT_GT(text.size(), int(strlen("no uploads here")));
            QFile::remove(log);
        }
        up.reset();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList("case.mp4"));
    }
}

TEST_F(Upload, ThreeTasksSucceedInOrder)
{
    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    // An empty developer key is sent as it is.
    up->SetDevKey("");
    const QStringList names = {"a.mp4", "b.webm", "c.mov"};
    for (int i = 0; i < names.size(); ++i)
        AddTask(up.get(), Source(names[i], 1000 + i, i + 1));
    EXPECT_EQ(up->UploadTasksCount(), 3);
    Run(up.get(), rec, "completed");
    EXPECT_EQ(rec.events, QStringList({"ok 0", "ok 1", "ok 2", "completed"}));
    EXPECT_EQ(server->requestsFor(kLoginPath).size(), 3);
    const QList<RecordedRequest> uploads = server->requestsFor(kUploadPath);
    ASSERT_EQ(uploads.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(uploads[i].header("Slug"), names[i].toLatin1());
        EXPECT_EQ(uploads[i].header("X-GData-Key"), "key=");
    }
    EXPECT_EQ(up->CurrentTaskIndex(), 2);
    EXPECT_TRUE(WaitUntil([&]() { return Impl(up.get())->isFinished(); }));
    Spin(200);
    EXPECT_EQ(rec.events.size(), 4);

    // A finished uploader starts over from its first task.
    rec.events.clear();
    Run(up.get(), rec, "completed");
    EXPECT_EQ(rec.events, QStringList({"ok 0", "ok 1", "ok 2", "completed"}));
}

TEST_F(Upload, FailedTaskWaitsUntilContinued)
{
    for (bool retry : {false, true}) {
        SCOPED_TRACE(retry ? "retry" : "skip");
        server = MakeServer(certs.trusted);
        ConfigureService(server->port(), server->port(), certs.caFile);
        server->enqueue(kUploadPath, ServerAnswer::Ok("<entry/>", 201));
        server->enqueue(kUploadPath, ServerAnswer::Ok("busy", 500));

        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        AddTask(up.get(), Source("a.mp4"));
        AddTask(up.get(), Source("b.mp4"));
        AddTask(up.get(), Source("c.mp4"));
        Run(up.get(), rec, "fail 1 12");
        Spin(300);
        EXPECT_EQ(rec.events, QStringList({"ok 0", "fail 1 12"}));
        EXPECT_EQ(server->requestsFor(kUploadPath).size(), 2);
        EXPECT_TRUE(Impl(up.get())->isRunning());

        up->ContinueUpload(retry);
        EXPECT_TRUE(WaitUntil([&]() { return rec.Has("completed"); }));
        QStringList slugs;
        for (const RecordedRequest& r : server->requestsFor(kUploadPath))
            slugs << QString::fromLatin1(r.header("Slug"));
        if (retry) {
            EXPECT_EQ(rec.events, QStringList({"ok 0", "fail 1 12", "ok 1", "ok 2", "completed"}));
            EXPECT_EQ(slugs, QStringList({"a.mp4", "b.mp4", "b.mp4", "c.mp4"}));
            EXPECT_EQ(server->requestsFor(kLoginPath).size(), 4);
        } else {
            EXPECT_EQ(rec.events, QStringList({"ok 0", "fail 1 12", "ok 2", "completed"}));
            EXPECT_EQ(slugs, QStringList({"a.mp4", "b.mp4", "c.mp4"}));
        }
        EXPECT_TRUE(WaitUntil([&]() { return Impl(up.get())->isFinished(); }));
    }

    // Skipping a failed last task completes the run.
    server->enqueue(kUploadPath, ServerAnswer::Ok("busy", 500));
    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    AddTask(up.get(), Source("only.mp4"));
    Run(up.get(), rec, "fail 0 12");
    up->ContinueUpload(false);
    EXPECT_TRUE(WaitUntil([&]() { return rec.Has("completed"); }));
    EXPECT_EQ(rec.events, QStringList({"fail 0 12", "completed"}));
    EXPECT_TRUE(WaitUntil([&]() { return Impl(up.get())->isFinished(); }));
}

TEST_F(Upload, InvalidTaskIsReportedAndNothingIsSent)
{
    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    IYoutubeUploadTask* task = AddTask(up.get(), Source("a.mp4"));
    task->SetVideoCategory(YoutubeVideoCategory(33));
    Run(up.get(), rec, "fail 0 5");
    EXPECT_EQ(rec.events, QStringList("fail 0 5"));
    EXPECT_EQ(server->requests().size(), 0);
    EXPECT_EQ(server->startedCount(kLoginPath), 0);
}

TEST_F(Upload, BodyThatCannotBeBuiltAfterLoginIsNotPosted)
{
    // The source disappears while the login is answered.
    server->enqueue(kLoginPath, ServerAnswer::Later(1500, kLoginAnswer));
    const QString path = Source("gone.mp4");
    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    AddTask(up.get(), path);
    up->StartUpload();
    ASSERT_TRUE(WaitUntil([&]() { return server->startedCount(kLoginPath) == 1; }));
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(WaitUntil([&]() { return !rec.events.isEmpty(); }));
    EXPECT_EQ(rec.events, QStringList("fail 0 5"));
    Spin(200);
    EXPECT_EQ(server->startedCount(kUploadPath), 0);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Upload, CancelBeforeStartDuringRequestsAndWhileIdle)
{
    {
        SCOPED_TRACE("before start");
        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        up->CancelUpload();
        EXPECT_TRUE(WaitUntil([&]() { return rec.Has("cancelled"); }));
        EXPECT_EQ(rec.events, QStringList("cancelled"));
    }
    for (const char* path : {kLoginPath, kUploadPath}) {
        SCOPED_TRACE(path);
        server->enqueue(path, ServerAnswer::Hang());
        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        AddTask(up.get(), Source("a.mp4", 64 * 1024));
        AddTask(up.get(), Source("b.mp4"));
        up->StartUpload();
        ASSERT_TRUE(WaitUntil([&]() { return server->startedCount(path) == 1; }));
        up->CancelUpload();
        EXPECT_TRUE(WaitUntil([&]() { return rec.Has("cancelled"); }));
        EXPECT_TRUE(WaitUntil([&]() { return Impl(up.get())->isFinished(); }));
        Spin(200);
        EXPECT_EQ(rec.events, QStringList("cancelled"));
        EXPECT_FALSE(rec.offThread);
    }
    {
        SCOPED_TRACE("idle after a failure");
        server->enqueue(kLoginPath, ServerAnswer::Ok("", 403));
        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        AddTask(up.get(), Source("a.mp4"));
        Run(up.get(), rec, "fail 0 4");
        up->CancelUpload();
        EXPECT_TRUE(WaitUntil([&]() { return rec.Has("cancelled"); }));
        EXPECT_TRUE(WaitUntil([&]() { return Impl(up.get())->isFinished(); }));
        EXPECT_EQ(rec.events, QStringList({"fail 0 4", "cancelled"}));
    }
}

TEST_F(Upload, TimeOutAfterAnEarlierCancelIsATimeOut)
{
    ConfigureService(server->port(), server->port(), certs.caFile, 3000);
    server->enqueue(kLoginPath, ServerAnswer::Hang());
    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    AddTask(up.get(), Source("a.mp4"));
    up->CancelUpload();
    EXPECT_TRUE(WaitUntil([&]() { return rec.Has("cancelled"); }));
    Run(up.get(), rec, "fail 0 8");
    EXPECT_EQ(rec.events, QStringList({"cancelled", "fail 0 8"}));
}

TEST_F(Upload, FreeEndsARunningThread)
{
    {
        SCOPED_TRACE("mid-request");
        server->enqueue(kUploadPath, ServerAnswer::Hang(1000));
        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        AddTask(up.get(), Source("a.mp4", 8 * 1024 * 1024));
        up->StartUpload();
        ASSERT_TRUE(WaitUntil([&]() { return server->startedCount(kUploadPath) == 1; }));
        up.reset();
        Spin(300);
        EXPECT_TRUE(rec.events.isEmpty()) << rec.events.join(" | ").toStdString();
    }
    {
        SCOPED_TRACE("idle after a failure");
        server->enqueue(kLoginPath, ServerAnswer::Ok("", 401));
        Recorder rec;
        UploaderPtr up = MakeUploader(rec);
        AddTask(up.get(), Source("a.mp4"));
        Run(up.get(), rec, "fail 0 4");
        up.reset();
        Spin(200);
        EXPECT_EQ(rec.events, QStringList("fail 0 4"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList("a.mp4"));
}

TEST(UploadProtocol, AuthTokenFromLoginAnswers)
{
    struct Case
    {
        QByteArray answer;
        bool found;
        QByteArray token;
    } cases[] = {
        {"Auth=abc\nYouTubeUser=someone\n", true, "abc"},
        {"SID=s1\nAuth=abc\nYouTubeUser=someone\n", true, "abc"},
        {"Auth=abc\r\nYouTubeUser=someone\r\n", true, "abc"},
        {"Auth=a=b\nYouTubeUser=someone\n", true, "a"},
        {"Auth=abc\n", false, ""},
        {"", false, ""},
        {"YouTubeUser=someone\n", false, ""},
        {"Auth=abc YouTubeUser=x", false, ""},       // no complete line
        {"Auth=\nYouTubeUser=someone\n", false, ""}, // an empty token is none
        {QByteArray("Auth=abc\nYouTubeUser=x\n\0tail", 27), true, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        QByteArray token = "old";
        EXPECT_EQ(CYoutubeUpload::getAuthToken(c.answer, token), c.found);
        EXPECT_EQ(token, c.token);
    }
}

TEST(UploadProtocol, BoundaryAlphabet)
{
    for (int i = 0; i < 50; ++i) {
        QString boundary = "old";
        CYoutubeUpload::setRandString(boundary);
        EXPECT_TRUE(QRegularExpression("^[0-9a-wyz]{8}$").match(boundary).hasMatch()) << boundary.toStdString();
        QThread::msleep(1);
    }
}

TEST(UploadProtocol, NetworkErrorsToResults)
{
    using R = QNetworkReply;
    struct Case
    {
        R::NetworkError err;
        int login;
        int upload;
    } cases[] = {
        {R::ConnectionRefusedError, 8, 9},    {R::RemoteHostClosedError, 10, 10},
        {R::HostNotFoundError, 7, 7},         {R::TimeoutError, 8, 8},
        {R::SslHandshakeFailedError, 11, 11}, {R::ContentOperationNotPermittedError, 4, 12},
        {R::ContentAccessDenied, 4, 12},      {R::AuthenticationRequiredError, 4, 12},
        {R::UnknownNetworkError, 12, 12},     {R::ProtocolFailure, 12, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.err));
        EXPECT_EQ(CYoutubeUpload::LoginResult(c.err, false), c.login);
        EXPECT_EQ(CYoutubeUpload::UploadResult(c.err, false), c.upload);
    }
    EXPECT_EQ(CYoutubeUpload::UploadResult(R::NoError, false), 0);
    EXPECT_EQ(CYoutubeUpload::LoginResult(R::OperationCanceledError, false), 8);
    EXPECT_EQ(CYoutubeUpload::LoginResult(R::OperationCanceledError, true), 6);
    EXPECT_EQ(CYoutubeUpload::UploadResult(R::OperationCanceledError, false), 8);
    EXPECT_EQ(CYoutubeUpload::UploadResult(R::OperationCanceledError, true), 6);
}

} // namespace
