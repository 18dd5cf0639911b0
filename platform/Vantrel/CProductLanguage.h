#pragma once

#include "IVantrel.h"

#include <QList>

class QTranslator;

// Languages from an index file and the program's .qm files; applying one swaps
// the installed translators and retranslates every registered item.
class CProductLanguage : public IProductLanguage
{
public:
    CProductLanguage() = default;
    ~CProductLanguage() override;

    void AddLangItem(IProductLangItem* item) override;
    bool LoadLanguages(const QString& folder) override;
    bool SetLanguage(const QString& code) override;
    QString GetCurLanguage() override { return m_current; }
    QStringList GetLanguageCodes() override { return m_codes; }
    QStringList GetLanguageNames() override { return m_names; }
    QString GetSystemLanguage() override;

private:
    void RemoveTranslators();

    QString m_folder;
    QStringList m_codes;
    QStringList m_names;
    QString m_current;
    QList<IProductLangItem*> m_items;
    QList<QTranslator*> m_translators;
};
