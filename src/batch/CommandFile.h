#pragma once

#include <string>
#include <vector>

// Files of commands for the batch program: one command per line, written as on the
// command line after the program's name ("cut 'live set.mp3' --every 5:00 --copy").
// Words are split at blanks; '...' and "..." quote, a backslash takes the next character
// as it is; empty lines and lines starting with # are left out.

struct CommandLine {
    int lineNumber = 0;
    std::vector<std::string> words;
};

// The commands of the text; raises UsageError naming the line of an unclosed quote or of
// a command that is not convert, cut, join, info or loudness.
std::vector<CommandLine> parseCommandFile(const std::string& text, const std::string& fileName);

// The commands of the file ("-": standard input): at most 16 MB of text, in UTF-8 or
// 8-bit bytes, or UTF-16/32 as some editors save it, with any line ends; raises
// UsageError when the file cannot be read or is not such a text.
std::vector<CommandLine> readCommandFile(const std::string& fileName);

// Runs the commands of the file ("-": standard input) as the program itself, up to jobs
// at once (0: one per core), each with the given leading options (settings, formats).
// Their output and messages are printed in the file's order under one progress bar; a
// stop (Ctrl-C, SIGTERM) stops the running ones and starts no more. Returns the highest
// exit status of a command.
int runCommandFile(const std::string& fileName, const std::vector<std::string>& leadingOptions, unsigned jobs);
