// The five recent archives of the File menu, most recent first.
#pragma once

#include <QString>
#include <QStringList>

namespace movrel {

inline constexpr int kRecentCount = 5;

// Puts name first. Names are compared whole and with letter case. A name
// not in the list pushes the others down one place (the fifth is dropped);
// a name at place k moves to the top, the places before k move down one and
// those after k stay. list is padded or cut to five entries.
void UpdateRecent(QStringList& list, const QString& name);

// A recent item's caption as an archive name: leading and trailing blanks
// and control characters removed.
QString RecentName(const QString& caption);

}  // namespace movrel
