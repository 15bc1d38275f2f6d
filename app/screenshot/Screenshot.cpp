// movrel-screenshot ARCHIVE OUTPUT.png [WIDTH HEIGHT]: renders the main
// window listing ARCHIVE into a PNG. Runs with a settings folder of its own,
// so the user's settings are neither read nor changed.
#include "AppIcons.h"
#include "EntryList.h"
#include "EntrySortProxy.h"
#include "Settings.h"
#include "mainunit.h"

#include <QApplication>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());

    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: movrel-screenshot ARCHIVE OUTPUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Movrel"));
    QApplication::setOrganizationName(QStringLiteral("Brenhold"));
    movrel::InstallIconFallback();
    // no association question in a picture
    movrel::WriteText(movrel::CURRENT_USER, movrel::kProductKey, QStringLiteral("ShowAssocDialog"), QStringLiteral("1"));

    // before the window moves into the archive's folder
    QString output = QFileInfo(args[2]).absoluteFilePath();
    movrel::TMainform form;
    int width = args.size() > 4 ? args[3].toInt() : 840;
    int height = args.size() > 4 ? args[4].toInt() : 420;
    form.resize(width, height);
    form.SetCommandLine({QFileInfo(args[1]).absoluteFilePath()});
    form.show();
    QApplication::processEvents();
    if (form.LMDListBox1->RowCount() > 1) {
        QModelIndex second = form.LMDListBox1->Proxy()->index(1, 0);
        form.LMDListBox1->Selection()->select(second, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    form.DisplayHint(QStringLiteral("Movrel"));
    QApplication::processEvents();
    if (!form.grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
