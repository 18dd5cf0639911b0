#include "VDCPreferenceConvert.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "IAVConverter.h"
#include "sysplatform.h"
#include "ui_VDCPreferenceConvert.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

constexpr int kMaxRunDefault = 4;

void selectByNumber(QComboBox* box, int nNumber)
{
    const int index = box->findData(nNumber, Qt::UserRole);
    if (index >= 0)
        box->setCurrentIndex(index);
}

int currentNumber(const QComboBox* box, int nNone)
{
    if (box->currentIndex() < 0)
        return nNone;
    return box->currentData(Qt::UserRole).toInt();
}

} // namespace

VDCPreferenceConvert::VDCPreferenceConvert(Moorland::IAVConverter* converter, QWidget* parent, int nProcessorCount)
    : VDCPreferencePageWidget(parent), m_ui(new Ui_VDCPreferenceConvert), m_settings(CAppVariableInfo::GetInstance()),
      m_converter(converter)
{
    m_ui->setupUi(this);
    m_function = Convert;
    for (int n = 1; n <= 4; ++n)
        m_ui->cbxMaxProcesses->addItem(QString::number(n), n);
    m_processorCount = nProcessorCount > 0 ? nProcessorCount : QuentaBased::get_cpu_count();
    if (m_processorCount < 1)
        m_processorCount = 1;
    for (int n = 1; n <= m_processorCount; ++n)
        m_ui->cbxCustomCores->addItem(QString::number(n), n);
    Retranslate();
}

VDCPreferenceConvert::~VDCPreferenceConvert()
{
    delete m_ui;
}

void VDCPreferenceConvert::Retranslate()
{
    m_ui->retranslateUi(this);
    m_pageName = tr("Convert");
}

bool VDCPreferenceConvert::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QWidget::event(e);
}

void VDCPreferenceConvert::on_rbtnCustomCores_toggled(bool bChecked)
{
    m_ui->cbxCustomCores->setEnabled(bChecked);
}

void VDCPreferenceConvert::initPageInfo()
{
    const QString maxKey = QString::fromLatin1(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT);
    int maxRun = m_settings->GetInfoValue(maxKey, QVariant(kMaxRunDefault)).toInt();
    if (maxRun < 1 || maxRun > 4) {
        maxRun = kMaxRunDefault;
        m_settings->SetInfoValue(maxKey, QVariant(maxRun));
    }
    selectByNumber(m_ui->cbxMaxProcesses, maxRun);

    const QString coreKey = QString::fromLatin1(STR_APPVARINFO_NAME_USE_CPU_CORE);
    int cores = m_settings->GetInfoValue(coreKey, QVariant(0)).toInt();
    if (cores < -1) {
        m_settings->SetInfoValue(coreKey, QVariant(0));
        m_ui->rbtnAllCores->setChecked(true);
        m_ui->cbxCustomCores->setEnabled(false);
        return;
    }
    if (cores > m_processorCount) {
        cores = m_processorCount;
        m_settings->SetInfoValue(coreKey, QVariant(cores));
    }
    if (cores == -1) {
        m_ui->rbtnLeastCores->setChecked(true);
        m_ui->cbxCustomCores->setEnabled(false);
    } else if (cores == 0) {
        m_ui->rbtnAllCores->setChecked(true);
        m_ui->cbxCustomCores->setEnabled(false);
    } else {
        m_ui->rbtnCustomCores->setChecked(true);
        m_ui->cbxCustomCores->setEnabled(true);
        selectByNumber(m_ui->cbxCustomCores, cores);
    }
}

void VDCPreferenceConvert::accept()
{
    const int maxRun = currentNumber(m_ui->cbxMaxProcesses, kMaxRunDefault);
    m_settings->SetInfoValue(QString::fromLatin1(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT), QVariant(maxRun));
    // A failing engine must not keep the core choice from being stored.
    QB_GUARDED_VOID({
        if (m_converter)
            m_converter->SetMaxRunProgressCount(maxRun);
    });

    int stored;
    int passed;
    if (m_ui->rbtnAllCores->isChecked()) {
        passed = m_processorCount;
        stored = 0;
    } else if (m_ui->rbtnLeastCores->isChecked()) {
        passed = 1;
        stored = -1;
    } else {
        passed = currentNumber(m_ui->cbxCustomCores, 0);
        stored = passed;
    }
    QB_GUARDED_VOID({
        if (m_converter)
            m_converter->SetUseCPUCore(passed);
    });
    m_settings->SetInfoValue(QString::fromLatin1(STR_APPVARINFO_NAME_USE_CPU_CORE), QVariant(stored));
}
