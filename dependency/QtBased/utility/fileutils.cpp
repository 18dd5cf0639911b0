#include "fileutils.h"

#include "sysutils.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QUrl>

namespace {

void OpenWithXdg(const QString& path)
{
    // Detached and with the path as one argument: no shell ever parses it.
    QProcess::startDetached("xdg-open", QStringList(path));
}

} // namespace

QString includePathSeparator(QString sPath)
{
    QString path = QDir::toNativeSeparators(sPath);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

QString excludePathSeparator(QString sPath)
{
    QString path = QDir::toNativeSeparators(sPath);
    if (path.endsWith(QDir::separator()))
        path.chop(1);
    return path;
}

QString FormatBytesToStr2(uint64_t nBytes)
{
    if (nBytes > 1000000000ull)
        return QString::number(nBytes / 1000000000.0, 'f', 2) + " GB";
    if (nBytes > 1000000ull)
        return QString::number(nBytes / 1000000.0, 'f', 2) + " MB";
    if (nBytes > 1000ull)
        return QString::number(nBytes / 1000.0, 'f', 2) + " KB";
    return QString::number(nBytes) + " B";
}

QString fileSizeToString(uint64_t nBytes)
{
    const uint64_t b = nBytes % 1024;
    const uint64_t k = (nBytes / 1024) % 1024;
    const uint64_t m = (nBytes / 1048576) % 1024;
    const uint64_t g = nBytes / 1073741824;
    if (g != 0)
        return QString("%1.%2").arg(g).arg(m) + QCoreApplication::translate("QObject", "GB");
    if (m != 0)
        return QString("%1.%2").arg(m).arg(k) + QCoreApplication::translate("QObject", "MB");
    if (k != 0)
        return QString("%1.%2").arg(k).arg(b) + QCoreApplication::translate("QObject", "KB");
    return QString::number(b) + QCoreApplication::translate("QObject", "B");
}

QStringList extractExtsFromFilterStr(QString sFilter)
{
    QStringList exts;
    QSet<QString> seen;
    const QStringList parts = sFilter.split(";;", Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (const QString& part : parts) {
        const int open = part.indexOf('(');
        const int close = part.indexOf(')');
        // A part without its parentheses is taken as a plain pattern list.
        const QString patterns = (open >= 0 && close > open) ? part.mid(open + 1, close - open - 1) : part;
        for (const QString& piece : patterns.split(' ', Qt::KeepEmptyParts)) {
            const int star = piece.indexOf("*.");
            if (star < 0)
                continue;
            QString ext = piece;
            ext.remove(star, 2);
            if (!seen.contains(ext)) {
                seen.insert(ext);
                exts.append(ext);
            }
        }
    }
    return exts;
}

bool ResolveShellTarget(const QString& sFolder, const QString& sFileName, QString& sDir, QString& sFile)
{
    sDir.clear();
    sFile.clear();
    if (!QuentaBased::dir_exists(sFolder.toUtf8().constData()))
        return false;
    const std::string withSlash = QuentaBased::include_path_backslash(sFolder.toUtf8().constData());
    sDir = QDir::toNativeSeparators(QString::fromUtf8(withSlash.c_str()));
    if (!sFileName.isEmpty()) {
        const QString candidate = QDir::toNativeSeparators(sDir + sFileName);
        if (QFileInfo::exists(candidate))
            sFile = candidate;
    }
    return true;
}

void OpenFloderWithShell(QString sFolder, QString sFileName)
{
    QString dir, file;
    if (!ResolveShellTarget(sFolder, sFileName, dir, file))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (file.isEmpty() || !bus.isConnected()) {
        OpenWithXdg(dir);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)) << QString();
    QDBusPendingCallWatcher* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [dir](QDBusPendingCallWatcher* w) {
        if (w->isError())
            OpenWithXdg(dir);
        w->deleteLater();
    });
}

QString KeepFileAside(const QString& sPath)
{
    QString sAside = sPath + ".bad";
    for (int n = 2; QFileInfo::exists(sAside) || QFileInfo(sAside).isSymLink(); ++n)
        sAside = sPath + ".bad-" + QString::number(n);
    return QFile::rename(sPath, sAside) ? sAside : QString();
}
