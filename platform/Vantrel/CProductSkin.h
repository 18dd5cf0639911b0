#pragma once

#include "IVantrel.h"

#include <QList>
#include <QPointer>
#include <QWidget>

// Styles the platform's windows from style sheet files of the skin folder.
class CProductSkin : public IProductSkin
{
public:
    void SetWindowStyleSheets(const QStringList& files, QWidget* window) override;
    void SetSkinFolder(const QString& folder, const QString& placeholder) override;
    void Refresh() override;

    // The sheet a window gets: its files read as UTF-8 and joined, the
    // placeholder replaced by the folder in any letter case.
    QString SheetOf(const QStringList& files) const;

private:
    struct Entry
    {
        QStringList files;
        QPointer<QWidget> window;
    };
    QList<Entry> m_entries;
    QString m_folder;
    QString m_placeholder;
};
