#pragma once

#include <QStringList>

class QCoreApplication;

// What the program was started to do: files and folders to show, a file to cut, files
// to join. Paths are absolute, so a request can be handed to a copy that runs elsewhere.
struct LaunchRequest {
    QStringList paths;
    bool cut = false;  // --cut FILE: the cutter opens with the (first) file
    bool join = false; // --join FILE…: the joiner opens with the files (a folder's audio files) in its list

    bool empty() const { return paths.isEmpty(); }
    // As arguments again, for the running copy.
    QStringList arguments() const;
};

// The request of the program's own command line; --help, --version and a bad option end
// the process with the parser's text.
LaunchRequest launchRequestOf(const QCoreApplication& app);
// The request of arguments handed over by a later start (without the program's name);
// unknown options are ignored.
LaunchRequest launchRequestFrom(const QStringList& arguments);
