#include "seixwriting.h"

#include "CBaseException.h"
#include "IAVImporter.h"
#include "ISimpleEditTimeLine.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Fablecut {

void ImporterRelease::operator()(Moorland::IAVImporter* importer) const
{
    if (importer)
        importer->Release();
}

uint32_t CropMarginOf(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

void FillOutputFormat(Moorland::SimpleEditOutputFormat& format, const Moorland::StreamInfo* video,
                      const Moorland::StreamInfo* audio)
{
    format = Moorland::SimpleEditOutputFormat{};
    if (video) {
        format.width = video->width;
        format.height = video->height;
        memcpy(format.frameRate, &video->frameRate, sizeof(format.frameRate));
        format.aspect = video->aspect;
    }
    if (audio) {
        format.sampleRate = audio->sampleRate;
        format.channels = audio->channels;
    }
}

void SaveDescriptionOver(Moorland::ISimpleEditTimeLine* timeline, const QString& path)
{
    const QString fresh = path + ".new.seix";
    QFile::remove(fresh);
    const QByteArray freshPath = fresh.toUtf8();
    if (!timeline->SaveTimeLine(freshPath.constData()) || !QFile::exists(fresh)) {
        QFile::remove(fresh);
        QB_THROW(QB_ERR_FILE_IO, "The edit description could not be written");
    }
    if (std::rename(freshPath.constData(), path.toUtf8().constData()) != 0) {
        const int err = errno;
        QFile::remove(fresh);
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "rename", err);
    }
}

} // namespace Fablecut
