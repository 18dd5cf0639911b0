#include "VDCPreferenceTivo.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "IAVManager.h"
#include "ui_VDCPreferenceTivo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
// The media manager's option name (capital V, unlike the settings key).
constexpr char kOptTiVoMediaAccessKey[] = "TiVoMediaAccessKey";
} // namespace

VDCPreferenceTivo::VDCPreferenceTivo(Moorland::IAVManager* pAVManager, QWidget* parent)
    : VDCPreferencePageWidget(parent), m_ui(new Ui_VDCPreferenceTivo), m_settings(CAppVariableInfo::GetInstance()),
      m_avManager(pAVManager)
{
    m_ui->setupUi(this);
    m_function = Tivo;
    Retranslate();
}

VDCPreferenceTivo::~VDCPreferenceTivo()
{
    delete m_ui;
}

void VDCPreferenceTivo::Retranslate()
{
    // The group title is renewed too, so the whole page follows the language.
    m_ui->retranslateUi(this);
    m_pageName = tr("Tivo");
}

bool VDCPreferenceTivo::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QWidget::event(e);
}

void VDCPreferenceTivo::initPageInfo()
{
    m_ui->edtTivo->setText(
        m_settings
            ->GetInfoValue(QString::fromLatin1(STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY), QVariant(QString::fromLatin1("")))
            .toString());
}

void VDCPreferenceTivo::accept()
{
    const QString key = m_ui->edtTivo->text();
    m_settings->SetInfoValue(QString::fromLatin1(STR_APPVARINFO_TIVO_MEDIA_ACCESS_KEY), QVariant(key));
    QB_GUARDED_VOID({
        if (m_avManager) {
            const QByteArray utf8 = key.toUtf8();
            m_avManager->SetOption(kOptTiVoMediaAccessKey, utf8.constData());
        }
    });
}
