#include "VDCPreferenceAccelerate.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "AppConfigure/CHardwareInfo.h"
#include "ui_VDCPreferenceAccelerate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpacerItem>
#include <QToolButton>
#include <QVBoxLayout>

VDCPreferenceAccelerate::VDCPreferenceAccelerate(QWidget* parent)
    : VDCPreferencePageWidget(parent), m_ui(new Ui_VDCPreferenceAccelerate)
{
    m_ui->setupUi(this);
    m_function = Accelerate;
    Retranslate();
}

VDCPreferenceAccelerate::~VDCPreferenceAccelerate()
{
    delete m_ui;
}

void VDCPreferenceAccelerate::Retranslate()
{
    m_ui->retranslateUi(this);
    m_pageName = tr("Acceleration");

    CAppFixedInfo* fixedInfo = CAppFixedInfo::GetInstance();
    const QString color = CAppVariableInfo::GetInstance()
                              ->GetInfoValue(QString::fromLatin1(VARIABLE_INFO_URL_COLOR), QVariant())
                              .toString();
    const QString more = tr("Learn More...");
    const QString pattern = QStringLiteral("<a href=\"%1\"style=\"color:#%2\">%3</a>");

    const QString encoderUrl = fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_ENCODER_URL)).toString();
    m_ui->lblEncoderMore->setText(pattern.arg(encoderUrl, color, more));
    m_ui->lblEncoderMore->setToolTip(encoderUrl);
    // A link without an address would lead nowhere.
    m_ui->lblEncoderMore->setHidden(encoderUrl.trimmed().isEmpty());

    const QString decoderUrl = fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_DECODER_URL)).toString();
    m_ui->lblDecoderMore->setText(pattern.arg(decoderUrl, color, more));
    m_ui->lblDecoderMore->setToolTip(decoderUrl);
    m_ui->lblDecoderMore->setHidden(decoderUrl.trimmed().isEmpty());

    // The logos are skin images; without them the buttons name the makers.
    if (m_ui->btnCUDALogo->icon().isNull())
        m_ui->btnCUDALogo->setText(QStringLiteral("NVIDIA CUDA"));
    if (m_ui->btnAMDLogo->icon().isNull())
        m_ui->btnAMDLogo->setText(QStringLiteral("AMD APP"));
}

bool VDCPreferenceAccelerate::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QWidget::event(e);
}

void VDCPreferenceAccelerate::initPageInfo()
{
    CHardwareInfo* hw = CHardwareInfo::GetInstance();
    const bool cudaEnc = hw->EnableUseCUDAEnc();
    const bool amdEnc = hw->EnableUseAMDEnc();
    m_ui->cbxCUDA->setEnabled(cudaEnc);
    m_ui->btnCUDALogo->setEnabled(cudaEnc);
    m_ui->cbxAMDApp->setEnabled(amdEnc);
    m_ui->btnAMDLogo->setEnabled(amdEnc);
    m_ui->rbtnCUDADec->setEnabled(hw->EnableUseCUDADec());
    m_ui->rbtnIntelDec->setEnabled(hw->EnableUseIntelSDK());

    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    m_ui->cbxCUDA->setChecked(
        settings->GetInfoValue(QString::fromLatin1(VARIABLE_INFO_USECUDAENC), QVariant()).toBool());
    m_ui->cbxAMDApp->setChecked(
        settings->GetInfoValue(QString::fromLatin1(VARIABLE_INFO_USEAMDENC), QVariant()).toBool());

    const QString decoderKey = QString::fromLatin1(VARIABLE_INFO_H264DECODER_INDEX);
    switch (settings->GetInfoValue(decoderKey, QVariant()).toInt()) {
    case 1: m_ui->rbtnCUDADec->setChecked(true); break;
    case 2: m_ui->rbtnIntelDec->setChecked(true); break;
    case 4: m_ui->rbtnSystemDec->setChecked(true); break;
    default:
        m_ui->rbtnSystemDec->setChecked(true);
        settings->SetInfoValue(decoderKey, QVariant(4));
        break;
    }
}

void VDCPreferenceAccelerate::accept()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_USECUDAENC), QVariant(m_ui->cbxCUDA->isChecked()));
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_USEAMDENC), QVariant(m_ui->cbxAMDApp->isChecked()));
    int decoder = 4;
    if (m_ui->rbtnCUDADec->isChecked())
        decoder = 1;
    else if (m_ui->rbtnIntelDec->isChecked())
        decoder = 2;
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_H264DECODER_INDEX), QVariant(decoder));
}
