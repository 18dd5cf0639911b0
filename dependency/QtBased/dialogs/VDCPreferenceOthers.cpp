#include "VDCPreferenceOthers.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "VRichMessageBox.h"
#include "ui_VDCPreferenceOthers.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpacerItem>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A snapshot size outside its range becomes the key's shipped default; when
// that default is missing or itself out of range the size is clamped into the
// range instead, so a 0 (nothing stored, nothing shipped) never reaches the
// snapshot code.
int sizeInRange(const char* key, int nValue, int nMin, int nMax)
{
    if (nValue >= nMin && nValue <= nMax)
        return nValue;
    bool ok = false;
    const int def = CAppVariableInfo::GetInstance()->GetInfoDefaultValue(QString::fromLatin1(key)).toInt(&ok);
    if (ok && def >= nMin && def <= nMax)
        return def;
    return qBound(nMin, nValue, nMax);
}

} // namespace

VDCPreferenceOthers::VDCPreferenceOthers(QWidget* parent)
    : VDCPreferencePageWidget(parent), m_ui(new Ui_VDCPreferenceOthers)
{
    m_ui->setupUi(this);
    m_function = Others;
    m_ui->spnbxWidth->setRange(10, 1920);
    m_ui->spnbxHeight->setRange(10, 1080);
    Retranslate();
}

VDCPreferenceOthers::~VDCPreferenceOthers()
{
    delete m_ui;
}

void VDCPreferenceOthers::Retranslate()
{
    m_ui->retranslateUi(this);
    m_pageName = tr("Others");
}

bool VDCPreferenceOthers::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QWidget::event(e);
}

void VDCPreferenceOthers::initPageInfo()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    const bool orgSize =
        settings->GetInfoValue(QString::fromLatin1(VARIABLE_INFO_SNAPSHOTASORGSIZE), QVariant()).toBool();
    m_ui->cbxOriginalSize->setChecked(orgSize);
    m_ui->spnbxWidth->setEnabled(!orgSize);
    m_ui->spnbxHeight->setEnabled(!orgSize);

    const QString widthKey = QString::fromLatin1(VARIABLE_INFO_SNAPSHOTWIDTH);
    const QString heightKey = QString::fromLatin1(VARIABLE_INFO_SNAPSHOTHEIGHT);
    int width = settings->GetInfoValue(widthKey, QVariant()).toInt();
    int height = settings->GetInfoValue(heightKey, QVariant()).toInt();
    const int fixedWidth = sizeInRange(VARIABLE_INFO_SNAPSHOTWIDTH, width, 10, 1920);
    if (fixedWidth != width) {
        width = fixedWidth;
        settings->SetInfoValue(widthKey, QVariant(width));
    }
    const int fixedHeight = sizeInRange(VARIABLE_INFO_SNAPSHOTHEIGHT, height, 10, 1080);
    if (fixedHeight != height) {
        height = fixedHeight;
        settings->SetInfoValue(heightKey, QVariant(height));
    }
    m_ui->spnbxWidth->setValue(width);
    m_ui->spnbxHeight->setValue(height);

    m_ui->cbShowWizard->setChecked(
        settings->GetInfoValue(QString::fromLatin1(STR_APPVARINFO_OPEN_CAMWIZARD_DLG), QVariant()).toBool());
}

void VDCPreferenceOthers::accept()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_SNAPSHOTASORGSIZE),
                           QVariant(m_ui->cbxOriginalSize->isChecked()));
    const int width = sizeInRange(VARIABLE_INFO_SNAPSHOTWIDTH, m_ui->spnbxWidth->value(), 10, 1920);
    const int height = sizeInRange(VARIABLE_INFO_SNAPSHOTHEIGHT, m_ui->spnbxHeight->value(), 10, 1080);
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_SNAPSHOTWIDTH), QVariant(width));
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_SNAPSHOTHEIGHT), QVariant(height));
    settings->SetInfoValue(QString::fromLatin1(STR_APPVARINFO_OPEN_CAMWIZARD_DLG),
                           QVariant(m_ui->cbShowWizard->isChecked()));
}

void VDCPreferenceOthers::on_cbxOriginalSize_stateChanged(int nState)
{
    const bool enable = nState != Qt::Checked;
    m_ui->spnbxWidth->setEnabled(enable);
    m_ui->spnbxHeight->setEnabled(enable);
}

void VDCPreferenceOthers::on_btnResetHint_clicked()
{
    QB_GUARDED_VOID({
        CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
        for (const char* key : {STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX, STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY,
                                STR_APPVARINFO_MSG_IMPORT_SUBDIR_OPTION})
            settings->SetInfoValue(QString::fromLatin1(key), QVariant(true));
        ExecPromptMessageBox(tr("Reset succeeded!"), QDialogButtonBox::Ok, QMessageBox::Information);
    });
}
