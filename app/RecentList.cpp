#include "RecentList.h"

namespace movrel {

void UpdateRecent(QStringList& list, const QString& name)
{
    while (list.size() < kRecentCount)
        list << QString();
    while (list.size() > kRecentCount)
        list.removeLast();
    int at = int(list.indexOf(name));
    if (at < 0) {
        list.prepend(name);
        list.removeLast();
        return;
    }
    list.move(at, 0);
}

QString RecentName(const QString& caption)
{
    int a = 0, b = int(caption.size());
    while (a < b && caption[a].unicode() <= 32)
        ++a;
    while (b > a && caption[b - 1].unicode() <= 32)
        --b;
    return caption.mid(a, b - a);
}

}  // namespace movrel
