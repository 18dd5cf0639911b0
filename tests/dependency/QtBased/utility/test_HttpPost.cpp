#include "utility/HttpPost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_HttpPost";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

// A one-request HTTP server on the loopback address: keeps the raw request
// and answers with a fixed status, or never answers when told to stay silent.
class LoopbackServer : public QObject
{
public:
    explicit LoopbackServer(QByteArray statusLine, bool silent = false)
        : m_statusLine(std::move(statusLine)), m_silent(silent)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this]() {
            QTcpSocket* socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onRead(socket); });
        });
    }

    QString url(const QString& path) const
    {
        return QString("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QByteArray headers() const { return m_headers; }
    QByteArray body() const { return m_body; }
    bool complete() const { return m_complete; }

private:
    void onRead(QTcpSocket* socket)
    {
        m_raw += socket->readAll();
        const int end = m_raw.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_headers = m_raw.left(end);
        int length = 0;
        for (const QByteArray& line : m_headers.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toInt();
        if (m_raw.size() < end + 4 + length)
            return;
        m_body = m_raw.mid(end + 4, length);
        m_complete = true;
        if (m_silent)
            return;
        socket->write(m_statusLine + "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nreply");
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_statusLine;
    bool m_silent;
    QByteArray m_raw;
    QByteArray m_headers;
    QByteArray m_body;
    bool m_complete = false;
};

bool WaitFinished(HttpPost& post, int ms = 10000)
{
    QSignalSpy spy(&post, &HttpPost::finished);
    return spy.wait(ms);
}

} // namespace

TEST(HttpPost, ProfileUploadBodyByteForByte)
{
    App();
    LoopbackServer server("HTTP/1.1 200 OK");
    HttpPost post;
    // The file part is added first yet still follows the field.
    post.addFile("upfile", QByteArray("\x00\x01\r\n--binary", 12), QString::fromUtf8("prof\xC3\xA9.puf"),
                 "multipart/form-data");
    post.addField("operate_version", QString::fromUtf8("2 \xE2\x82\xAC"));
    QNetworkReply* reply = post.postData(server.url("/PRM/upfile/upfile.php"));
    ASSERT_NE(reply, nullptr);
    ASSERT_TRUE(WaitFinished(post));
    ASSERT_TRUE(server.complete());

    const QByteArray b = post.lastBoundary();
    ASSERT_TRUE(b.startsWith(QByteArray(27, '-')));
    ASSERT_GT(b.size(), 27);
    QByteArray expected;
    expected += "--" + b + "\r\n";
    expected += "Content-Disposition: form-data; name=\"operate_version\"\r\n";
    expected += "Content-Transfer-Encoding: 8bit\r\n\r\n";
    expected += "2 \xE2\x82\xAC"; // UTF-8 value
    expected += "\r\n--" + b + "\r\n";
    expected += "Content-Disposition: form-data; name=\"upfile\"; filename=\"prof\xE9.puf\"\r\n"; // Latin-1 name
    expected += "Content-Type: multipart/form-data\r\n\r\n";
    expected += QByteArray("\x00\x01\r\n--binary", 12);
    expected += "\r\n--" + b + "--\r\n";
    EXPECT_EQ(server.body(), expected);
    EXPECT_TRUE(server.headers().startsWith("POST /PRM/upfile/upfile.php HTTP/1.1"));
    EXPECT_TRUE(server.headers().contains("multipart/form-data; boundary=" + b));
    EXPECT_TRUE(server.headers().contains("Content-Length: " + QByteArray::number(expected.size())));

    EXPECT_TRUE(post.isSucceeded());
    EXPECT_EQ(post.httpStatus(), 200);
    EXPECT_EQ(post.response(), QByteArray("reply"));
}

TEST(HttpPost, OneManagerServesEveryPostAndRepliesAreFreed)
{
    App();
    HttpPost post;
    for (int i = 0; i < 3; ++i) {
        LoopbackServer server("HTTP/1.1 200 OK");
        post.addField("n", QString::number(i));
        QPointer<QNetworkReply> reply = post.postData(server.url("/p"));
        ASSERT_FALSE(reply.isNull());
        ASSERT_TRUE(WaitFinished(post));
        EXPECT_TRUE(post.isSucceeded());
        EXPECT_TRUE(server.body().contains("\r\n\r\n" + QByteArray::number(i) + "\r\n"));
        // The reply goes away once control is back in the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(reply.isNull());
    }
    EXPECT_EQ(post.findChildren<QNetworkAccessManager*>().size(), 1);
}

TEST(HttpPost, BodiesOfFilesOnlyAndOfNothing)
{
    HttpPost post;
    post.addFile("a", QByteArray("A"), "a.bin", "application/octet-stream");
    post.addFile("b", QByteArray("B"), "b.bin", "application/octet-stream");
    HttpPost::PostRequest request;
    ASSERT_TRUE(post.build(&request, QUrl("http://127.0.0.1/")));
    QByteArray b = post.lastBoundary();
    EXPECT_TRUE(request.body.startsWith("--" + b + "\r\nContent-Disposition: form-data; name=\"a\""));
    EXPECT_TRUE(request.body.contains("\r\nA\r\n--" + b + "\r\nContent-Disposition: form-data; name=\"b\""));
    EXPECT_EQ(request.request.header(QNetworkRequest::ContentLengthHeader).toByteArray().toInt(), request.body.size());

    // Nothing added since: only the closing delimiter.
    ASSERT_TRUE(post.build(&request, QUrl("http://127.0.0.1/")));
    b = post.lastBoundary();
    EXPECT_EQ(request.body, "\r\n--" + b + "--\r\n");
    EXPECT_FALSE(post.build(nullptr, QUrl("http://127.0.0.1/")));
}

TEST(HttpPost, BoundaryIsFreshAndNeverInsideTheContent)
{
    HttpPost post;
    HttpPost::PostRequest request;
    ASSERT_TRUE(post.build(&request, QUrl("http://127.0.0.1/")));
    const QByteArray first = post.lastBoundary();
    ASSERT_TRUE(post.build(&request, QUrl("http://127.0.0.1/")));
    EXPECT_NE(post.lastBoundary(), first);

    // Content made of many boundary-like lines still gets a boundary of its own.
    for (int i = 0; i < 20; ++i) {
        QByteArray content;
        for (int j = 0; j < 50; ++j)
            content += "--" + QByteArray(27, '-') + QByteArray::number(j) + "\r\n";
        post.addFile("f", content, "f.bin", "application/octet-stream");
        ASSERT_TRUE(post.build(&request, QUrl("http://127.0.0.1/")));
        EXPECT_FALSE(content.contains(post.lastBoundary()));
        EXPECT_EQ(request.body.count("--" + post.lastBoundary()), 2);
    }
}

TEST(HttpPost, PathBasedFileAnnouncesTheLastComponent)
{
    const QString dir = QDir::tempPath() + "/httppost_" + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(dir);
    const QString path = dir + "/x.puf";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("data");
    file.close();

    HttpPost post;
    post.addFile("upfile", path, "application/octet-stream");
    post.addFile("missing", dir + "/none.puf", "application/octet-stream");
    HttpPost::PostRequest request;
    ASSERT_TRUE(post.build(&request, QUrl("http://127.0.0.1/")));
    EXPECT_TRUE(request.body.contains("name=\"upfile\"; filename=\"x.puf\"\r\n"));
    EXPECT_TRUE(request.body.contains("\r\n\r\ndata\r\n"));
    EXPECT_FALSE(request.body.contains("missing"));
    QDir(dir).removeRecursively();
}

TEST(HttpPost, FailuresAreReported)
{
    App();
    struct Case
    {
        const char* name;
        const char* status; // null: refused connection
        bool silent;
        const char* errorPart;
    };
    const Case cases[] = {
        {"http error status", "HTTP/1.1 500 Internal Server Error", false, "500"},
        {"refused connection", nullptr, false, "Network error"},
        {"no answer", "HTTP/1.1 200 OK", true, "timed out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<LoopbackServer> server;
        QString url;
        if (c.status != nullptr) {
            server.reset(new LoopbackServer(c.status, c.silent));
            url = server->url("/upload");
        } else {
            // A port that was just free and now has no listener.
            QTcpServer probe;
            ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
            url = QString("http://127.0.0.1:%1/upload").arg(probe.serverPort());
            probe.close();
        }
        HttpPost post;
        post.setTimeout(500);
        post.addField("operate_version", "2");
        QElapsedTimer clock;
        clock.start();
        ASSERT_NE(post.postData(url), nullptr);
        ASSERT_TRUE(WaitFinished(post));
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_FALSE(post.isSucceeded());
        EXPECT_TRUE(post.errorString().contains(c.errorPart)) << post.errorString().toStdString();
    }
}
