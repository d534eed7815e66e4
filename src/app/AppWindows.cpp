#include "AppWindows.h"

#include "Application.h"
#include "ConfirmDialog.h"
#include "JoinerWindow.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "CutterWindow.h"
#include "FileListRows.h"
#include "LaunchRequest.h"
#include "MprisService.h"

#include <QApplication>

AppWindows::AppWindows() {
    playerWindow = std::make_unique<PlayerWindow>();
    optionsDialog = std::make_unique<OptionsDialog>();
    // A settings file that cannot be written is reported; the other windows still come up.
    Application::guarded([this] { optionsDialog->loadAtStartup(); });
    confirmDialog = std::make_unique<ConfirmDialog>();
    cutterWindow = std::make_unique<CutterWindow>();
    joinerWindow = std::make_unique<JoinerWindow>();
    playerWindow->setWindows(optionsDialog.get(), confirmDialog.get(), cutterWindow.get(), joinerWindow.get());
    cutterWindow->setWindows(optionsDialog.get(), confirmDialog.get(), [this] { playerWindow->refreshPlayList(); });
    joinerWindow->setWindows(optionsDialog.get(), confirmDialog.get(), [this] { playerWindow->refreshPlayList(); });
    mediaControls = std::make_unique<MprisService>(*playerWindow);
}

AppWindows::~AppWindows() = default;

namespace {

void raise(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void AppWindows::carryOut(const LaunchRequest& request) {
    raise(playerWindow.get());
    if (QWidget* modal = QApplication::activeModalWidget())
        return raise(modal);
    if (request.empty())
        return;
    if (request.join) {
        joinerWindow->addFiles(audioFilesIn(request.paths));
        return playerWindow->openJoiner();
    }
    if (playerWindow->showPath(request.paths.front()) && request.cut)
        playerWindow->openCutterOn(request.paths.front());
}
