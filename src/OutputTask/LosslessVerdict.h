#pragma once

// What a lossless task can't copy of its clips, or where its cuts fall back,
// as the media engine's check found it: kinds and their figures, kept by the
// task and put into words each time the row shows them, in the language of
// that moment.

#include <QList>
#include <QString>

#include <cstdint>

namespace Moorland {
class IAccurateTrimManager;
}

struct LosslessNote
{
    int32_t kind = 0; // a Moorland::LosslessNoticeKind
    QString container;
    QString codec;
};
using LosslessVerdict = QList<LosslessNote>;

// The verdict of a trim manager's last check.
LosslessVerdict LosslessVerdictOf(Moorland::IAccurateTrimManager* trim);
// The verdict in words, one line per note; empty when nothing.
QString LosslessVerdictWords(const LosslessVerdict& verdict);
