#include "VRichMessageBox.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "ui_VRichMessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>

VRichMessageBox::VRichMessageBox(QWidget* parent, QDialogButtonBox::StandardButtons buttons, QMessageBox::Icon icon,
                                 ControlElements elements)
    : VBaseDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_ui(new Ui_VRichMessageBox), m_fixedInfo(CAppFixedInfo::GetInstance())
{
    m_ui->setupUi(getContentWidget());
    // The form lives on the content widget, but the slots are the box's own.
    connect(m_ui->cbxOption, &QCheckBox::stateChanged, this, &VRichMessageBox::on_cbxOption_stateChanged);
    connect(m_ui->edtRich, &QTextBrowser::anchorClicked, this, &VRichMessageBox::on_edtRich_anchorClicked);
    m_ui->buttonBox->setStandardButtons(buttons);
    setOnlyCloseButton(true);
    setIcon(icon);
    setControlElements(elements);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_ui->buttonBox, &QDialogButtonBox::clicked, this, &VRichMessageBox::slot_BoxButton_clicked);
    SetMsgBoxHeight(135);
    SetMsgBoxWidth(350);
    m_ui->lblCaption->setOpenExternalLinks(true);
    m_ui->edtRich->setOpenExternalLinks(false);
    m_ui->edtRich->setOpenLinks(false);
    setWindowTitle(m_fixedInfo ? m_fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_PRODUCTNAME)).toString()
                               : QString());
}

VRichMessageBox::~VRichMessageBox()
{
    delete m_ui;
}

void VRichMessageBox::setIcon(QMessageBox::Icon icon)
{
    m_icon = icon;
    QStyle* st = style();
    const int size = st->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    QStyle::StandardPixmap pixmap;
    switch (icon) {
    case QMessageBox::Information: pixmap = QStyle::SP_MessageBoxInformation; break;
    case QMessageBox::Warning: pixmap = QStyle::SP_MessageBoxWarning; break;
    case QMessageBox::Critical: pixmap = QStyle::SP_MessageBoxCritical; break;
    case QMessageBox::Question: pixmap = QStyle::SP_MessageBoxQuestion; break;
    default:
        m_ui->lblIcon->setPixmap(QPixmap());
        m_ui->lblIcon->setFixedSize(0, 0);
        return;
    }
    m_ui->lblIcon->setFixedSize(size + 10, size + 10);
    m_ui->lblIcon->setPixmap(st->standardIcon(pixmap, nullptr, this).pixmap(size, size, QIcon::Normal, QIcon::Off));
}

void VRichMessageBox::setControlElements(ControlElements elements)
{
    m_ui->lblCaption->setVisible(elements.testFlag(ShowCaption));
    m_ui->cbxOption->setVisible(elements.testFlag(ShowCheckBox));
    m_ui->edtRich->setVisible(elements.testFlag(ShowRichText));
}

void VRichMessageBox::SetCaption(const QString& sText)
{
    m_ui->lblCaption->setText(sText);
}

void VRichMessageBox::SetRichText(const QString& sHtml)
{
    m_ui->edtRich->setHtml(sHtml);
}

void VRichMessageBox::SetCheckBoxText(const QString& sText)
{
    m_ui->cbxOption->setText(sText);
}

void VRichMessageBox::SetChecked(bool bChecked)
{
    m_ui->cbxOption->setChecked(bChecked);
}

bool VRichMessageBox::GetChecked() const
{
    return m_ui->cbxOption->isChecked();
}

void VRichMessageBox::SetDefaultButton(QDialogButtonBox::StandardButton button)
{
    if (QPushButton* b = m_ui->buttonBox->button(button))
        b->setDefault(true);
}

void VRichMessageBox::SetStandardButtons(QDialogButtonBox::StandardButtons buttons)
{
    m_ui->buttonBox->setStandardButtons(buttons);
    // The buttons the lists named are gone with the old set.
    m_enabledWhenChecked.clear();
    m_enabledWhenUnchecked.clear();
}

void VRichMessageBox::connectCheckBoxChange(QDialogButtonBox::StandardButton button, bool bWhenChecked)
{
    QPushButton* b = m_ui->buttonBox->button(button);
    if (!b)
        return;
    if (bWhenChecked)
        m_enabledWhenChecked.append(b);
    else
        m_enabledWhenUnchecked.append(b);
}

void VRichMessageBox::SetMsgBoxWidth(int nWidth)
{
    m_msgBoxWidth = nWidth;
    setFixedWidth(nWidth);
}

void VRichMessageBox::SetMsgBoxHeight(int nHeight)
{
    m_msgBoxHeight = nHeight;
    setFixedHeight(nHeight);
}

void VRichMessageBox::setBtnBoxMinHeight(int nHeight)
{
    m_ui->buttonBox->setMinimumHeight(nHeight);
}

int VRichMessageBox::getBtnBoxMinHeight() const
{
    return m_ui->buttonBox->minimumHeight();
}

QString VRichMessageBox::notifySoundPath() const
{
    const char* file = nullptr;
    switch (m_icon) {
    case QMessageBox::Information:
    case QMessageBox::Question: file = "notify.wav"; break;
    case QMessageBox::Warning: file = "warning.wav"; break;
    case QMessageBox::Critical: file = "error.wav"; break;
    default: return QString();
    }
    const QString sep = QDir::separator();
    return QCoreApplication::applicationDirPath() + sep + QStringLiteral("sound") + sep + QString::fromLatin1(file);
}

void VRichMessageBox::playNotifySound()
{
    const QString path = notifySoundPath();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    // The effect outlives the box (most boxes are gone before the sound ends)
    // and removes itself once it has played or failed to.
    QSoundEffect* effect = new QSoundEffect(QCoreApplication::instance());
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying() && effect->status() != QSoundEffect::Loading)
            effect->deleteLater();
    });
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
        else if (effect->status() == QSoundEffect::Ready && !effect->isPlaying())
            effect->play();
    });
    effect->setSource(QUrl::fromLocalFile(path));
    if (effect->status() == QSoundEffect::Ready)
        effect->play();
}

int VRichMessageBox::exec()
{
    playNotifySound();
    return QDialog::exec();
}

void VRichMessageBox::on_cbxOption_stateChanged(int nState)
{
    const bool checked = nState == Qt::Checked;
    for (QPushButton* b : qAsConst(m_enabledWhenChecked))
        b->setEnabled(checked);
    for (QPushButton* b : qAsConst(m_enabledWhenUnchecked))
        b->setEnabled(!checked);
}

void VRichMessageBox::on_edtRich_anchorClicked(const QUrl& link)
{
    QDesktopServices::openUrl(link);
}

void VRichMessageBox::slot_BoxButton_clicked(QAbstractButton* button)
{
    m_resultButton = m_ui->buttonBox->standardButton(button);
}

void VRichMessageBox::showEvent(QShowEvent* e)
{
    on_cbxOption_stateChanged(m_ui->cbxOption->checkState());
    setFixedWidth(m_msgBoxWidth);
    // A message longer than the fixed height allows would be cut off unread:
    // the box then grows just enough to show it whole, never past the screen.
    int height = m_msgBoxHeight;
    if (QLayout* boxLayout = layout()) {
        boxLayout->activate();
        if (boxLayout->hasHeightForWidth())
            height = qMax(height, boxLayout->totalHeightForWidth(m_msgBoxWidth));
    }
    if (QScreen* shownOn = screen())
        height = qMax(m_msgBoxHeight, qMin(height, shownOn->availableGeometry().height()));
    setFixedHeight(height);
    VBaseDialog::showEvent(e);
}

namespace {

QString doNotShowAgainText()
{
    return QObject::tr("Do not show this message again.");
}

bool readFlag(const QString& sKey)
{
    return CAppVariableInfo::GetInstance()->GetInfoValue(sKey, QVariant(true)).toBool();
}

} // namespace

void ExecPromptMessageBox(const QString& sText, QDialogButtonBox::StandardButton button, QMessageBox::Icon icon)
{
    VRichMessageBox box(nullptr, button, icon, VRichMessageBox::ShowCaption);
    box.SetDefaultButton(button);
    box.SetCaption(sText);
    box.exec();
}

void ExecVarAttrInfoMessageBox(const QString& sKey, const QString& sText, QDialogButtonBox::StandardButton button,
                               QMessageBox::Icon icon)
{
    // Called from slots all over the program: a settings failure is recorded,
    // never thrown on into Qt.
    QB_GUARDED_VOID({
        if (!readFlag(sKey))
            return;
        VRichMessageBox box(nullptr, button, icon, VRichMessageBox::ShowCaption | VRichMessageBox::ShowCheckBox);
        box.SetDefaultButton(button);
        box.SetCaption(sText);
        box.SetCheckBoxText(doNotShowAgainText());
        box.SetChecked(false);
        box.exec();
        if (box.resultButton() != QDialogButtonBox::NoButton)
            CAppVariableInfo::GetInstance()->SetInfoValue(sKey, QVariant(!box.GetChecked()));
    });
}

bool ExecVarAttrConfirmMessageBox(const QString& sAnswerKey, const QString& sShowKey, const QString& sText,
                                  QDialogButtonBox::StandardButton first, QDialogButtonBox::StandardButton second,
                                  QMessageBox::Icon icon, QDialogButtonBox::StandardButton locked)
{
    // A failure answers "no": nothing is done that the user did not confirm.
    return QB_GUARDED(false, {
        CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
        if (readFlag(sShowKey)) {
            VRichMessageBox box(nullptr, first | second, icon,
                                VRichMessageBox::ShowCaption | VRichMessageBox::ShowCheckBox);
            box.SetDefaultButton(second);
            box.SetCaption(sText);
            box.SetCheckBoxText(doNotShowAgainText());
            box.SetChecked(false);
            if (locked != QDialogButtonBox::NoButton)
                box.connectCheckBoxChange(locked, false);
            const int result = box.exec();
            settings->SetInfoValue(sAnswerKey, QVariant(result == QDialog::Accepted));
            if (box.resultButton() != QDialogButtonBox::NoButton)
                settings->SetInfoValue(sShowKey, QVariant(!box.GetChecked()));
        }
        return readFlag(sAnswerKey);
    });
}
