// The desktop's list of recently used documents (the freedesktop.org
// bookmark file $XDG_DATA_HOME/recently-used.xbel), in place of the
// original platform's recent documents of the start menu.
#pragma once

#include <QString>

namespace movrel {

// $XDG_DATA_HOME/recently-used.xbel
QString RecentDocumentsPath();

// Adds path (made absolute) as a bookmark registered by "Movrel", or
// refreshes its times when it is there. Every other bookmark and line of
// the file stays; the file is replaced whole, atomically. False when it
// could not be read or written.
bool AddRecentDocument(const QString& path, const QString& mimeType = QStringLiteral("application/zip"));

}  // namespace movrel
