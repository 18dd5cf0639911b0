#include "CProductLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const char kIndexFile[] = "languages.ini";

QString QmName(const QString& code)
{
    return QStringLiteral("fablecut_") + code + QStringLiteral(".qm");
}

} // namespace

CProductLanguage::~CProductLanguage()
{
    RemoveTranslators();
}

void CProductLanguage::AddLangItem(IProductLangItem* item)
{
    if (item && !m_items.contains(item))
        m_items.append(item);
}

bool CProductLanguage::LoadLanguages(const QString& folder)
{
    m_folder = folder;
    m_codes.clear();
    m_names.clear();
    QFile index(QDir(folder).filePath(kIndexFile));
    if (!index.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(index.readAll()).split('\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        const int eq = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#') || eq <= 0)
            continue;
        const QString code = line.left(eq).trimmed();
        const QString name = line.mid(eq + 1).trimmed();
        if (m_codes.contains(code))
            continue;
        QTranslator probe;
        if (!probe.load(QmName(code), folder))
            continue;
        m_codes.append(code);
        m_names.append(name.isEmpty() ? code : name);
    }
    return !m_codes.isEmpty();
}

bool CProductLanguage::SetLanguage(const QString& code)
{
    if (!m_codes.contains(code))
        return false;
    RemoveTranslators();
    auto* own = new QTranslator;
    if (own->load(QmName(code), m_folder)) {
        QCoreApplication::installTranslator(own);
        m_translators.append(own);
    } else {
        delete own;
    }
    // Qt's own dialogs and buttons (Cancel, OK, file dialogs).
    const QString qtFolder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    for (const char* base : {"qtbase", "qt"}) {
        auto* qt = new QTranslator;
        if (qt->load(QLocale(code), QString::fromLatin1(base), QStringLiteral("_"), qtFolder)) {
            QCoreApplication::installTranslator(qt);
            m_translators.append(qt);
        } else {
            delete qt;
        }
    }
    m_current = code;
    const QList<IProductLangItem*> items = m_items;
    for (IProductLangItem* item : items)
        item->ReTranslate();
    return true;
}

QString CProductLanguage::GetSystemLanguage()
{
    return QLocale::system().name();
}

void CProductLanguage::RemoveTranslators()
{
    for (QTranslator* translator : m_translators) {
        if (QCoreApplication::instance())
            QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    m_translators.clear();
}
