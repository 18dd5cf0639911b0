#include "VDCPreferenceAccelerate.h"

#include "AppConfigDefines.h"
#include "CAppFixedInfo.h"
#include "CAppVariableInfo.h"
#include "CHardwareInfo.h"

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

class Ui_VDCPreferenceAccelerate
{
public:
    QVBoxLayout* verticalLayout_2;
    QGroupBox* gbEncoder;
    QGridLayout* gridLayout_2;
    QCheckBox* cbxCUDA;
    QFrame* frmLogoBG;
    QGridLayout* gridLayout;
    QToolButton* btnCUDALogo;
    QToolButton* btnAMDLogo;
    QLabel* lblEncoderMore;
    QCheckBox* cbxAMDApp;
    QGroupBox* gbDecoder;
    QVBoxLayout* verticalLayout;
    QRadioButton* rbtnCUDADec;
    QRadioButton* rbtnIntelDec;
    QRadioButton* rbtnSystemDec;
    QLabel* lblDecoderMore;

    void setupUi(QWidget* page)
    {
        if (page->objectName().isEmpty())
            page->setObjectName(QStringLiteral("VDCPreferenceAccelerate"));
        verticalLayout_2 = new QVBoxLayout(page);
        verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
        verticalLayout_2->setSpacing(20);
        verticalLayout_2->setContentsMargins(11, 11, 11, 11);

        gbEncoder = new QGroupBox(page);
        gbEncoder->setObjectName(QStringLiteral("gbEncoder"));
        gridLayout_2 = new QGridLayout(gbEncoder);
        gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
        gridLayout_2->setSpacing(6);
        gridLayout_2->setContentsMargins(11, 11, 11, 11);
        cbxCUDA = new QCheckBox(gbEncoder);
        cbxCUDA->setObjectName(QStringLiteral("cbxCUDA"));
        gridLayout_2->addWidget(cbxCUDA, 0, 0);

        frmLogoBG = new QFrame(gbEncoder);
        frmLogoBG->setObjectName(QStringLiteral("frmLogoBG"));
        frmLogoBG->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        gridLayout = new QGridLayout(frmLogoBG);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));
        gridLayout->setSpacing(0);
        gridLayout->setContentsMargins(11, 11, 11, 11);
        btnCUDALogo = new QToolButton(frmLogoBG);
        btnCUDALogo->setObjectName(QStringLiteral("btnCUDALogo"));
        btnCUDALogo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        gridLayout->addWidget(btnCUDALogo, 0, 0);
        btnAMDLogo = new QToolButton(frmLogoBG);
        btnAMDLogo->setObjectName(QStringLiteral("btnAMDLogo"));
        btnAMDLogo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        gridLayout->addWidget(btnAMDLogo, 0, 1);
        lblEncoderMore = new QLabel(frmLogoBG);
        lblEncoderMore->setObjectName(QStringLiteral("lblEncoderMore"));
        lblEncoderMore->setOpenExternalLinks(true);
        gridLayout->addWidget(lblEncoderMore, 1, 0, 1, 2);
        gridLayout_2->addWidget(frmLogoBG, 0, 1, 2, 1);

        cbxAMDApp = new QCheckBox(gbEncoder);
        cbxAMDApp->setObjectName(QStringLiteral("cbxAMDApp"));
        gridLayout_2->addWidget(cbxAMDApp, 1, 0);
        verticalLayout_2->addWidget(gbEncoder);

        gbDecoder = new QGroupBox(page);
        gbDecoder->setObjectName(QStringLiteral("gbDecoder"));
        verticalLayout = new QVBoxLayout(gbDecoder);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        verticalLayout->setSpacing(6);
        verticalLayout->setContentsMargins(11, 11, 11, 11);
        rbtnCUDADec = new QRadioButton(gbDecoder);
        rbtnCUDADec->setObjectName(QStringLiteral("rbtnCUDADec"));
        verticalLayout->addWidget(rbtnCUDADec);
        rbtnIntelDec = new QRadioButton(gbDecoder);
        rbtnIntelDec->setObjectName(QStringLiteral("rbtnIntelDec"));
        verticalLayout->addWidget(rbtnIntelDec);
        rbtnSystemDec = new QRadioButton(gbDecoder);
        rbtnSystemDec->setObjectName(QStringLiteral("rbtnSystemDec"));
        verticalLayout->addWidget(rbtnSystemDec);
        lblDecoderMore = new QLabel(gbDecoder);
        lblDecoderMore->setObjectName(QStringLiteral("lblDecoderMore"));
        lblDecoderMore->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblDecoderMore->setOpenExternalLinks(true);
        verticalLayout->addWidget(lblDecoderMore);
        verticalLayout_2->addWidget(gbDecoder);

        verticalLayout_2->addItem(
            new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
        retranslateUi(page);
    }

    void retranslateUi(QWidget*)
    {
        const char* ctx = "VDCPreferenceAccelerate";
        gbEncoder->setTitle(QCoreApplication::translate(ctx, "GPU Encode acceleration"));
        cbxCUDA->setText(QCoreApplication::translate(ctx, "Enable NVIDIA CUDA acceleration"));
        btnCUDALogo->setText(QString());
        btnAMDLogo->setText(QString());
        lblEncoderMore->setText(QCoreApplication::translate(ctx, "Learn More..."));
        cbxAMDApp->setText(QCoreApplication::translate(ctx, "Enable AMD APP acceleration"));
        gbDecoder->setTitle(QCoreApplication::translate(ctx, "H264 Decoder"));
        rbtnCUDADec->setText(QCoreApplication::translate(ctx, "CUDA Decoder"));
        rbtnIntelDec->setText(QCoreApplication::translate(ctx, "Intel Decoder"));
        rbtnSystemDec->setText(QCoreApplication::translate(ctx, "System Decoder"));
        lblDecoderMore->setText(QCoreApplication::translate(ctx, "Learn More..."));
    }
};

VDCPreferenceAccelerate::VDCPreferenceAccelerate(QWidget* parent)
    : VDCPreferencePageWidget(parent)
    , m_ui(new Ui_VDCPreferenceAccelerate)
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

    const QString encoderUrl =
        fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_ENCODER_URL)).toString();
    m_ui->lblEncoderMore->setText(pattern.arg(encoderUrl, color, more));
    m_ui->lblEncoderMore->setToolTip(encoderUrl);

    const QString decoderUrl =
        fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_DECODER_URL)).toString();
    m_ui->lblDecoderMore->setText(pattern.arg(decoderUrl, color, more));
    m_ui->lblDecoderMore->setToolTip(decoderUrl);
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
    case 1:
        m_ui->rbtnCUDADec->setChecked(true);
        break;
    case 2:
        m_ui->rbtnIntelDec->setChecked(true);
        break;
    case 4:
        m_ui->rbtnSystemDec->setChecked(true);
        break;
    default:
        m_ui->rbtnSystemDec->setChecked(true);
        settings->SetInfoValue(decoderKey, QVariant(4));
        break;
    }
}

void VDCPreferenceAccelerate::accept()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_USECUDAENC),
                           QVariant(m_ui->cbxCUDA->isChecked()));
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_USEAMDENC),
                           QVariant(m_ui->cbxAMDApp->isChecked()));
    int decoder = 4;
    if (m_ui->rbtnCUDADec->isChecked())
        decoder = 1;
    else if (m_ui->rbtnIntelDec->isChecked())
        decoder = 2;
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_H264DECODER_INDEX), QVariant(decoder));
}
