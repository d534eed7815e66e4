#include <QFile>
#include <QFileInfo>

#include "AppWindows.h"
#include "Application.h"
#include "AppSettings.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "SpecialFolders.h"

int main(int argc, char** argv) {
    Application app(argc, argv);
    const SingleInstanceGuard guard(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    if (!guard.isFirstInstance())
        return 0;

    QFile theme(":/Theme.qss");
    if (theme.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(theme.readAll()));
    AppSettings::defaultRecordOutputPath = Platform::homeFolder();
    const TerminationSignals termination;
    AppWindows windows;
    if (termination.exitStatus() != 0)
        return termination.exitStatus();
    windows.playerWindow->show();
    const int status = app.exec();
    Application::guarded([&] { windows.optionsDialog->saveAtProgramEnd(); });
    return status;
}
