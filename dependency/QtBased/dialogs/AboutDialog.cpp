#include "AboutDialog.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ui_AboutDialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags), m_ui(new Ui_AboutDialog)
{
    m_ui->setupUi(this);
    ReTranslate();
}

AboutDialog::~AboutDialog()
{
    delete m_ui;
}

QString AboutDialog::VersionText(const QString& sVersion)
{
    const QStringList parts = sVersion.split(QLatin1Char('.'));
    QString text = tr("Version:");
    if (parts.size() >= 4) {
        text += parts.at(0) + QLatin1Char('.') + parts.at(1) + QLatin1Char('.') + parts.at(2) + QLatin1Char('(') +
                parts.at(3) + QLatin1Char(')');
    } else {
        text += parts.join(QLatin1Char('.'));
    }
    return text;
}

void AboutDialog::ReTranslate()
{
    m_ui->retranslateUi(this);
    m_ui->lbHomeUrl->setOpenExternalLinks(true);
    m_ui->lbHomeUrl->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse |
                                             Qt::LinksAccessibleByKeyboard);

    CAppFixedInfo* fixedInfo = CAppFixedInfo::GetInstance();
    // The shipped link colour, not the user's current one.
    const QString color =
        CAppVariableInfo::GetInstance()->GetInfoDefaultValue(QString::fromLatin1(VARIABLE_INFO_URL_COLOR)).toString();
    const QString homeUrl = fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_ORG_HOMEPAGE_URL)).toString();
    m_ui->lbHomeUrl->setText(QStringLiteral("<a href=\"%1\"style=\"color:#%2\">%1</a>").arg(homeUrl, color));
    // A link without an address would lead nowhere.
    m_ui->lbHomeUrl->setHidden(homeUrl.trimmed().isEmpty());

    m_ui->lbVersion->setText(
        VersionText(fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_APPVERSION)).toString()));

    const QString brand = fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_BRANDNAME)).toString();
    m_ui->lbKestrin->setText(QStringLiteral("Copyright \u00A9 2009-2013 %1. All rights reserved.").arg(brand));
}

bool AboutDialog::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    return QWidget::event(e);
}

void AboutDialog::mousePressEvent(QMouseEvent*)
{
    close();
}
