// Folder rules shared by the Add Files and Extract dialogs and the main
// window's add and extract.
#pragma once

#include <QDir>
#include <QString>

namespace movrel {

// Where a dialog's tree goes when its folder is gone or none is set: the
// user's home folder (the system drive's root of the original design; on
// Linux the home folder is where a person's files are and may be written).
inline QString FallbackFolder()
{
    return QDir::homePath();
}

// text without leading and trailing blanks and control characters.
inline QString TrimControls(const QString& text)
{
    qsizetype a = 0, b = text.size();
    while (a < b && text[a].unicode() <= 32)
        ++a;
    while (b > a && text[b - 1].unicode() <= 32)
        --b;
    return text.mid(a, b - a);
}

}  // namespace movrel
