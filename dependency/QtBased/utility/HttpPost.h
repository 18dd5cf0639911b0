#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Sends one multipart/form-data POST per postData call and keeps the reply.
// Text fields always precede file parts in the body. Each reply ends with
// finished(); isSucceeded(), httpStatus() and errorString() tell how it went.
class HttpPost : public QObject
{
    Q_OBJECT

public:
    struct PostRequest
    {
        QNetworkRequest request{QUrl()};
        QByteArray body;
    };

    HttpPost();
    ~HttpPost() override;

    void addField(QString name, QString value);
    void addFile(QString name, QByteArray data, QString fileName, QString contentType);
    // A file that cannot be read is skipped.
    void addFile(QString name, QString filePath, QString contentType);

    // Builds the body and headers from what was added and empties the lists;
    // false (nothing changed) for a null record.
    bool build(PostRequest* pRequest, const QUrl& url);
    // The reply belongs to this object and is freed after finished(); null
    // when nothing could be sent.
    QNetworkReply* postData(QString url);

    QByteArray response() const;
    // Of the last reply read: no network error, no time-out and an HTTP status
    // of 2xx.
    bool isSucceeded() const { return m_bSucceeded; }
    int httpStatus() const { return m_nHttpStatus; }
    QString errorString() const { return m_sError; }

    // A request not finished within this many milliseconds is aborted and
    // reported as timed out. 0 waits without limit.
    void setTimeout(int nMilliseconds) { m_nTimeoutMs = nMilliseconds; }
    int timeout() const { return m_nTimeoutMs; }

    // The boundary that the last build put into its body.
    QByteArray lastBoundary() const { return m_lastBoundary; }

signals:
    void finished();

private slots:
    void readData(QNetworkReply* r);

private:
    QByteArray makeBoundary() const;

    QByteArray m_response;
    QStringList m_fieldNames;
    QStringList m_fieldValues;
    QStringList m_fileFieldNames;
    QStringList m_fileNames;
    QStringList m_fileContentTypes;
    QList<QByteArray> m_fileContents;

    QNetworkAccessManager* m_pManager = nullptr;
    int m_nTimeoutMs = 30000;
    bool m_bSucceeded = false;
    int m_nHttpStatus = 0;
    QString m_sError;
    QByteArray m_lastBoundary;
};
