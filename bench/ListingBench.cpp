// Times the main window's listing of a folder of 500 files of a few seconds each, of one
// kind (mp3 unless told: wav, ogg, wma).
//   listing-bench [FILES] [KIND]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include "FolderTree.h"
#include "AudioFileListModel.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 500;
    const QString kind = argc > 2 ? argv[2] : "mp3";
    QTemporaryDir folder;
    const QString first = folder.path() + "/0000." + kind;
    const std::string make = "ffmpeg -v error -f lavfi -i 'sine=f=440:d=5' -ac 2 '" + first.toStdString() + "'";
    if (std::system(make.c_str()) != 0)
        return 1;
    for (int i = 1; i < files; ++i)
        QFile::copy(first, folder.path() + QString("/%1.").arg(i, 4, 10, QChar('0')) + kind);

    // The time runs from asking for the folder to the whole list in the model.
    AudioFileListModel model;
    QEventLoop loop;
    QObject::connect(&model, &AudioFileListModel::listed, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    model.listFolder(folder.path());
    loop.exec();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("listed %d %s files in %.3f s (%.0f files per second)\n", model.rowCount(),
                kind.toUpper().toUtf8().constData(), seconds, model.rowCount() / seconds);
    return model.rowCount() == files ? 0 : 1;
}
