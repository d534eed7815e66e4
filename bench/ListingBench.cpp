// Times the main window's listing of a folder of 500 MP3 files (a few seconds each).
//   listing-bench [FILES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FolderTree.h"
#include "PlayerWindow.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 500;
    QTemporaryDir folder;
    const QString first = folder.path() + "/0000.mp3";
    const std::string make =
        "ffmpeg -v error -f lavfi -i 'sine=f=440:d=5' -c:a libmp3lame -b:a 128k '" + first.toStdString() + "'";
    if (std::system(make.c_str()) != 0)
        return 1;
    for (int i = 1; i < files; ++i)
        QFile::copy(first, folder.path() + QString("/%1.mp3").arg(i, 4, 10, QChar('0')));

    PlayerWindow player;
    player.folderTree_->selectPath(QDir::tempPath());
    player.listSelectedFolder();
    player.folderTree_->selectionModel()->blockSignals(true);
    player.folderTree_->selectPath(folder.path());
    player.folderTree_->selectionModel()->blockSignals(false);
    const auto start = std::chrono::steady_clock::now();
    player.listSelectedFolder();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("listed %d MP3 files in %.3f s (%.0f files per second)\n", player.rowCount(), seconds,
                player.rowCount() / seconds);
    return player.rowCount() == files ? 0 : 1;
}
