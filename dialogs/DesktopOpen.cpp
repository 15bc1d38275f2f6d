#include "DesktopOpen.h"

#include <QProcess>

namespace movrel {

bool OpenWithDesktop(const QString& path)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

}  // namespace movrel
