#pragma once

// How the profile editors show a profile's values in their lists and read
// them back: the "original"/"auto" names, the lists' shared filling rule and
// the picture size's text.

#include <QString>
#include <QVariant>

class IColItem;
class QComboBox;

namespace ProfileParamText {
// Which names a list's entries are shown by.
enum class ListNames {
    Plain,
    Channels,
    Bitrates,
};
// The "original"/"auto" replacement of a shown value, then its text.
QString ValueText(const QVariant& value);
// Fills `box` after the shared rule of both editors; `editable` lists offer
// "original" and "auto" by name.
void FillList(IColItem* pItem, QComboBox* pComboBox, const QVariant& value, ListNames names, bool editable,
              const QString& styleSheet);
// The text a profile's picture size is shown by ("0" stands for "original").
QString SizeText(int width, int height);
// Splits a size text into width and height after the editors' rule.
void ReadSize(const QString& text, int& width, int& height);
} // namespace ProfileParamText
