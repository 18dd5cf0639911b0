#include "CPlistSettingsFormat.h"

#include "CBaseException.h"
#include "sysutils_stored.h"

#include <QDateTime>
#include <QIODevice>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <limits>

namespace {

// Deeper than any setting nests; the readers below stop there too.
const QuentaBased::StoredXmlBounds kSettingsBounds = {CPlistSettingsFormat::kMaxFileBytes, 32, 16, 1000000};

bool ReadSettings(QIODevice& device, QSettings::SettingsMap& map)
{
    return CPlistSettingsFormat::Read(device, map);
}

bool WriteSettings(QIODevice& device, const QSettings::SettingsMap& map)
{
    return CPlistSettingsFormat::Write(device, map);
}

// Characters an XML 1.0 document can hold.
bool FitsXml(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
            continue;
        }
        if (c.isLowSurrogate())
            return false;
        if (u < 0x20 && u != 0x9 && u != 0xA)
            return false; // a carriage return would come back as a line feed
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

QString RealText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("+infinity") : QStringLiteral("-infinity");
    return QString::number(value, 'g', 17);
}

// "yyyy-mm-ddThh:mm:ssZ", built by hand: the settings are also saved while
// the process exits, when Qt's time-zone data may already be gone and its
// own formatting gives an empty text. "" for a date that cannot be written.
QString DateText(const QVariant& value)
{
    QDateTime when = value.toDateTime();
    if (when.isValid() && when.timeSpec() != Qt::UTC)
        when = when.toUTC();
    const QDate d = when.date();
    const QTime t = when.time();
    if (!when.isValid() || !d.isValid() || !t.isValid() || d.year() < 0 || d.year() > 9999)
        return QString();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

void WriteValue(QXmlStreamWriter& xml, const QVariant& value);

void WriteString(QXmlStreamWriter& xml, const QString& text)
{
    if (FitsXml(text))
        xml.writeTextElement(QStringLiteral("string"), text);
    else
        xml.writeTextElement(QStringLiteral("data"), QString::fromLatin1(text.toUtf8().toBase64()));
}

// False for a value the list has no element for (nothing is written).
bool Writable(const QVariant& value)
{
    switch (static_cast<QMetaType::Type>(value.type())) {
    case QMetaType::UnknownType: return false;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
    case QMetaType::QVariantMap:
    case QMetaType::QByteArray: return true;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        // A date element without a date would make the whole file unreadable.
        return !DateText(value).isEmpty();
    default: return value.canConvert<QString>() && !value.toString().isNull();
    }
}

void WriteValue(QXmlStreamWriter& xml, const QVariant& value)
{
    switch (static_cast<QMetaType::Type>(value.type())) {
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toULongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float: xml.writeTextElement(QStringLiteral("real"), RealText(value.toDouble())); break;
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : value.toList())
            if (Writable(item))
                WriteValue(xml, item);
        xml.writeEndElement();
        break;
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("dict"));
        const QVariantMap entries = value.toMap();
        for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
            if (!Writable(it.value()))
                continue;
            xml.writeTextElement(QStringLiteral("key"), it.key());
            WriteValue(xml, it.value());
        }
        xml.writeEndElement();
        break;
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate: xml.writeTextElement(QStringLiteral("date"), DateText(value)); break;
    case QMetaType::QByteArray:
        xml.writeTextElement(QStringLiteral("data"), QString::fromLatin1(value.toByteArray().toBase64()));
        break;
    default: WriteString(xml, value.toString()); break;
    }
}

// Reads the element the reader stands on (a start element) and everything in
// it; false on anything a property list does not hold, or nested deeper than
// the bounds allow.
bool ReadValue(QXmlStreamReader& xml, QVariant& out, int depth);

bool ReadDict(QXmlStreamReader& xml, QVariantMap& out, int depth)
{
    if (depth > kSettingsBounds.maxDepth)
        return false;
    QString key;
    bool haveKey = false;
    while (xml.readNextStartElement()) {
        if (!haveKey) {
            if (xml.name() != QLatin1String("key"))
                return false;
            key = xml.readElementText();
            if (xml.hasError())
                return false;
            haveKey = true;
            continue;
        }
        QVariant value;
        if (!ReadValue(xml, value, depth + 1))
            return false;
        out.insert(key, value);
        haveKey = false;
    }
    return !xml.hasError() && !haveKey;
}

bool ReadValue(QXmlStreamReader& xml, QVariant& out, int depth)
{
    if (depth > kSettingsBounds.maxDepth)
        return false;
    const QStringRef name = xml.name();
    if (name == QLatin1String("true") || name == QLatin1String("false")) {
        out = name == QLatin1String("true");
        xml.skipCurrentElement();
        return !xml.hasError();
    }
    if (name == QLatin1String("array")) {
        QVariantList items;
        bool allStrings = true;
        while (xml.readNextStartElement()) {
            QVariant item;
            if (!ReadValue(xml, item, depth + 1))
                return false;
            allStrings = allStrings && item.type() == QVariant::String;
            items.append(item);
        }
        if (xml.hasError())
            return false;
        if (allStrings) {
            QStringList strings;
            for (const QVariant& item : qAsConst(items))
                strings.append(item.toString());
            out = strings;
        } else {
            out = items;
        }
        return true;
    }
    if (name == QLatin1String("dict")) {
        QVariantMap entries;
        if (!ReadDict(xml, entries, depth + 1))
            return false;
        out = entries;
        return true;
    }

    const QString element = name.toString();
    const QString text = xml.readElementText();
    if (xml.hasError())
        return false;
    if (element == QLatin1String("string")) {
        out = text;
        return true;
    }
    if (element == QLatin1String("integer")) {
        bool ok = false;
        const qlonglong number = text.trimmed().toLongLong(&ok);
        if (ok) {
            if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
                out = static_cast<int>(number);
            else
                out = number;
            return true;
        }
        const qulonglong big = text.trimmed().toULongLong(&ok);
        out = big;
        return ok;
    }
    if (element == QLatin1String("real")) {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("nan")) {
            out = std::numeric_limits<double>::quiet_NaN();
            return true;
        }
        if (t == QLatin1String("+infinity") || t == QLatin1String("infinity") || t == QLatin1String("-infinity")) {
            out = (t.startsWith('-') ? -1 : 1) * std::numeric_limits<double>::infinity();
            return true;
        }
        bool ok = false;
        out = t.toDouble(&ok);
        return ok;
    }
    if (element == QLatin1String("date")) {
        QDateTime when = QDateTime::fromString(text.trimmed(), Qt::ISODate);
        if (!when.isValid())
            return false;
        out = when.toUTC();
        return true;
    }
    if (element == QLatin1String("data")) {
        out = QByteArray::fromBase64(text.toLatin1());
        return true;
    }
    return false;
}

} // namespace

QSettings::Format CPlistSettingsFormat::Format()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("plist"), &ReadSettings, &WriteSettings);
    return format;
}

bool CPlistSettingsFormat::Read(QIODevice& device, QSettings::SettingsMap& map)
{
    if (!device.isSequential() && device.size() > kMaxFileBytes)
        return false;
    QByteArray text;
    for (;;) {
        const QByteArray chunk = device.read(64 * 1024);
        if (chunk.isEmpty())
            break;
        text += chunk;
        if (text.size() > kMaxFileBytes)
            return false;
    }
    return ReadText(text, map);
}

bool CPlistSettingsFormat::ReadText(const QByteArray& text, QSettings::SettingsMap& map)
{
    if (!QuentaBased::CallGuardedVoid(__LINE__, __FILE__, [&] {
            QuentaBased::check_stored_xml(text.constData(), static_cast<size_t>(text.size()), kSettingsBounds,
                                          "(settings)");
        }))
        return false;
    QXmlStreamReader xml(text);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("plist"))
        return false;
    if (!xml.readNextStartElement())
        return !xml.hasError(); // an empty list
    if (xml.name() != QLatin1String("dict"))
        return false;
    QVariantMap entries;
    if (!ReadDict(xml, entries, 1))
        return false;
    // Nothing but white space may follow the list.
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement())
            return false;
    }
    if (xml.hasError())
        return false;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it)
        map.insert(it.key(), it.value());
    return true;
}

bool CPlistSettingsFormat::Write(QIODevice& device, const QSettings::SettingsMap& map)
{
    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1); // one tab per level
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("dict"));
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (!Writable(it.value()))
            continue;
        xml.writeTextElement(QStringLiteral("key"), it.key());
        WriteValue(xml, it.value());
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError();
}
