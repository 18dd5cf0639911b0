#include "CProductSkin.h"

#include <QDir>
#include <QFile>

void CProductSkin::SetWindowStyleSheets(const QStringList& files, QWidget* window)
{
    if (!window)
        return;
    for (Entry& entry : m_entries) {
        if (entry.window == window) {
            entry.files = files;
            return;
        }
    }
    m_entries.append({files, window});
}

void CProductSkin::SetSkinFolder(const QString& folder, const QString& placeholder)
{
    m_folder = folder;
    m_placeholder = placeholder;
    Refresh();
}

QString CProductSkin::SheetOf(const QStringList& files) const
{
    QString sheet;
    if (m_folder.isEmpty())
        return sheet;
    for (const QString& name : files) {
        QFile file(QDir(m_folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        sheet += QString::fromUtf8(file.readAll());
        sheet += '\n';
    }
    if (!m_placeholder.isEmpty())
        sheet.replace(m_placeholder, QDir::fromNativeSeparators(m_folder), Qt::CaseInsensitive);
    return sheet;
}

void CProductSkin::Refresh()
{
    for (const Entry& entry : m_entries) {
        if (entry.window)
            entry.window->setStyleSheet(SheetOf(entry.files));
    }
}
