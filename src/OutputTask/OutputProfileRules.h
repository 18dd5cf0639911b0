#pragma once

// The rules by which an output task rewrites its working copy of the chosen
// profile before the job goes to the conversion engine, and derives the
// output file's extension from the profile. A rule skips whatever part or
// name the profile lacks; none raises anything of its own.

#include <QString>
#include <QStringList>

class IMirendo;
class IProfile;
struct TaskSourceInfo;

namespace OutputProfileRules {

// The output extension with its dot. A profile that keeps the source's own
// extension (".*") gives ".mkv" for the MKV format and sSourceExt otherwise.
// Null when the profile says nothing (no profile, no file part).
QString DestinationExtension(IProfile* pProfile, const QString& sSourceExt);

// For every task: codec and exporter names the worker cannot write are
// replaced, and more than two audio channels are cut to two unless the codec
// or the format keeps them.
void AdjustParams(IProfile* pProfile);

// For a lossless task (its "remux" parameter names the accurate trim): the
// source's bitrates, the trim mode of the "LosslessOutputMode" setting (an unknown mode is
// stored back as 0) and the clips' frame values.
void AdjustForLossless(IProfile* pProfile, bool bLossless, unsigned int nSrcVideoBitrate, unsigned int nSrcAudioBitrate,
                       const QStringList& frameValues);

// For a converting task: an open frame rate becomes the source's (or 30),
// and with a known picture size the iPod bitrate correction and the device
// database's fitting apply.
void AdjustForConversion(IProfile* pProfile, bool bLossless, const TaskSourceInfo& source, IMirendo* pMirendo);

} // namespace OutputProfileRules
