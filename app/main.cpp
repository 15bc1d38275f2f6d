// Movrel: starts the main window, optionally on the archive named by the
// arguments (all of them, joined by single spaces).
#include "mainunit.h"

#include "AppIcons.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movrel"));
    QApplication::setOrganizationName(QStringLiteral("Brenhold"));
    movrel::InstallIconFallback();

    movrel::TMainform form;
    form.SetCommandLine(QApplication::arguments().mid(1));
    form.show();
    return app.exec();
}
