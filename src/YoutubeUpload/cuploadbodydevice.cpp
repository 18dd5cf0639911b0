#include "cuploadbodydevice.h"

#include <algorithm>
#include <cstring>

CUploadBodyDevice::CUploadBodyDevice(const QByteArray& header, const QString& sourcePath, qint64 sourceSize,
                                     const QByteArray& trailer, QObject* parent)
    : QIODevice(parent), m_header(header), m_trailer(trailer), m_source(sourcePath), m_sourceSize(sourceSize)
{}

CUploadBodyDevice::~CUploadBodyDevice()
{
    close();
}

bool CUploadBodyDevice::open(OpenMode mode)
{
    if ((mode & (WriteOnly | Append | Truncate)) || !(mode & ReadOnly)) {
        setErrorString(QStringLiteral("The upload body can only be read"));
        return false;
    }
    if (!m_source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        setErrorString(m_source.errorString());
        return false;
    }
    // Unbuffered: the network layer reads in chunks of its own; a second
    // buffer here would only copy every byte once more.
    return QIODevice::open(ReadOnly | Unbuffered);
}

void CUploadBodyDevice::close()
{
    if (isOpen())
        QIODevice::close();
    m_source.close();
}

qint64 CUploadBodyDevice::size() const
{
    return m_header.size() + m_sourceSize + m_trailer.size();
}

bool CUploadBodyDevice::seek(qint64 pos)
{
    if (pos < 0 || pos > size())
        return false;
    return QIODevice::seek(pos);
}

bool CUploadBodyDevice::atEnd() const
{
    return !isOpen() || pos() >= size();
}

qint64 CUploadBodyDevice::bytesAvailable() const
{
    if (!isOpen())
        return 0;
    return std::max<qint64>(0, size() - pos()) + QIODevice::bytesAvailable();
}

qint64 CUploadBodyDevice::readData(char* data, qint64 maxSize)
{
    qint64 at = pos();
    qint64 done = 0;
    const qint64 headerSize = m_header.size();
    const qint64 fileEnd = headerSize + m_sourceSize;
    while (done < maxSize && at < size()) {
        if (at < headerSize) {
            const qint64 n = std::min(maxSize - done, headerSize - at);
            memcpy(data + done, m_header.constData() + at, size_t(n));
            done += n;
            at += n;
        } else if (at < fileEnd) {
            const qint64 offset = at - headerSize;
            if (m_source.pos() != offset && !m_source.seek(offset)) {
                setErrorString(m_source.errorString());
                return done > 0 ? done : -1;
            }
            const qint64 want = std::min(maxSize - done, fileEnd - at);
            const qint64 got = m_source.read(data + done, want);
            // What was read so far goes out; the failure comes with the next read.
            if (got < 0) {
                setErrorString(m_source.errorString());
                return done > 0 ? done : -1;
            }
            if (got == 0) {
                setErrorString(
                    QStringLiteral("The file %1 became shorter while it was being sent").arg(m_source.fileName()));
                return done > 0 ? done : -1;
            }
            done += got;
            at += got;
        } else {
            const qint64 offset = at - fileEnd;
            const qint64 n = std::min(maxSize - done, qint64(m_trailer.size()) - offset);
            memcpy(data + done, m_trailer.constData() + offset, size_t(n));
            done += n;
            at += n;
        }
    }
    return done;
}

qint64 CUploadBodyDevice::writeData(const char*, qint64)
{
    return -1;
}
