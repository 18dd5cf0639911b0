#include "LosslessVerdict.h"

#include "IAccurateTrimManager.h"

#include <QCoreApplication>
#include <QStringList>

LosslessVerdict LosslessVerdictOf(Moorland::IAccurateTrimManager* trim)
{
    LosslessVerdict verdict;
    uint32_t count = 0;
    const Moorland::LosslessNotice* notices = trim ? trim->GetNotices(&count) : nullptr;
    for (uint32_t i = 0; notices && i < count; ++i) {
        LosslessNote note;
        note.kind = static_cast<int32_t>(notices[i].kind);
        note.container = QString::fromUtf8(notices[i].container ? notices[i].container : "");
        note.codec = QString::fromUtf8(notices[i].codec ? notices[i].codec : "");
        verdict << note;
    }
    return verdict;
}

QString LosslessVerdictWords(const LosslessVerdict& verdict)
{
    // The task row's words.
    auto row = [](const char* text) { return QCoreApplication::translate("VMOutputTaskItem", text); };
    QStringList lines;
    for (const LosslessNote& note : verdict) {
        switch (static_cast<Moorland::LosslessNoticeKind>(note.kind)) {
        case Moorland::LosslessNoticeKind::SoundLeftOut:
            lines << row("%1 can't hold the %2 sound: it is left out").arg(note.container, note.codec);
            break;
        case Moorland::LosslessNoticeKind::SubtitlesLeftOut:
            lines << row("%1 can't hold the %2 subtitles: they are left out").arg(note.container, note.codec);
            break;
        case Moorland::LosslessNoticeKind::TurnKeptAsTag:
            lines << row("%1 keeps the clip's turn only as a \"rotate\" tag, which other players don't read")
                         .arg(note.container);
            break;
        case Moorland::LosslessNoticeKind::CutsAtNextKeyPicture:
            lines << row("No encoder here for the pictures at a cut: the clips start at their next key picture");
            break;
        }
    }
    return lines.join('\n');
}
