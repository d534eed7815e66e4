#include <QFile>
#include <QFileInfo>

#include "AppWindows.h"
#include "Application.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "SingleInstance.h"
#include "SpecialFolders.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    const TSingleInstanceGuard guard(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    if (!guard.IsFirstInstance())
        return 0;

    QFile theme(":/Theme.qss");
    if (theme.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(theme.readAll()));
    GlobeVar::DefaultRecordOutputPath = Platform::HomeFolder();
    TAppWindows windows;
    windows.frmPlayer->show();
    const int status = app.exec();
    TApplication::Guarded([&] { windows.frmOptions->SaveAtProgramEnd(); });
    return status;
}
