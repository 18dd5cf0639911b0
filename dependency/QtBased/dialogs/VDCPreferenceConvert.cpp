#include "VDCPreferenceConvert.h"

#include "AppConfigDefines.h"
#include "CAppVariableInfo.h"
#include "CBaseException.h"
#include "IAVConverter.h"
#include "sysplatform.h"

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

class Ui_VDCPreferenceConvert
{
public:
    QVBoxLayout* verticalLayout;
    QGroupBox* gbCPU;
    QGridLayout* gridLayout;
    QRadioButton* rbtnAllCores;
    QRadioButton* rbtnLeastCores;
    QRadioButton* rbtnCustomCores;
    QComboBox* cbxCustomCores;
    QGroupBox* gbProcess;
    QHBoxLayout* horizontalLayout_2;
    QLabel* lbMaxProcesses;
    QComboBox* cbxMaxProcesses;

    void setupUi(QWidget* page)
    {
        if (page->objectName().isEmpty())
            page->setObjectName(QStringLiteral("VDCPreferenceConvert"));
        page->resize(400, 300);
        verticalLayout = new QVBoxLayout(page);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        verticalLayout->setSpacing(20);
        verticalLayout->setContentsMargins(11, 11, 11, 11);

        gbCPU = new QGroupBox(page);
        gbCPU->setObjectName(QStringLiteral("gbCPU"));
        gbCPU->setTitle(QStringLiteral(" CPU "));
        gridLayout = new QGridLayout(gbCPU);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));
        gridLayout->setSpacing(6);
        gridLayout->setContentsMargins(11, 11, 11, 11);
        rbtnAllCores = new QRadioButton(gbCPU);
        rbtnAllCores->setObjectName(QStringLiteral("rbtnAllCores"));
        gridLayout->addWidget(rbtnAllCores, 0, 0);
        rbtnLeastCores = new QRadioButton(gbCPU);
        rbtnLeastCores->setObjectName(QStringLiteral("rbtnLeastCores"));
        gridLayout->addWidget(rbtnLeastCores, 1, 0);
        rbtnCustomCores = new QRadioButton(gbCPU);
        rbtnCustomCores->setObjectName(QStringLiteral("rbtnCustomCores"));
        gridLayout->addWidget(rbtnCustomCores, 2, 0);
        gridLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum),
                            2, 1);
        cbxCustomCores = new QComboBox(gbCPU);
        cbxCustomCores->setObjectName(QStringLiteral("cbxCustomCores"));
        cbxCustomCores->setFixedWidth(50);
        gridLayout->addWidget(cbxCustomCores, 2, 2);
        verticalLayout->addWidget(gbCPU);

        gbProcess = new QGroupBox(page);
        gbProcess->setObjectName(QStringLiteral("gbProcess"));
        horizontalLayout_2 = new QHBoxLayout(gbProcess);
        horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
        horizontalLayout_2->setSpacing(6);
        horizontalLayout_2->setContentsMargins(11, 11, 11, 11);
        lbMaxProcesses = new QLabel(gbProcess);
        lbMaxProcesses->setObjectName(QStringLiteral("lbMaxProcesses"));
        horizontalLayout_2->addWidget(lbMaxProcesses);
        cbxMaxProcesses = new QComboBox(gbProcess);
        cbxMaxProcesses->setObjectName(QStringLiteral("cbxMaxProcesses"));
        cbxMaxProcesses->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        cbxMaxProcesses->setMaximumWidth(50);
        horizontalLayout_2->addWidget(cbxMaxProcesses);
        verticalLayout->addWidget(gbProcess);

        verticalLayout->addItem(
            new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
        retranslateUi(page);
    }

    void retranslateUi(QWidget*)
    {
        const char* ctx = "VDCPreferenceConvert";
        rbtnAllCores->setText(QCoreApplication::translate(ctx, "Convert using all cores"));
        rbtnLeastCores->setText(
            QCoreApplication::translate(ctx, "Convert using the least core number"));
        rbtnCustomCores->setText(QCoreApplication::translate(ctx, "Customize core number:"));
        gbProcess->setTitle(QCoreApplication::translate(ctx, " Process "));
        lbMaxProcesses->setText(
            QCoreApplication::translate(ctx, "Maximum Simultaneous Running Processes:"));
    }
};

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

VDCPreferenceConvert::VDCPreferenceConvert(Moorland::IAVConverter* converter, QWidget* parent,
                                           int nProcessorCount)
    : VDCPreferencePageWidget(parent)
    , m_ui(new Ui_VDCPreferenceConvert)
    , m_settings(CAppVariableInfo::GetInstance())
    , m_converter(converter)
{
    m_ui->setupUi(this);
    connect(m_ui->rbtnCustomCores, &QRadioButton::toggled, this,
            &VDCPreferenceConvert::on_rbtnCustomCores_toggled);
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
    m_settings->SetInfoValue(QString::fromLatin1(STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT),
                             QVariant(maxRun));
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
    m_settings->SetInfoValue(QString::fromLatin1(STR_APPVARINFO_NAME_USE_CPU_CORE),
                             QVariant(stored));
}
