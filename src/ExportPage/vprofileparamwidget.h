#pragma once

// The video and audio parameters of the profile chosen on a format, device or
// editing-program page: eight lists offering the profile's own choices, the
// audio bitrates narrowed by the device database, and the choices written
// back into the same profile when the page hands it out. Never owns the
// profile it edits.

#include "vprofileparambase.h"

#include <QString>
#include <QVariant>

class IColItem;
class QComboBox;
namespace Ui {
class VProfileParamWidget;
}

// The text of a list: its line edit's when editable, else its current item's.
// Null throws 10021003 "Bad pointer".
QString C_CBBTEXT(QComboBox* pComboBox);

// Reads a channel text: a channel name, or a plain positive count for a
// count that has no name. -1 when it is neither.
int ChannelCountOfText(const QString& text);

class VProfileParamWidget : public VProfileParamBase
{
    Q_OBJECT
public:
    explicit VProfileParamWidget(QWidget* parent = nullptr);
    ~VProfileParamWidget() override;

    void setComcoboxStyleSheet(QString sheet) override;
    void Retranslate() override;

public slots:
    void cbbFilter_currentIndexChanged(int index);
    void cbb_editTextChanged(const QString&) {}
    void cbb_currentIndexChanged(int) {}
    void cbbVCodec_currentIndexChanged(int) {}

protected:
    void fillLists(IProfile* profile) override;
    bool writeLists(IProfile* profile, bool bAsk) override;

private:
    void initPageControlElems();

    Ui::VProfileParamWidget* ui;
    bool m_bFilling = false;
};
