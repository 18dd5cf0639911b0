#pragma once

// The body of one upload as a single readable device: a header held in
// memory, every byte of the source file read from disk as it is sent, and a
// trailer. Nothing is copied to disk and the file is never held in memory.
// The device may be read from any position, so the network layer can start
// the body over; a source file that has become shorter than it was when the
// body was described ends the read with an error, never with a short body.

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

class CUploadBodyDevice : public QIODevice
{
    Q_OBJECT

public:
    // `sourceSize` is the length the file had when the body was described;
    // exactly that many bytes of it are sent.
    CUploadBodyDevice(const QByteArray& header, const QString& sourcePath, qint64 sourceSize, const QByteArray& trailer,
                      QObject* parent = nullptr);
    ~CUploadBodyDevice() override;

    // Opens the source read-only; false, with errorString(), when it cannot.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QByteArray m_header;
    QByteArray m_trailer;
    QFile m_source;
    qint64 m_sourceSize;
};
