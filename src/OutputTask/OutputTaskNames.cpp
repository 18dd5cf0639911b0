#include "OutputTaskNames.h"

#include <QDir>
#include <QFileInfo>

namespace OutputTaskNames {

QString SanitizeTaskName(const QString& name)
{
    QString out = name;
    out.replace(QLatin1Char('/'), QLatin1Char('_'));
    out.replace(QChar(0), QLatin1Char('_'));
    return out;
}

QString MakeNameUniqueInTaskList(const QString& name, bool bRename, const QStringList& lstRegister)
{
    QString n = name;
    if (lstRegister.isEmpty())
        return n;

    if (bRename) {
        const QString given = n;
        for (qint64 i = 1; lstRegister.contains(n, Qt::CaseSensitive); ++i)
            n = given + QStringLiteral("_%1").arg(i);
        return n;
    }

    while (lstRegister.contains(n, Qt::CaseSensitive)) {
        // The trailing digit run; the first character never belongs to it.
        int start = n.size();
        while (start > 1 && n.at(start - 1).isDigit())
            --start;
        const QString run = start < n.size() ? n.mid(start) : QString();
        bool ok = false;
        int parsed = run.isEmpty() ? 0 : run.toInt(&ok);
        if (!ok)
            parsed = 0;
        // Counted in 64 bits: a run worth 2147483647 still has room for its
        // successor.
        const qint64 v = parsed;
        if (v < 9) {
            // Only the trailing run is the counter: digits elsewhere are the
            // user's own ("h60_1080p60") and stay as typed.
            n.truncate(start < n.size() ? start : n.size());
            n += QStringLiteral("%1").arg(v + 1);
        } else {
            n += QStringLiteral("_%1").arg((v + 1) / 10);
        }
    }
    return n;
}

bool OutputDirHasEntry(const QString& outputFolder, const QString& fileName)
{
    if (outputFolder.isEmpty() || fileName.isEmpty())
        return false;
    const QFileInfo info(QDir(outputFolder).filePath(fileName));
    return info.exists() || info.isSymLink();
}

QString CheckNameInOutputDir(const QString& name, const QString& ext, QStringList& lstRegister,
                             const QString& outputFolder, const QVariant& policy)
{
    bool ok = false;
    int nPolicy = policy.toInt(&ok);
    if (!ok)
        nPolicy = 0;

    const QStringList onEntry = lstRegister;
    QString n = name;
    lstRegister.removeOne(n);

    if (OutputDirHasEntry(outputFolder, n + ext)) {
        if (nPolicy == 2) {
            lstRegister = onEntry;
            return QString();
        }
        if (nPolicy == 0) {
            const QString given = n;
            for (qint64 i = 1; OutputDirHasEntry(outputFolder, n + ext); ++i)
                n = given + QStringLiteral("_%1").arg(i);
            const QString folderFree = n;
            bool changed = false;
            for (qint64 i = 1; lstRegister.contains(n, Qt::CaseSensitive); ++i) {
                n = folderFree + QStringLiteral("_%1").arg(i);
                changed = true;
            }
            if (changed)
                n = CheckNameInOutputDir(n, ext, lstRegister, outputFolder, policy);
        }
    }
    if (!n.isNull() && !lstRegister.contains(n, Qt::CaseSensitive))
        lstRegister.append(n);
    return n;
}

} // namespace OutputTaskNames
