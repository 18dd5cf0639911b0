#include "userfailuretext.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cerrno>

namespace UserFailureText {

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("UserFailureText", text);
}

// The path an operation text names ("open /a/b.mp4 error", "Can't write the
// file /a/b.m2ts"), or an empty text.
QString PathIn(const QString& operation)
{
    const int at = operation.indexOf(QLatin1Char('/'));
    if (at < 0)
        return QString();
    QString path = operation.mid(at).trimmed();
    if (path.endsWith(QLatin1String(" error")))
        path.chop(6);
    return path;
}

QString ExplainErrno(int code, const QString& path, const QString& systemText)
{
    const QString file = path.isEmpty() ? Tr("the file") : Tr("the file %1").arg(path);
    switch (code) {
    case ENOENT: return Tr("%1 no longer exists").arg(file);
    case EACCES:
    case EPERM: return Tr("%1 may not be read or written (permission denied)").arg(file);
    case EISDIR: return Tr("%1 is a folder, not a file").arg(file);
    case ENOSPC: return Tr("the disk is full");
    case EROFS: return Tr("the disk can only be read");
    case EIO: return Tr("the disk could not be read or written (%1)").arg(file);
    default: return Tr("%1 could not be used: the system reports \"%2\"").arg(file, systemText);
    }
}

} // namespace

QString Explain(const QString& message)
{
    const QString text = message.trimmed();
    static const QRegularExpression errnoText(QStringLiteral("^(.*?):? errno: (\\d+) ?(.*)$"),
                                              QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch m = errnoText.match(text);
    if (m.hasMatch())
        return ExplainErrno(m.captured(2).toInt(), PathIn(m.captured(1)), m.captured(3).trimmed());

    static const QRegularExpression cut(
        QStringLiteral("^The file (.*) is damaged: the data ends at (\\S+) s of the (\\S+) s its header states"));
    m = cut.match(text);
    if (m.hasMatch())
        return Tr("the file %1 is damaged: its data ends at %2 s of the %3 s its header states (it is cut short)")
            .arg(m.captured(1), m.captured(2), m.captured(3));
    static const QRegularExpression damaged(QStringLiteral("^The file (.*) is damaged: "));
    m = damaged.match(text);
    if (m.hasMatch())
        return Tr("the file %1 is damaged").arg(m.captured(1));
    const struct
    {
        const char* start;
        const char* said;
    } known[] = {
        {"No video or audio stream found in ",
         QT_TRANSLATE_NOOP("UserFailureText", "it holds no pictures and no sound")},
        {"Not a media file: ", QT_TRANSLATE_NOOP("UserFailureText", "it is a folder, not a media file")},
        {"Not a media file or damaged: ",
         QT_TRANSLATE_NOOP("UserFailureText", "it is not a media file, or it is damaged")},
        {"The file is empty: ", QT_TRANSLATE_NOOP("UserFailureText", "the file is empty")},
        {"No picture in ", QT_TRANSLATE_NOOP("UserFailureText", "it holds no picture")},
        {"Can't decode the picture in ", QT_TRANSLATE_NOOP("UserFailureText", "its picture cannot be decoded")},
        {"The file changed since it was probed: ",
         QT_TRANSLATE_NOOP("UserFailureText", "the file changed while it was being read")},
        {"A TiVo recording needs the TiVo media access key",
         QT_TRANSLATE_NOOP("UserFailureText", "a TiVo recording needs the TiVo media access key")},
        {"No enough memory", QT_TRANSLATE_NOOP("UserFailureText", "there was not enough memory")},
    };
    for (const auto& k : known)
        if (text.startsWith(QLatin1String(k.start)))
            return Tr(k.said);
    return message;
}

} // namespace UserFailureText
