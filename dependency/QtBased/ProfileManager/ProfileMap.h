#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Display names of the profile values the parameter editors show as words:
// channel counts, video bitrate codes and frame-rate codes. Fixed ASCII names,
// the same in every interface language. The one object is ProfileMap::instance.
class ProfileMap
{
public:
    QString strOriginal;
    QString strAuto;
    QMap<int, QString> mapAChannel;
    QMap<int, QString> mapVBitrate;
    QMap<int, QString> mapVFramerate;

    static ProfileMap instance;

    // The key whose name matches regardless of case, else -1 (which is also
    // the key of "auto" in the bitrate and frame-rate tables).
    int mapValueOfVFramerate(QString& name);
    int mapValueOfVBitrate(QString& name);
    int mapValueOfAChannel(const QString& name);
    // "" when the table has no such count.
    QString mapNameOfAChannel(int count);
    // Each entry read as a decimal integer (0 when it is none) and replaced by
    // its name when the table has that key.
    void mapNamesOfVBitrate(QStringList& values);
    void mapNamesOfAChannel(QStringList& values);

private:
    ProfileMap();
};
