#pragma once

// The video and audio parameters of the profile chosen on a format, device or
// editing-program page: eight lists offering the profile's own choices, the
// audio bitrates narrowed by the device database, and the choices written
// back into the same profile when the page hands it out. Never owns the
// profile it edits.

#include <QFlags>
#include <QFrame>
#include <QString>
#include <QVariant>

class IColItem;
class IMirendo;
class IProfile;
class ProfileNodeManager;
class QComboBox;
namespace Ui { class VProfileParamWidget; }

// The text of a list: its line edit's when editable, else its current item's.
// Null throws 10021003 "Bad pointer".
QString C_CBBTEXT(QComboBox* pComboBox);

// Reads a channel text: a channel name, or a plain positive count for a
// count that has no name. -1 when it is neither.
int ChannelCountOfText(const QString& text);

class VProfileParamWidget : public QFrame
{
    Q_OBJECT
public:
    enum ColItemFlag
    {
        FlagChannelNames = 2,
        FlagEditable = 4,
        FlagBitrateNames = 8,
    };
    Q_DECLARE_FLAGS(ColItemFlags, ColItemFlag)

    explicit VProfileParamWidget(QWidget* parent = nullptr);
    ~VProfileParamWidget() override;

    void setProfileNodeManager(ProfileNodeManager* pMgr) { m_pNodeMgr = pMgr; }
    // Shows the profile (null: nothing shown, "Bad pointer" recorded); never throws.
    void showProfile(IProfile* profile);
    // Writes the lists into the shown profile; false with the reason recorded.
    bool SaveSettingToCurProfile();
    // Throws CBaseException; a failure writes nothing.
    bool saveToProfile(IProfile* profile, bool bAsk);
    void setComcoboxStyleSheet(QString sheet);
    void Retranslate();
    bool event(QEvent* e) override;

    // Fills one list with a column's choices and selects the value; throws.
    void showColItem(IColItem* pItem, QComboBox* pComboBox, QVariant value, ColItemFlags flags);

    IProfile* currentProfile() const { return m_pCurProfile; }

public slots:
    void cbbFilter_currentIndexChanged(int index);
    void cbb_editTextChanged(const QString&) {}
    void cbb_currentIndexChanged(int) {}
    void cbbVCodec_currentIndexChanged(int) {}

private:
    void initPageControlElems();
    void doShowProfile(IProfile* profile);

    Ui::VProfileParamWidget* ui;
    ProfileNodeManager* m_pNodeMgr = nullptr;
    IProfile* m_pCurProfile = nullptr;
    QString m_styleSheet;
    IMirendo* m_pMirendo = nullptr;
    bool m_bFilling = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(VProfileParamWidget::ColItemFlags)

namespace ProfileParamText {
// The "original"/"auto" replacement of a shown value, then its text.
QString ValueText(const QVariant& value);
// Fills `box` after the shared rule of both editors; `rename` 2 or 8 or 0,
// `editable` whether flag 4 was given.
void FillList(IColItem* pItem, QComboBox* pComboBox, const QVariant& value, int rename, bool editable,
              const QString& styleSheet);
// The text a profile's picture size is shown by ("0" stands for "original").
QString SizeText(int width, int height);
// Splits a size text into width and height after the editors' rule.
void ReadSize(const QString& text, int& width, int& height);
} // namespace ProfileParamText
