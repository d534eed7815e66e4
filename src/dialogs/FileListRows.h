#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

class QMimeData;

// What the main window's play list and the joiner's folder list share.

// The files of a folder the lists show: regular files, or links to one, with an audio
// file's extension, in the order the folder holds them. Pipes, sockets and devices are
// never listed (opening a pipe waits for good); names that are not UTF-8 are.
struct ListedFile {
    QString name, path;
    int64_t size = 0;
};
std::vector<ListedFile> listedAudioFiles(const QString& folder);

// The files given, a folder's audio files in name order in its place (what a drop or a
// command line gives a list).
QStringList audioFilesIn(const QStringList& paths);
// The local files and folders a drag from a file manager carries.
QStringList localPathsOf(const QMimeData& data);

// Whether the path names a regular file (or a link to one).
bool isRegularFile(const QString& path);
// A file's size in bytes, -1 when it is not there.
int64_t fileSizeOf(const QString& path);
