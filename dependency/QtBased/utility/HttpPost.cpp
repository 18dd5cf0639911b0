#include "HttpPost.h"

#include "Basilvo/QuentaLogger.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const char* const kTimedOutProperty = "fablecutHttpPostTimedOut";
const char kCrLf[] = "\r\n";

} // namespace

HttpPost::HttpPost() : QObject(nullptr) {}

HttpPost::~HttpPost() = default;

void HttpPost::addField(QString name, QString value)
{
    m_fieldNames.append(name);
    m_fieldValues.append(value);
}

void HttpPost::addFile(QString name, QByteArray data, QString fileName, QString contentType)
{
    m_fileFieldNames.append(name);
    m_fileContents.append(data);
    m_fileNames.append(fileName);
    m_fileContentTypes.append(contentType);
}

void HttpPost::addFile(QString name, QString filePath, QString contentType)
{
    QFile file(filePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    QString fileName = filePath;
    int cut = filePath.lastIndexOf('/');
    if (cut < 0)
        cut = filePath.lastIndexOf('\\');
    if (cut >= 0)
        fileName = filePath.mid(cut + 1);
    addFile(name, file.readAll(), fileName, contentType);
}

QByteArray HttpPost::makeBoundary() const
{
    QByteArray boundary(27, '-');
    QRandomGenerator* random = QRandomGenerator::system();
    for (int i = 0; i < 3; ++i)
        boundary += QByteArray::number(random->generate());
    return boundary;
}

bool HttpPost::build(PostRequest* pRequest, const QUrl& url)
{
    if (pRequest == nullptr)
        return false;

    QList<QByteArray> fieldValues;
    for (const QString& value : qAsConst(m_fieldValues))
        fieldValues.append(value.toUtf8());

    // A boundary that occurs inside a part would end that part early on the
    // server side, so draw again until it is found in none of them.
    QByteArray boundary;
    for (;;) {
        boundary = makeBoundary();
        bool clash = false;
        for (const QByteArray& value : qAsConst(fieldValues))
            clash = clash || value.contains(boundary);
        for (const QByteArray& content : qAsConst(m_fileContents))
            clash = clash || content.contains(boundary);
        if (!clash)
            break;
    }

    QByteArray body;
    bool first = true;
    auto delimiter = [&]() {
        if (!first)
            body += kCrLf;
        first = false;
        body += "--" + boundary + kCrLf;
    };
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        delimiter();
        body += "Content-Disposition: form-data; name=\"" + m_fieldNames[i].toLatin1() + "\"" + kCrLf;
        body += QByteArray("Content-Transfer-Encoding: 8bit") + kCrLf;
        body += kCrLf;
        body += fieldValues[i];
    }
    for (int i = 0; i < m_fileFieldNames.size(); ++i) {
        delimiter();
        body += "Content-Disposition: form-data; name=\"" + m_fileFieldNames[i].toLatin1() + "\"; filename=\"" +
                m_fileNames[i].toLatin1() + "\"" + kCrLf;
        body += "Content-Type: " + m_fileContentTypes[i].toLatin1() + kCrLf;
        body += kCrLf;
        body += m_fileContents[i];
    }
    body += kCrLf;
    body += "--" + boundary + "--" + kCrLf;

    QNetworkRequest request{QUrl()};
    request.setHeader(QNetworkRequest::ContentTypeHeader, "multipart/form-data; boundary=" + boundary);
    request.setHeader(QNetworkRequest::ContentLengthHeader, QByteArray::number(body.size()));
    request.setUrl(url);
    pRequest->request = request;
    pRequest->body = body;
    m_lastBoundary = boundary;

    m_fieldNames.clear();
    m_fieldValues.clear();
    m_fileFieldNames.clear();
    m_fileNames.clear();
    m_fileContentTypes.clear();
    m_fileContents.clear();
    return true;
}

QNetworkReply* HttpPost::postData(QString url)
{
    PostRequest post;
    if (!build(&post, QUrl(url)))
        return nullptr;
    if (m_pManager == nullptr) {
        m_pManager = new QNetworkAccessManager(this);
        connect(m_pManager, &QNetworkAccessManager::finished, this, &HttpPost::readData);
    }
    QNetworkReply* reply = m_pManager->post(post.request, post.body);
    if (m_nTimeoutMs > 0) {
        // The timer belongs to the reply and goes away with it.
        QTimer* timer = new QTimer(reply);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, reply, [reply]() {
            if (reply->isRunning()) {
                reply->setProperty(kTimedOutProperty, true);
                reply->abort();
            }
        });
        timer->start(m_nTimeoutMs);
    }
    return reply;
}

QByteArray HttpPost::response() const
{
    return m_response;
}

void HttpPost::readData(QNetworkReply* r)
{
    m_response = r->isOpen() ? r->readAll() : QByteArray();
    m_nHttpStatus = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString url = r->url().toString();
    m_sError.clear();
    if (r->property(kTimedOutProperty).toBool())
        m_sError = QString("Request timed out after %1 ms: %2").arg(m_nTimeoutMs).arg(url);
    else if (m_nHttpStatus != 0 && (m_nHttpStatus < 200 || m_nHttpStatus > 299))
        m_sError = QString("HTTP status %1: %2").arg(m_nHttpStatus).arg(url);
    else if (r->error() != QNetworkReply::NoError)
        m_sError =
            QString("Network error %1 (%2): %3").arg(static_cast<int>(r->error())).arg(r->errorString()).arg(url);
    else if (m_nHttpStatus == 0)
        m_sError = QString("No HTTP status in the reply: %1").arg(url);
    m_bSucceeded = m_sError.isEmpty();
    if (!m_bSucceeded) {
        const QByteArray text = m_sError.toUtf8();
        if (IQuentaLogger* logger = GetQuentaLogger())
            logger->Log(LOG_ERROR, "HttpPost", text.constData(), nullptr, 0);
    }
    r->deleteLater();
    emit finished();
}
