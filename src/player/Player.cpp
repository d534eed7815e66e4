#include "Player.h"

#include "GlobeVar.h"
#include "SpecialFolders.h"

namespace {
const char* const ProgramDataFolderName = "Zelvo Mp3 Zovozu Darozu/";
} // namespace

TfrmPlayer::TfrmPlayer(QWidget* parent) : QWidget(parent) {
    setObjectName("frmPlayer");
    setWindowTitle("Zelvo MP3 Player");
    resize(717, 550);
    FillSharedFolders();
}

void TfrmPlayer::FillSharedFolders() {
    using namespace GlobeVar;
    ProgramFolder = Platform::ExecutableFolder();
    SettingsFolder = Platform::ConfigFolder() + ProgramDataFolderName;
    Platform::CreateFolderWithParents(SettingsFolder);
    const std::string root = Platform::DocumentsFolder() + ProgramDataFolderName;
    DefaultConvertOutputPath = root + "Converted files/";
    DefaultSplitOutputPath = root + "Cut files/";
    DefaultJoinOutputPath = root + "Merged files/";
    for (const auto& folder : {DefaultConvertOutputPath, DefaultSplitOutputPath, DefaultJoinOutputPath})
        Platform::CreateFolderWithParents(folder);
}
