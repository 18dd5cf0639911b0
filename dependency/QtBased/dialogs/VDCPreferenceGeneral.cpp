#include "VDCPreferenceGeneral.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ui_VDCPreferenceGeneral.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

VDCPreferenceGeneral::VDCPreferenceGeneral(QWidget* parent)
    : VDCPreferencePageWidget(parent), m_ui(new Ui_VDCPreferenceGeneral)
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
    case 2: m_ui->rbtnSkip->setChecked(true); break;
    case 1: m_ui->rbtnOverwrite->setChecked(true); break;
    case 0: m_ui->rbtnRename->setChecked(true); break;
    default:
        m_ui->rbtnRename->setChecked(true);
        settings->SetInfoValue(existKey, QVariant(0));
        break;
    }

    const int mode =
        settings->GetInfoValue(QString::fromLatin1(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE), QVariant(0)).toInt();
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
    settings->SetInfoValue(QString::fromLatin1(STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE), QVariant(mode));
}
