#pragma once

// The media layer and the worker report failures in their own English words,
// an operating-system failure as "<what>: errno: <n> <system text>". These
// functions say them to the user in the interface's language: what the error
// means for the file ("the file … no longer exists"), not its number.

#include <QString>

namespace UserFailureText {

// The message said in the user's language where it is one the system knows;
// any other message comes back as it is.
QString Explain(const QString& message);

} // namespace UserFailureText
