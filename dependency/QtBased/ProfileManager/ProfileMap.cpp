#include "ProfileMap.h"

namespace {

int ValueOf(const QMap<int, QString>& table, const QString& name)
{
    for (auto it = table.constBegin(); it != table.constEnd(); ++it)
        if (it.value().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    return -1;
}

void NamesOf(const QMap<int, QString>& table, QStringList& values)
{
    for (QString& entry : values) {
        int key = entry.toInt(); // 0 when the entry is no decimal integer
        auto it = table.constFind(key);
        if (it != table.constEnd())
            entry = it.value();
    }
}

} // namespace

ProfileMap ProfileMap::instance;

ProfileMap::ProfileMap() : strOriginal("original"), strAuto("auto")
{
    mapAChannel.insert(1, "Mono");
    mapAChannel.insert(2, "Stereo");
    mapAChannel.insert(6, "5.1 Channels");
    mapAChannel.insert(8, "7.1 Channels");
    mapVBitrate.insert(-1, "auto");
    mapVBitrate.insert(0, "original");
    mapVBitrate.insert(1, "high quality");
    mapVBitrate.insert(2, "medium quality");
    mapVBitrate.insert(3, "low quality");
    mapVFramerate.insert(-1, "auto");
    mapVFramerate.insert(0, "original");
}

int ProfileMap::mapValueOfVFramerate(QString& name)
{
    return ValueOf(mapVFramerate, name);
}

int ProfileMap::mapValueOfVBitrate(QString& name)
{
    return ValueOf(mapVBitrate, name);
}

int ProfileMap::mapValueOfAChannel(const QString& name)
{
    return ValueOf(mapAChannel, name);
}

QString ProfileMap::mapNameOfAChannel(int count)
{
    return mapAChannel.value(count);
}

void ProfileMap::mapNamesOfVBitrate(QStringList& values)
{
    NamesOf(mapVBitrate, values);
}

void ProfileMap::mapNamesOfAChannel(QStringList& values)
{
    NamesOf(mapAChannel, values);
}
