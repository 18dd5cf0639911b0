#include "startlanguage.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "IVantrel.h"

QString ApplyStartLanguage(IProductLanguage* provider, CAppVariableInfo* settings, const QString& languageFolder)
{
    if (!provider)
        return QString();
    provider->LoadLanguages(languageFolder);
    const QStringList codes = provider->GetLanguageCodes();
    // A first start has no stored choice: the system's language is taken
    // then, not the store's default "en_US".
    QString chosen = settings->GetInfoValue("LastUseLanguage", QVariant(QString(""))).toString();
    if (!codes.contains(chosen, Qt::CaseSensitive)) {
        const QString system = provider->GetSystemLanguage();
        chosen = codes.contains(system, Qt::CaseSensitive) ? system : QStringLiteral("en_US");
        settings->SetInfoValue("LastUseLanguage", chosen);
    }
    provider->SetLanguage(chosen);
    return chosen;
}
