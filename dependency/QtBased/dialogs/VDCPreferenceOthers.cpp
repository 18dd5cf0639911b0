#include "VDCPreferenceOthers.h"

#include "AppConfigDefines.h"
#include "CAppVariableInfo.h"
#include "CBaseException.h"
#include "VRichMessageBox.h"

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

class Ui_VDCPreferenceOthers
{
public:
    QVBoxLayout* verticalLayout_2;
    QGroupBox* gbSnapshot;
    QGridLayout* gridLayout;
    QLabel* lblWidth;
    QSpinBox* spnbxWidth;
    QLabel* lblHeight;
    QSpinBox* spnbxHeight;
    QCheckBox* cbxOriginalSize;
    QGroupBox* gpbCamcorder;
    QVBoxLayout* verticalLayout_3;
    QCheckBox* cbShowWizard;
    QGroupBox* gpbResetCheck;
    QVBoxLayout* verticalLayout;
    QLabel* lblResetHint;
    QToolButton* btnResetHint;

    void setupUi(QWidget* page)
    {
        if (page->objectName().isEmpty())
            page->setObjectName(QStringLiteral("VDCPreferenceOthers"));
        page->resize(400, 300);
        verticalLayout_2 = new QVBoxLayout(page);
        verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
        verticalLayout_2->setSpacing(20);
        verticalLayout_2->setContentsMargins(11, 11, 11, 11);

        gbSnapshot = new QGroupBox(page);
        gbSnapshot->setObjectName(QStringLiteral("gbSnapshot"));
        gridLayout = new QGridLayout(gbSnapshot);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));
        gridLayout->setSpacing(6);
        gridLayout->setContentsMargins(11, 11, 11, 11);
        lblWidth = new QLabel(gbSnapshot);
        lblWidth->setObjectName(QStringLiteral("lblWidth"));
        gridLayout->addWidget(lblWidth, 1, 0);
        spnbxWidth = new QSpinBox(gbSnapshot);
        spnbxWidth->setObjectName(QStringLiteral("spnbxWidth"));
        spnbxWidth->setMinimumWidth(60);
        spnbxWidth->setRange(10, 1920);
        gridLayout->addWidget(spnbxWidth, 1, 1);
        lblHeight = new QLabel(gbSnapshot);
        lblHeight->setObjectName(QStringLiteral("lblHeight"));
        gridLayout->addWidget(lblHeight, 1, 2);
        spnbxHeight = new QSpinBox(gbSnapshot);
        spnbxHeight->setObjectName(QStringLiteral("spnbxHeight"));
        spnbxHeight->setMinimumWidth(60);
        spnbxHeight->setRange(10, 1080);
        gridLayout->addWidget(spnbxHeight, 1, 3);
        cbxOriginalSize = new QCheckBox(gbSnapshot);
        cbxOriginalSize->setObjectName(QStringLiteral("cbxOriginalSize"));
        gridLayout->addWidget(cbxOriginalSize, 0, 0, 1, 4);
        lblWidth->setBuddy(spnbxWidth);
        lblHeight->setBuddy(spnbxHeight);
        verticalLayout_2->addWidget(gbSnapshot);

        gpbCamcorder = new QGroupBox(page);
        gpbCamcorder->setObjectName(QStringLiteral("gpbCamcorder"));
        verticalLayout_3 = new QVBoxLayout(gpbCamcorder);
        verticalLayout_3->setObjectName(QStringLiteral("verticalLayout_3"));
        verticalLayout_3->setSpacing(6);
        const QMargins m = verticalLayout_3->contentsMargins();
        verticalLayout_3->setContentsMargins(6, m.top(), 6, m.bottom());
        cbShowWizard = new QCheckBox(gpbCamcorder);
        cbShowWizard->setObjectName(QStringLiteral("cbShowWizard"));
        verticalLayout_3->addWidget(cbShowWizard);
        verticalLayout_2->addWidget(gpbCamcorder);

        gpbResetCheck = new QGroupBox(page);
        gpbResetCheck->setObjectName(QStringLiteral("gpbResetCheck"));
        gpbResetCheck->setFlat(false);
        verticalLayout = new QVBoxLayout(gpbResetCheck);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        verticalLayout->setSpacing(6);
        verticalLayout->setContentsMargins(11, 11, 11, 11);
        lblResetHint = new QLabel(gpbResetCheck);
        lblResetHint->setObjectName(QStringLiteral("lblResetHint"));
        lblResetHint->setWordWrap(true);
        verticalLayout->addWidget(lblResetHint);
        btnResetHint = new QToolButton(gpbResetCheck);
        btnResetHint->setObjectName(QStringLiteral("btnResetHint"));
        btnResetHint->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        btnResetHint->setMinimumSize(75, 21);
        verticalLayout->addWidget(btnResetHint);
        verticalLayout_2->addWidget(gpbResetCheck);

        verticalLayout_2->addItem(
            new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
        retranslateUi(page);
    }

    void retranslateUi(QWidget*)
    {
        const char* ctx = "VDCPreferenceOthers";
        gbSnapshot->setTitle(QCoreApplication::translate(ctx, "Snapshot"));
        lblWidth->setText(QCoreApplication::translate(ctx, "Width:"));
        lblHeight->setText(QCoreApplication::translate(ctx, "Height:"));
        cbxOriginalSize->setText(QCoreApplication::translate(ctx, "Original Video Size"));
        gpbCamcorder->setTitle(
            QCoreApplication::translate(ctx, "Options when camcorder is connected"));
        cbShowWizard->setText(
            QCoreApplication::translate(ctx, "Launch wizard when camcorder is connected"));
        gpbResetCheck->setTitle(
            QCoreApplication::translate(ctx, "Reset confirmation message displays"));
        lblResetHint->setText(QCoreApplication::translate(
            ctx, "Pop back up with the \"Do not show this message again.\" information dialog"));
        btnResetHint->setText(QCoreApplication::translate(ctx, "Reset"));
    }
};

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
    const int def =
        CAppVariableInfo::GetInstance()->GetInfoDefaultValue(QString::fromLatin1(key)).toInt(&ok);
    if (ok && def >= nMin && def <= nMax)
        return def;
    return qBound(nMin, nValue, nMax);
}

} // namespace

VDCPreferenceOthers::VDCPreferenceOthers(QWidget* parent)
    : VDCPreferencePageWidget(parent)
    , m_ui(new Ui_VDCPreferenceOthers)
{
    m_ui->setupUi(this);
    connect(m_ui->cbxOriginalSize, &QCheckBox::stateChanged, this,
            &VDCPreferenceOthers::on_cbxOriginalSize_stateChanged);
    connect(m_ui->btnResetHint, &QToolButton::clicked, this,
            &VDCPreferenceOthers::on_btnResetHint_clicked);
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
        settings->GetInfoValue(QString::fromLatin1(VARIABLE_INFO_SNAPSHOTASORGSIZE), QVariant())
            .toBool();
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
        settings->GetInfoValue(QString::fromLatin1(STR_APPVARINFO_OPEN_CAMWIZARD_DLG), QVariant())
            .toBool());
}

void VDCPreferenceOthers::accept()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_SNAPSHOTASORGSIZE),
                           QVariant(m_ui->cbxOriginalSize->isChecked()));
    const int width = sizeInRange(VARIABLE_INFO_SNAPSHOTWIDTH, m_ui->spnbxWidth->value(), 10, 1920);
    const int height =
        sizeInRange(VARIABLE_INFO_SNAPSHOTHEIGHT, m_ui->spnbxHeight->value(), 10, 1080);
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
        for (const char* key : {STR_APPVARINFO_SHOW_OPEN_CAMWIZARD_MSGBOX,
                                STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY,
                                STR_APPVARINFO_MSG_IMPORT_SUBDIR_OPTION})
            settings->SetInfoValue(QString::fromLatin1(key), QVariant(true));
        ExecPromptMessageBox(tr("Reset succeeded!"), QDialogButtonBox::Ok,
                             QMessageBox::Information);
    });
}
