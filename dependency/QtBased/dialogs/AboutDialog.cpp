#include "AboutDialog.h"

#include "AppConfigDefines.h"
#include "CAppFixedInfo.h"
#include "CAppVariableInfo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

class Ui_AboutDialog
{
public:
    QVBoxLayout* verticalLayout;
    QLabel* lbVersion;
    QLabel* lblWarning;
    QLabel* lbKestrin;
    QLabel* lbHomeUrl;

    void setupUi(QDialog* dialog)
    {
        if (dialog->objectName().isEmpty())
            dialog->setObjectName(QStringLiteral("AboutDialog"));
        dialog->resize(390, 280);
        dialog->setMinimumSize(390, 280);
        dialog->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

        verticalLayout = new QVBoxLayout(dialog);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        verticalLayout->setSpacing(1);
        verticalLayout->setContentsMargins(12, 131, 12, 12);

        lbVersion = new QLabel(dialog);
        lbVersion->setObjectName(QStringLiteral("lbVersion"));
        lbVersion->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        lbVersion->setStyleSheet(QString());
        verticalLayout->addWidget(lbVersion);

        lblWarning = new QLabel(dialog);
        lblWarning->setObjectName(QStringLiteral("lblWarning"));
        lblWarning->setStyleSheet(QStringLiteral("background-color: rgba(255, 255, 255, 0);"));
        lblWarning->setWordWrap(true);
        lblWarning->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        verticalLayout->addWidget(lblWarning);

        lbKestrin = new QLabel(dialog);
        lbKestrin->setObjectName(QStringLiteral("lbKestrin"));
        lbKestrin->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        verticalLayout->addWidget(lbKestrin);

        lbHomeUrl = new QLabel(dialog);
        lbHomeUrl->setObjectName(QStringLiteral("lbHomeUrl"));
        lbHomeUrl->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        lbHomeUrl->setTextInteractionFlags(Qt::LinksAccessibleByKeyboard
                                           | Qt::LinksAccessibleByMouse
                                           | Qt::TextSelectableByMouse);
        verticalLayout->addWidget(lbHomeUrl);

        lbVersion->setText(QStringLiteral("TextLabel"));
        lbKestrin->setText(QStringLiteral("TextLabel"));
        lbHomeUrl->setText(QStringLiteral("TextLabel"));
        retranslateUi(dialog);
    }

    void retranslateUi(QDialog* dialog)
    {
        dialog->setWindowTitle(QCoreApplication::translate("AboutDialog", "AboutDialog"));
        lblWarning->setText(QCoreApplication::translate(
            "AboutDialog",
            "Warning: This program is protected by copyright law and international treaties. "
            "Unauthorized reproduction or distribution of it, or of any portion of it, may "
            "result in severe civil and criminal penalties."));
    }
};

AboutDialog::AboutDialog(QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_ui(new Ui_AboutDialog)
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
        text += parts.at(0) + QLatin1Char('.') + parts.at(1) + QLatin1Char('.') + parts.at(2)
                + QLatin1Char('(') + parts.at(3) + QLatin1Char(')');
    } else {
        text += parts.join(QLatin1Char('.'));
    }
    return text;
}

void AboutDialog::ReTranslate()
{
    m_ui->retranslateUi(this);
    m_ui->lbHomeUrl->setOpenExternalLinks(true);
    m_ui->lbHomeUrl->setTextInteractionFlags(Qt::TextSelectableByMouse
                                             | Qt::LinksAccessibleByMouse
                                             | Qt::LinksAccessibleByKeyboard);

    CAppFixedInfo* fixedInfo = CAppFixedInfo::GetInstance();
    // The shipped link colour, not the user's current one.
    const QString color = CAppVariableInfo::GetInstance()
                              ->GetInfoDefaultValue(QString::fromLatin1(VARIABLE_INFO_URL_COLOR))
                              .toString();
    const QString homeUrl =
        fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_ORG_HOMEPAGE_URL)).toString();
    m_ui->lbHomeUrl->setText(
        QStringLiteral("<a href=\"%1\"style=\"color:#%2\">%1</a>").arg(homeUrl, color));

    m_ui->lbVersion->setText(
        VersionText(fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_APPVERSION)).toString()));

    const QString brand =
        fixedInfo->GetInfoValue(QString::fromLatin1(FIXED_INFO_BRANDNAME)).toString();
    m_ui->lbKestrin->setText(
        QStringLiteral("Copyright \u00A9 2009-2013 %1. All rights reserved.").arg(brand));
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
