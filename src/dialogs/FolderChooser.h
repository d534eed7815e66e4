#pragma once

#include <QString>

class QWidget;

// The chooser of the output folders: the desktop's own folder dialog, titled "Path Select".
class FolderChooser {
public:
    // Opens at start (or at the home folder when start is not a folder) and gives the
    // chosen folder ending in "/", or "" when the user cancelled.
    static QString choose(QWidget* parent, const QString& start);

    // One trailing "/" removed if present, then one appended.
    static QString withSingleTrailingSlash(const QString& path);
};
