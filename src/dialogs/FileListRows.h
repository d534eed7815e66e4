#pragma once

#include <QString>

class QTreeWidget;
class AudioInfo;

// What the main window's play list and the joiner's folder list share.

// Sorts the rows by a column, ascending and stable, texts compared without letter case;
// the size column by its unit first.
void sortFileList(QTreeWidget* list, int column, int sizeColumn);

// The duration text of a file; a file whose information cannot be read is listed with 0.
QString durationTextOf(AudioInfo& info, const QString& path);
