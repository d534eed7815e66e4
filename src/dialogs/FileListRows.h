#pragma once

#include <QString>

class QFileInfo;
class QTreeWidget;
class AudioInfo;

// What the main window's play list and the joiner's folder list share.

// Sorts the rows by a column, ascending and stable, texts compared without letter case;
// the size column by its unit first.
void sortFileList(QTreeWidget* list, int column, int sizeColumn);

// A folder entry the lists show: a regular file, or a link to one, with an audio file's
// extension. Pipes, sockets and devices are never listed: opening a pipe waits for good.
bool isListedAudioFile(const QFileInfo& entry);

// The duration text of a file; a file whose information cannot be read is listed with 0.
QString durationTextOf(AudioInfo& info, const QString& path);
