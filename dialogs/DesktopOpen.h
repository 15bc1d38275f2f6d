// Hands a file to the desktop's "open": the application the desktop
// associates with its type starts on it (xdg-open, started detached, since
// QDesktopServices does not reach it on every platform plugin).
#pragma once

#include <QString>

namespace movrel {

// False when xdg-open could not be started; whether the desktop then finds
// an application is not known here.
bool OpenWithDesktop(const QString& path);

}  // namespace movrel
