// The ".zip" association on a freedesktop.org desktop. In place of the
// registry keys of the original design:
//   ".zip" -> "Movrel"              the default application of the MIME type
//                                   application/zip in $XDG_CONFIG_HOME/
//                                   mimeapps.list: "movrel.desktop"
//   "Movrel\shell\open\command"     the Exec= line of $XDG_DATA_HOME/
//                                   applications/movrel.desktop: the program's
//                                   path (quoted when it must be) and " %f"
//   "Movrel\DefaultIcon"            Icon=movrel, the program's icon installed
//                                   in $XDG_DATA_HOME/icons/hicolor
// Nothing else is written or removed; other lines of mimeapps.list stay.
#pragma once

#include <QString>

namespace movrel {

extern const char* const kDesktopId;  // "movrel.desktop"

QString DesktopFilePath();  // $XDG_DATA_HOME/applications/movrel.desktop
QString MimeAppsPath();     // $XDG_CONFIG_HOME/mimeapps.list

// The MIME type of files with that extension ("zip" -> "application/zip").
QString MimeTypeOfExtension(const QString& extension);

// The command line the desktop file carries for programPath: the path,
// quoted as desktop files require when it holds a blank or another
// reserved character, then " %f".
QString ExecCommand(const QString& programPath);

// The Exec= value of our desktop file with its escapes undone; empty when
// the file or the line is missing.
QString ReadDesktopExec();

// The first desktop id of the default applications of mimeType in
// mimeapps.list; empty when there is none.
QString ReadDefaultApp(const QString& mimeType);

// Writes the desktop file (from the template in the program) for
// programPath and mimeType, and the program's icon. False on failure.
bool WriteDesktopFile(const QString& programPath, const QString& mimeType);

// Makes desktopId the default application of mimeType, keeping every other
// line of mimeapps.list. False on failure.
bool SetDefaultApp(const QString& mimeType, const QString& desktopId);

}  // namespace movrel
