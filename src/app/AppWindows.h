#pragma once

#include <memory>

struct LaunchRequest;

class PlayerWindow;
class OptionsDialog;
class ConfirmDialog;
class CutterWindow;
class JoinerWindow;
class MprisService;

// Every window of the program, created once in a fixed order: the main window first
// (it fills the shared folders), then the options dialog (it loads the settings,
// whose defaults are those folders), the two small dialogs, the cutter, the joiner.
struct AppWindows {
    AppWindows();
    ~AppWindows();

    // Raises the program and does what a start asked: lists a folder or a file's folder
    // (selecting the file), opens the cutter or the joiner. While the cutter or the joiner
    // is open, only raises it.
    void carryOut(const LaunchRequest& request);

    std::unique_ptr<PlayerWindow> playerWindow;
    std::unique_ptr<OptionsDialog> optionsDialog;
    std::unique_ptr<ConfirmDialog> confirmDialog;
    std::unique_ptr<CutterWindow> cutterWindow;
    std::unique_ptr<JoinerWindow> joinerWindow;
    // The desktop's media keys and sound menu; declared last, so it goes before the player.
    std::unique_ptr<MprisService> mediaControls;
};
