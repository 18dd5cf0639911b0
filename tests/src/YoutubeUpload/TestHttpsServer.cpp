#include "TestHttpsServer.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QMutexLocker>
#include <QPointer>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <stdexcept>

QByteArray RecordedRequest::header(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first.toLower() == name.toLower())
            return h.second;
    return QByteArray();
}

int RecordedRequest::headerCount(const QByteArray& name) const
{
    int n = 0;
    for (const auto& h : headers)
        if (h.first.toLower() == name.toLower())
            ++n;
    return n;
}

// One connection: reads requests one after another and answers each.
class TestHttpsConnection : public QObject
{
public:
    TestHttpsConnection(TestHttpsServer* pOwner, QSslSocket* socket, QObject* parent)
        : QObject(parent), m_pOwner(pOwner), m_socket(socket)
    {
        m_socket->setParent(this);
        QObject::connect(m_socket, &QSslSocket::readyRead, this, [this]() { onReadyRead(); });
        QObject::connect(m_socket, &QSslSocket::disconnected, this, [this]() {
            finishPartial();
            deleteLater();
        });
    }

private:
    void onReadyRead()
    {
        if (m_stalled)
            return;
        while (!m_stalled && m_socket->bytesAvailable() > 0) {
            if (!m_inBody) {
                if (!m_socket->canReadLine())
                    return;
                const QByteArray line = m_socket->readLine();
                if (m_requestLine.isEmpty()) {
                    if (line.trimmed().isEmpty())
                        continue;
                    m_requestLine = line.trimmed();
                    continue;
                }
                if (line == "\r\n" || line == "\n") {
                    startBody();
                    continue;
                }
                const int colon = line.indexOf(':');
                if (colon > 0)
                    m_request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
                continue;
            }
            qint64 want = m_expected - m_request.bodySize;
            if (m_answer.kind != ServerAnswer::Respond)
                want = qMin(want, qMax<qint64>(0, m_answer.afterBytes - m_request.bodySize));
            if (want > 0) {
                // One buffer for the whole connection: large bodies pass
                // through without an allocation per read.
                const qint64 got = m_socket->read(m_buffer.data(), qMin<qint64>(want, m_buffer.size()));
                if (got <= 0)
                    return;
                m_hash.addData(m_buffer.constData(), int(got));
                const qint64 room = m_pOwner->m_keepBodyBytes - m_request.body.size();
                if (room > 0)
                    m_request.body.append(m_buffer.constData(), int(qMin(room, got)));
                m_request.bodySize += got;
            }
            if (!afterBodyStep())
                return;
        }
        if (m_inBody && !m_stalled)
            afterBodyStep();
    }

    void startBody()
    {
        const QList<QByteArray> parts = m_requestLine.split(' ');
        m_request.method = parts.value(0);
        m_request.path = parts.value(1);
        m_expected = m_request.header("Content-Length").toLongLong();
        m_inBody = true;
        m_pOwner->noteStarted(m_request.path);
        m_answer = m_pOwner->takeAnswer(m_request.path);
    }

    // False when nothing more is to be read now.
    bool afterBodyStep()
    {
        if (m_answer.kind == ServerAnswer::CloseMidBody &&
            m_request.bodySize >= qMin(m_answer.afterBytes, m_expected)) {
            finishPartial();
            m_socket->abort();
            return false;
        }
        if (m_answer.kind == ServerAnswer::Stall && m_request.bodySize >= qMin(m_answer.afterBytes, m_expected)) {
            finishPartial();
            m_stalled = true;
            // Stop taking bytes off the connection, so the sender's buffers fill.
            m_socket->setReadBufferSize(1);
            return false;
        }
        if (m_request.bodySize < m_expected)
            return m_socket->bytesAvailable() > 0;

        m_request.complete = true;
        m_request.bodySha256 = m_hash.result();
        m_pOwner->record(m_request);
        const bool close = m_request.header("Connection").toLower() == "close";
        QByteArray out = "HTTP/1.1 " + QByteArray::number(m_answer.status) + " Answer\r\n";
        for (const auto& h : m_answer.headers)
            out += h.first + ": " + h.second + "\r\n";
        out += "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(m_answer.body.size()) + "\r\n";
        if (close)
            out += "Connection: close\r\n";
        out += "\r\n" + m_answer.body;
        QPointer<QSslSocket> socket = m_socket;
        auto send = [socket, out, close]() {
            if (!socket)
                return;
            socket->write(out);
            socket->flush();
            if (close)
                socket->disconnectFromHost();
        };
        if (m_answer.delayMs > 0)
            QTimer::singleShot(m_answer.delayMs, m_socket, send);
        else
            send();
        reset();
        return true;
    }

    void finishPartial()
    {
        if (m_inBody && !m_recorded) {
            RecordedRequest copy = m_request;
            copy.bodySha256 = m_hash.result();
            m_pOwner->record(copy);
            m_recorded = true;
        }
    }

    void reset()
    {
        m_request = RecordedRequest();
        m_requestLine.clear();
        m_hash.reset();
        m_inBody = false;
        m_recorded = false;
        m_expected = 0;
    }

    TestHttpsServer* m_pOwner;
    QSslSocket* m_socket;
    QByteArray m_requestLine;
    QByteArray m_buffer = QByteArray(256 * 1024, '\0');
    RecordedRequest m_request;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    ServerAnswer m_answer;
    qint64 m_expected = 0;
    bool m_inBody = false;
    bool m_stalled = false;
    bool m_recorded = false;
};

class TestHttpsServerImpl : public QTcpServer
{
public:
    explicit TestHttpsServerImpl(TestHttpsServer* pOwner) : m_pOwner(pOwner) {}

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket;
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificate(m_pOwner->m_identity.certificate);
        socket->setPrivateKey(m_pOwner->m_identity.key);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        new TestHttpsConnection(m_pOwner, socket, this);
        socket->startServerEncryption();
    }

private:
    TestHttpsServer* m_pOwner;
};

TestHttpsServer::TestHttpsServer(const TlsIdentity& identity, qint64 keepBodyBytes)
    : m_identity(identity), m_keepBodyBytes(keepBodyBytes)
{
    m_thread.start();
    m_pImpl = new TestHttpsServerImpl(this);
    m_pImpl->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_pImpl,
        [this]() {
            m_pImpl->listen(QHostAddress::LocalHost, 0);
            m_port = m_pImpl->serverPort();
        },
        Qt::BlockingQueuedConnection);
    if (m_port == 0)
        throw std::runtime_error("test server did not listen");
}

TestHttpsServer::~TestHttpsServer()
{
    QMetaObject::invokeMethod(
        m_pImpl,
        [this]() {
            m_pImpl->close();
            delete m_pImpl;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void TestHttpsServer::setDefault(const QByteArray& path, const ServerAnswer& answer)
{
    QMutexLocker lock(&m_lock);
    m_defaults[path] = answer;
}

void TestHttpsServer::enqueue(const QByteArray& path, const ServerAnswer& answer)
{
    QMutexLocker lock(&m_lock);
    m_queues[path].append(answer);
}

ServerAnswer TestHttpsServer::takeAnswer(const QByteArray& path)
{
    QMutexLocker lock(&m_lock);
    QList<ServerAnswer>& queue = m_queues[path];
    if (!queue.isEmpty())
        return queue.takeFirst();
    if (m_defaults.contains(path))
        return m_defaults.value(path);
    return ServerAnswer::Ok("", 404);
}

void TestHttpsServer::record(const RecordedRequest& request)
{
    QMutexLocker lock(&m_lock);
    m_requests.append(request);
}

void TestHttpsServer::noteStarted(const QByteArray& path)
{
    QMutexLocker lock(&m_lock);
    ++m_started[path];
}

QList<RecordedRequest> TestHttpsServer::requests() const
{
    QMutexLocker lock(&m_lock);
    return m_requests;
}

QList<RecordedRequest> TestHttpsServer::requestsFor(const QByteArray& path) const
{
    QList<RecordedRequest> out;
    for (const RecordedRequest& r : requests())
        if (r.path == path)
            out.append(r);
    return out;
}

int TestHttpsServer::startedCount(const QByteArray& path) const
{
    QMutexLocker lock(&m_lock);
    return m_started.value(path);
}

namespace {

TlsIdentity MakeIdentity(const QString& dir, const QString& name, const QString& cn, const QString& san)
{
    const QString key = dir + "/" + name + ".key";
    const QString cert = dir + "/" + name + ".pem";
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                   key, "-out", cert, "-days", "2", "-subj", "/CN=" + cn, "-addext", "subjectAltName=" + san});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        throw std::runtime_error("openssl could not make a test certificate: " +
                                 openssl.readAllStandardError().toStdString());
    QFile keyFile(key), certFile(cert);
    keyFile.open(QIODevice::ReadOnly);
    certFile.open(QIODevice::ReadOnly);
    TlsIdentity id;
    id.key = QSslKey(keyFile.readAll(), QSsl::Ec);
    id.certificate = QSslCertificate(certFile.readAll());
    if (id.key.isNull() || id.certificate.isNull())
        throw std::runtime_error("test certificate unreadable");
    return id;
}

} // namespace

const TestCertificates& TestCertificates::Get()
{
    static QTemporaryDir dir;
    static const TestCertificates certs = [] {
        TestCertificates c;
        c.trusted = MakeIdentity(dir.path(), "trusted", "127.0.0.1", "IP:127.0.0.1");
        c.untrusted = MakeIdentity(dir.path(), "untrusted", "127.0.0.1", "IP:127.0.0.1");
        c.otherHost = MakeIdentity(dir.path(), "other", "wrong.example", "DNS:wrong.example");
        c.caFile = dir.path() + "/ca.pem";
        QFile ca(c.caFile);
        ca.open(QIODevice::WriteOnly);
        ca.write(c.trusted.certificate.toPem());
        ca.write(c.otherHost.certificate.toPem());
        ca.close();
        return c;
    }();
    return certs;
}
