#pragma once

#include <QByteArray>
#include <QSettings>

class QIODevice;

// A settings format that keeps the file as an XML property list, so every
// value comes back with the type it was written with: integer, real, boolean,
// string, array (of strings: a QStringList), dictionary, date and data. Keys
// are written as QSettings hands them, a group and its key joined by "/".
//
// Values the list has no element for: an invalid QVariant is left out (the key
// is then absent after a reload); another type is written as its text when it
// has one, else left out. A string holding characters XML cannot carry (most
// control characters) is written as data and comes back as its UTF-8 bytes.
class CPlistSettingsFormat
{
public:
    // Registered once per process, on first use.
    static QSettings::Format Format();

    // Largest settings file a reader takes.
    static const int kMaxFileBytes = 16 << 20;

    // False, with nothing trusted, for text that is not a property list (or
    // one nested, sized or shaped beyond the bounds of a settings file).
    static bool Read(QIODevice& device, QSettings::SettingsMap& map);
    static bool ReadText(const QByteArray& text, QSettings::SettingsMap& map);
    static bool Write(QIODevice& device, const QSettings::SettingsMap& map);
};
