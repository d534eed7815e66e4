#include "AppWindows.h"

#include "Application.h"
#include "ConfirmDialog.h"
#include "JoinerWindow.h"
#include "OptionsDialog.h"
#include "FolderChooserDialog.h"
#include "PlayerWindow.h"
#include "CutterWindow.h"

TAppWindows::TAppWindows() {
    frmPlayer = std::make_unique<TfrmPlayer>();
    frmOptions = std::make_unique<TfrmOptions>();
    // A settings file that cannot be written is reported; the other windows still come up.
    TApplication::Guarded([this] { frmOptions->LoadAtStartup(); });
    frmPathSelect = std::make_unique<TfrmPathSelect>();
    frmOptions->SetPathChooser(frmPathSelect.get());
    frmConfirm = std::make_unique<TfrmConfirm>();
    frmSplitter = std::make_unique<TfrmSplitter>();
    frmJoiner = std::make_unique<TfrmJoiner>();
    frmPlayer->SetWindows(frmOptions.get(), frmConfirm.get(), frmSplitter.get(), frmJoiner.get());
    frmSplitter->SetWindows(frmOptions.get(), frmConfirm.get(), [this] { frmPlayer->RefreshPlayList(); });
    frmJoiner->SetWindows(frmOptions.get(), frmConfirm.get(), [this] { frmPlayer->RefreshPlayList(); });
}

TAppWindows::~TAppWindows() = default;
