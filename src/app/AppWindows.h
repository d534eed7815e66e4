#pragma once

#include <memory>

class TfrmPlayer;
class TfrmOptions;
class TfrmPathSelect;
class TfrmConfirm;
class TfrmSplitter;
class TfrmJoiner;

// Every window of the program, created once in a fixed order: the main window first
// (it fills the shared folders), then the options dialog (it loads the settings,
// whose defaults are those folders), the two small dialogs, the cutter, the joiner.
struct TAppWindows {
    TAppWindows();
    ~TAppWindows();

    std::unique_ptr<TfrmPlayer> frmPlayer;
    std::unique_ptr<TfrmOptions> frmOptions;
    std::unique_ptr<TfrmPathSelect> frmPathSelect;
    std::unique_ptr<TfrmConfirm> frmConfirm;
    std::unique_ptr<TfrmSplitter> frmSplitter;
    std::unique_ptr<TfrmJoiner> frmJoiner;
};
