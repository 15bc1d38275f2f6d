#include "AppIcons.h"

#include <QDir>
#include <QIcon>
#include <QStandardPaths>

namespace movrel {

void InstallIconFallback()
{
    QString theme = QIcon::themeName();
    if (!theme.isEmpty() && theme != QLatin1String("hicolor"))
        return;
    // Without a platform theme Qt looks only in its resources: add the
    // freedesktop icon folders.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList found = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                  QStandardPaths::LocateDirectory);
    found.prepend(QDir::homePath() + QStringLiteral("/.icons"));
    for (const QString& p : found)
        if (!paths.contains(p) && QDir(p).exists())
            paths << p;
    QIcon::setThemeSearchPaths(paths);
    for (const char* candidate : {"breeze", "Adwaita", "oxygen", "Tango"}) {
        for (const QString& base : paths)
            if (QDir(base + '/' + QLatin1String(candidate)).exists(QStringLiteral("index.theme"))) {
                QIcon::setThemeName(QLatin1String(candidate));
                return;
            }
    }
}

}  // namespace movrel
