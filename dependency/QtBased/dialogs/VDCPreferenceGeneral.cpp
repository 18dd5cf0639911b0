#include "VDCPreferenceGeneral.h"

#include "AppConfigDefines.h"
#include "CAppVariableInfo.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

class Ui_VDCPreferenceGeneral
{
public:
    QVBoxLayout* verticalLayout_2;
    QLabel* lblTitle;
    QGroupBox* gbFileExists;
    QHBoxLayout* horizontalLayout;
    QRadioButton* rbtnRename;
    QRadioButton* rbtnOverwrite;
    QRadioButton* rbtnSkip;
    QGroupBox* gbLosslessMode;
    QVBoxLayout* verticalLayout;
    QRadioButton* rbtnFrame;
    QRadioButton* rbtnGOP;
    QButtonGroup* btnGFileExists;
    QButtonGroup* btnGLosslessMode;

    void setupUi(QWidget* page)
    {
        if (page->objectName().isEmpty())
            page->setObjectName(QStringLiteral("VDCPreferenceGeneral"));
        page->resize(400, 300);
        verticalLayout_2 = new QVBoxLayout(page);
        verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
        verticalLayout_2->setSpacing(20);
        verticalLayout_2->setContentsMargins(11, 11, 11, 11);

        lblTitle = new QLabel(page);
        lblTitle->setObjectName(QStringLiteral("lblTitle"));
        lblTitle->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        verticalLayout_2->addWidget(lblTitle);

        gbFileExists = new QGroupBox(page);
        gbFileExists->setObjectName(QStringLiteral("gbFileExists"));
        horizontalLayout = new QHBoxLayout(gbFileExists);
        horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
        horizontalLayout->setSpacing(6);
        horizontalLayout->setContentsMargins(11, 11, 11, 11);
        rbtnRename = new QRadioButton(gbFileExists);
        rbtnRename->setObjectName(QStringLiteral("rbtnRename"));
        horizontalLayout->addWidget(rbtnRename);
        rbtnOverwrite = new QRadioButton(gbFileExists);
        rbtnOverwrite->setObjectName(QStringLiteral("rbtnOverwrite"));
        horizontalLayout->addWidget(rbtnOverwrite);
        rbtnSkip = new QRadioButton(gbFileExists);
        rbtnSkip->setObjectName(QStringLiteral("rbtnSkip"));
        horizontalLayout->addWidget(rbtnSkip);
        verticalLayout_2->addWidget(gbFileExists);

        gbLosslessMode = new QGroupBox(page);
        gbLosslessMode->setObjectName(QStringLiteral("gbLosslessMode"));
        verticalLayout = new QVBoxLayout(gbLosslessMode);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        verticalLayout->setSpacing(6);
        verticalLayout->setContentsMargins(11, 11, 11, 11);
        rbtnFrame = new QRadioButton(gbLosslessMode);
        rbtnFrame->setObjectName(QStringLiteral("rbtnFrame"));
        verticalLayout->addWidget(rbtnFrame);
        rbtnGOP = new QRadioButton(gbLosslessMode);
        rbtnGOP->setObjectName(QStringLiteral("rbtnGOP"));
        verticalLayout->addWidget(rbtnGOP);
        verticalLayout_2->addWidget(gbLosslessMode);

        verticalLayout_2->addItem(
            new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));

        btnGFileExists = new QButtonGroup(page);
        btnGFileExists->setObjectName(QStringLiteral("btnGFileExists"));
        btnGFileExists->addButton(rbtnRename);
        btnGFileExists->addButton(rbtnOverwrite);
        btnGFileExists->addButton(rbtnSkip);
        btnGLosslessMode = new QButtonGroup(page);
        btnGLosslessMode->setObjectName(QStringLiteral("btnGLosslessMode"));
        btnGLosslessMode->addButton(rbtnFrame);
        btnGLosslessMode->addButton(rbtnGOP);

        retranslateUi(page);
    }

    void retranslateUi(QWidget*)
    {
        const char* ctx = "VDCPreferenceGeneral";
        lblTitle->setText(QCoreApplication::translate(ctx, "General Settings"));
        gbFileExists->setTitle(
            QCoreApplication::translate(ctx, "If output file exists, please select"));
        rbtnRename->setText(QCoreApplication::translate(ctx, "Rename"));
        rbtnOverwrite->setText(QCoreApplication::translate(ctx, "Overwrite"));
        rbtnSkip->setText(QCoreApplication::translate(ctx, "Skip"));
        gbLosslessMode->setTitle(QCoreApplication::translate(ctx, "Lossless Output Mode"));
        rbtnFrame->setText(
            QCoreApplication::translate(ctx, "Split from the exact frame you choose"));
        rbtnGOP->setText(QCoreApplication::translate(ctx, "Split from the next GOP"));
    }
};

VDCPreferenceGeneral::VDCPreferenceGeneral(QWidget* parent)
    : VDCPreferencePageWidget(parent)
    , m_ui(new Ui_VDCPreferenceGeneral)
{
    m_ui->setupUi(this);
    m_function = General;
    Retranslate();
}

VDCPreferenceGeneral::~VDCPreferenceGeneral()
{
    delete m_ui;
}

void VDCPreferenceGeneral::Retranslate()
{
    m_ui->retranslateUi(this);
    m_pageName = tr("General");
}

bool VDCPreferenceGeneral::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QWidget::event(e);
}

void VDCPreferenceGeneral::initPageInfo()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    const QString existKey = QString::fromLatin1(VARIABLE_INFO_OUTPUTFILEEXIST);
    const int exist = settings->GetInfoValue(existKey, QVariant()).toInt();
    switch (exist) {
    case 2:
        m_ui->rbtnSkip->setChecked(true);
        break;
    case 1:
        m_ui->rbtnOverwrite->setChecked(true);
        break;
    case 0:
        m_ui->rbtnRename->setChecked(true);
        break;
    default:
        m_ui->rbtnRename->setChecked(true);
        settings->SetInfoValue(existKey, QVariant(0));
        break;
    }

    const int mode = settings
                         ->GetInfoValue(QString::fromLatin1(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE),
                                        QVariant(0))
                         .toInt();
    if (mode == 1)
        m_ui->rbtnGOP->setChecked(true);
    else
        m_ui->rbtnFrame->setChecked(true);
}

void VDCPreferenceGeneral::accept()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    int exist = 0;
    if (m_ui->rbtnRename->isChecked())
        exist = 0;
    else if (m_ui->rbtnOverwrite->isChecked())
        exist = 1;
    else if (m_ui->rbtnSkip->isChecked())
        exist = 2;
    settings->SetInfoValue(QString::fromLatin1(VARIABLE_INFO_OUTPUTFILEEXIST), QVariant(exist));

    int mode = 0;
    if (m_ui->rbtnFrame->isChecked())
        mode = 0;
    else if (m_ui->rbtnGOP->isChecked())
        mode = 1;
    settings->SetInfoValue(QString::fromLatin1(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE),
                           QVariant(mode));
}
