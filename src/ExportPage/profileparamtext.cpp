#include "profileparamtext.h"

#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileManager/ProfileMap.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
const char* const kSource = "src/ExportPage/profileparamtext";
} // namespace

namespace ProfileParamText {

QString ValueText(const QVariant& value)
{
    ProfileMap& names = ProfileMap::instance;
    if (value.type() == QVariant::String) {
        const QString text = value.toString();
        if (text == "0")
            return names.strOriginal;
        if (text == "-1" || text == "-1*-1")
            return names.strAuto;
        return text;
    }
    if (value.isValid()) {
        const double number = value.toDouble();
        if (number == 0)
            return names.strOriginal;
        if (number == -1)
            return names.strAuto;
    }
    return value.toString();
}

void FillList(IColItem* pItem, QComboBox* pComboBox, const QVariant& value, ListNames names, bool editable,
              const QString& styleSheet)
{
    if (!pItem || !pComboBox)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    const char* list = pItem->GetValueList();
    QStringList entries = QString::fromLatin1(list ? list : "").split(',', Qt::SkipEmptyParts, Qt::CaseSensitive);
    pComboBox->clear();
    pComboBox->setEnabled(true);
    const QString text = ValueText(value);
    int position = entries.indexOf(text);
    if (names == ListNames::Channels) {
        ProfileMap::instance.mapNamesOfAChannel(entries);
    } else if (names == ListNames::Bitrates) {
        ProfileMap::instance.mapNamesOfVBitrate(entries);
    } else if (editable) {
        // Columns may list "keep the source's value" and "automatic" by their
        // numbers (0, -1, -1*-1); they are offered by name, so that choosing
        // one saves what it means.
        for (QString& entry : entries)
            entry = ValueText(entry);
    }
    if (position < 0)
        position = entries.indexOf(text);
    if (editable) {
        const bool offersOriginal = entries.contains(ProfileMap::instance.strOriginal);
        pComboBox->setEditable(offersOriginal);
        if (offersOriginal && pComboBox->lineEdit())
            pComboBox->lineEdit()->setFont(pComboBox->font());
        // A number is kept as typed: completing 1200 from a listed 12000
        // would store ten times the bitrate the user asked for.
        if (offersOriginal)
            pComboBox->setCompleter(nullptr);
    }
    pComboBox->addItems(entries);
    if (position >= 0)
        pComboBox->setCurrentIndex(position);
    else
        pComboBox->setEditText(text);
    pComboBox->setStyleSheet(styleSheet);
}

QString SizeText(int width, int height)
{
    // Both 0 keep the source's size and read back as "original"; a size
    // with one side 0 has no text of its own.
    if (width == 0 && height == 0)
        return QStringLiteral("0");
    if (width == 0 || height == 0)
        return QString();
    return QString("%1*%2").arg(width).arg(height);
}

void ReadSize(const QString& text, int& width, int& height)
{
    const QStringList parts = text.split('*', Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.size() == 1) {
        const bool original = parts.first().compare(ProfileMap::instance.strOriginal, Qt::CaseInsensitive) == 0;
        width = height = original ? 0 : -1;
    } else {
        // Three or more parts read the first two, like two.
        width = parts.at(0).toInt();
        height = parts.at(1).toInt();
    }
    if (width < -1)
        width = 0;
    if (height < -1)
        height = 0;
}

} // namespace ProfileParamText
