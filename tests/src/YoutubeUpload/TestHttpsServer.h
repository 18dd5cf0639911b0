#pragma once

// A stand-in for the video service: an HTTPS server on 127.0.0.1 with a
// certificate made by the test, running on a thread of its own. It records
// every request (path, headers in order, body or its hash) and plays the
// answers the test scripts for each path. Nothing leaves the loopback.

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>
#include <QThread>

#include <memory>

struct ServerAnswer
{
    enum Kind {
        Respond,      // status line, headers and body
        CloseMidBody, // drop the connection after `afterBytes` of the body
        Stall,        // stop reading after `afterBytes` of the body and never answer
    };
    Kind kind = Respond;
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    qint64 afterBytes = 0;
    int delayMs = 0; // Respond: the answer leaves this much later

    static ServerAnswer Ok(const QByteArray& body, int status = 200)
    {
        ServerAnswer a;
        a.status = status;
        a.body = body;
        return a;
    }
    static ServerAnswer Later(int delayMs, const QByteArray& body, int status = 200)
    {
        ServerAnswer a = Ok(body, status);
        a.delayMs = delayMs;
        return a;
    }
    static ServerAnswer Close(qint64 afterBytes)
    {
        ServerAnswer a;
        a.kind = CloseMidBody;
        a.afterBytes = afterBytes;
        return a;
    }
    static ServerAnswer Hang(qint64 afterBytes = 0)
    {
        ServerAnswer a;
        a.kind = Stall;
        a.afterBytes = afterBytes;
        return a;
    }
};

struct RecordedRequest
{
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;     // the first bytes, up to the server's keep limit
    qint64 bodySize = 0; // bytes that arrived
    QByteArray bodySha256;
    bool complete = false; // the whole announced body arrived

    QByteArray header(const QByteArray& name) const;
    int headerCount(const QByteArray& name) const;
};

struct TlsIdentity
{
    QSslCertificate certificate;
    QSslKey key;
};

class TestHttpsServerImpl;

class TestHttpsServer
{
public:
    explicit TestHttpsServer(const TlsIdentity& identity, qint64 keepBodyBytes = 16 * 1024 * 1024);
    ~TestHttpsServer();

    quint16 port() const { return m_port; }

    // Answers for a path: the queued ones in order, then the default.
    void setDefault(const QByteArray& path, const ServerAnswer& answer);
    void enqueue(const QByteArray& path, const ServerAnswer& answer);

    QList<RecordedRequest> requests() const;
    QList<RecordedRequest> requestsFor(const QByteArray& path) const;
    // Requests whose headers arrived, the body not necessarily.
    int startedCount(const QByteArray& path) const;

private:
    friend class TestHttpsServerImpl;
    friend class TestHttpsConnection;
    ServerAnswer takeAnswer(const QByteArray& path);
    void record(const RecordedRequest& request);
    void noteStarted(const QByteArray& path);

    mutable QMutex m_lock;
    QMap<QByteArray, ServerAnswer> m_defaults;
    QMap<QByteArray, QList<ServerAnswer>> m_queues;
    QList<RecordedRequest> m_requests;
    QMap<QByteArray, int> m_started;
    TlsIdentity m_identity;
    qint64 m_keepBodyBytes;
    quint16 m_port = 0;
    QThread m_thread;
    TestHttpsServerImpl* m_pImpl = nullptr;
};

// Self-signed identities made with openssl in a temporary folder, once per
// test program.
struct TestCertificates
{
    TlsIdentity trusted;   // for 127.0.0.1, in the CA file
    TlsIdentity untrusted; // for 127.0.0.1, not in the CA file
    TlsIdentity otherHost; // for "wrong.example", in the CA file
    QString caFile;        // PEM of trusted and otherHost

    static const TestCertificates& Get();
};
