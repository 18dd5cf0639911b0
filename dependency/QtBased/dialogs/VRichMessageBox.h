#pragma once

#include "VBaseDialog.h"

#include <QDialogButtonBox>
#include <QList>
#include <QMessageBox>
#include <QUrl>

class QAbstractButton;
class QPushButton;
class CAppFixedInfo;
class Ui_VRichMessageBox;

// The program's message box: icon, caption, optional rich text, optional
// "do not show again" check box and a row of standard buttons; plays the
// icon's notification sound as it opens. Lives for one showing.
class VRichMessageBox : public VBaseDialog
{
    Q_OBJECT
    Q_PROPERTY(int MsgBoxHeight READ GetMsgBoxHeight WRITE SetMsgBoxHeight)
    Q_PROPERTY(int MsgBoxWidth READ GetMsgBoxWidth WRITE SetMsgBoxWidth)
    Q_PROPERTY(int btnBoxMinHeight READ getBtnBoxMinHeight WRITE setBtnBoxMinHeight)

public:
    enum ControlElement { ShowCaption = 1, ShowRichText = 2, ShowCheckBox = 4 };
    Q_DECLARE_FLAGS(ControlElements, ControlElement)

    VRichMessageBox(QWidget* parent, QDialogButtonBox::StandardButtons buttons, QMessageBox::Icon icon,
                    ControlElements elements);
    ~VRichMessageBox() override;

    void setIcon(QMessageBox::Icon icon);
    QMessageBox::Icon icon() const { return m_icon; }
    void setControlElements(ControlElements elements);
    void SetCaption(const QString& sText);
    void SetRichText(const QString& sHtml);
    void SetCheckBoxText(const QString& sText);
    void SetChecked(bool bChecked);
    bool GetChecked() const;
    void SetDefaultButton(QDialogButtonBox::StandardButton button);
    void SetStandardButtons(QDialogButtonBox::StandardButtons buttons);
    // The button is enabled only while the check box is ticked (true) or only
    // while it is not (false). A button the box does not hold is ignored.
    void connectCheckBoxChange(QDialogButtonBox::StandardButton button, bool bWhenChecked);

    void SetMsgBoxWidth(int nWidth);
    void SetMsgBoxHeight(int nHeight);
    int GetMsgBoxWidth() const { return m_msgBoxWidth; }
    int GetMsgBoxHeight() const { return m_msgBoxHeight; }
    void setBtnBoxMinHeight(int nHeight);
    int getBtnBoxMinHeight() const;

    // The standard button last clicked; NoButton when none was.
    QDialogButtonBox::StandardButton resultButton() const { return m_resultButton; }

    // The sound file for the current icon ("" for none); it may not exist.
    QString notifySoundPath() const;
    // Plays the icon's sound once, without waiting; a missing file or no
    // audio device is silent.
    void playNotifySound();

public Q_SLOTS:
    int exec() override;

private Q_SLOTS:
    void on_cbxOption_stateChanged(int nState);
    void on_edtRich_anchorClicked(const QUrl& link);
    void slot_BoxButton_clicked(QAbstractButton* button);

protected:
    void showEvent(QShowEvent* e) override;

private:
    Ui_VRichMessageBox* m_ui;
    QList<QPushButton*> m_enabledWhenChecked;
    QList<QPushButton*> m_enabledWhenUnchecked;
    int m_msgBoxHeight = 135;
    int m_msgBoxWidth = 350;
    CAppFixedInfo* m_fixedInfo;
    QDialogButtonBox::StandardButton m_resultButton = QDialogButtonBox::NoButton;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(VRichMessageBox::ControlElements)

// A notice with one button.
void ExecPromptMessageBox(const QString& sText, QDialogButtonBox::StandardButton button, QMessageBox::Icon icon);

// A notice the user can switch off; the boolean setting sKey remembers it.
// Closing the box by Escape or its close button stores nothing.
void ExecVarAttrInfoMessageBox(const QString& sKey, const QString& sText, QDialogButtonBox::StandardButton button,
                               QMessageBox::Icon icon);

// A two-button question; the answer is stored under sAnswerKey on every
// showing and the show flag under sShowKey. Once switched off, the stored
// answer is returned without asking (true when none was ever stored).
// The locked button is disabled while the check box is ticked, so a
// remembered answer can only come from the other button.
bool ExecVarAttrConfirmMessageBox(const QString& sAnswerKey, const QString& sShowKey, const QString& sText,
                                  QDialogButtonBox::StandardButton first, QDialogButtonBox::StandardButton second,
                                  QMessageBox::Icon icon, QDialogButtonBox::StandardButton locked);
