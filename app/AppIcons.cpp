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
    for (const char* candidate : {"Adwaita", "breeze", "oxygen", "Tango"}) {
        for (const QString& base : QIcon::themeSearchPaths())
            if (QDir(base + '/' + QLatin1String(candidate)).exists(QStringLiteral("index.theme"))) {
                QIcon::setThemeName(QLatin1String(candidate));
                return;
            }
    }
}

}  // namespace movrel
