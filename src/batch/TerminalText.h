#pragma once

#include <string>

// Texts that come from files (tags, names, what commands print) shown on a terminal: their
// control characters (C0 but the line ends when keepLines, DEL and C1) escaped as \xNN,
// so that no text can move the cursor, clear the screen or set the terminal's title.
std::string escapedControls(const std::string& text, bool keepLines);

// The text as it is to be written to the descriptor: escaped when it is a terminal, as it
// is when it is a file or a pipe.
std::string forDescriptor(int descriptor, const std::string& text, bool keepLines = true);
