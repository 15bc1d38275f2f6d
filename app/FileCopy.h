// Copying an archive file to another name (Save As, Copy and Move ZIP File),
// with the standard library in place of the desktop shell's file operation.
#pragma once

#include <QString>

namespace movrel {

// Whether the two names reach the same file (links followed).
bool IsSameFile(const QString& a, const QString& b);

// Copies source to target. The copy is written beside target under a
// temporary name and renamed over it at the end, so target is at every
// moment either as it was or the complete copy. Permissions and the
// modification time come along. Copying a file onto itself does nothing.
// Answers an empty text, or what went wrong.
QString CopyFileReplacing(const QString& source, const QString& target);

}  // namespace movrel
