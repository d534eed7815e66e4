#include "CommandFile.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BatchCommands.h"
#include "ParallelJobs.h"
#include "ProgressBar.h"
#include "TextDecoding.h"

extern char** environ;

namespace {

// The words of one line; false when a quote is left open.
bool splitWords(const std::string& line, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote && c == quote) {
            quote = 0;
        } else if (quote == '\'' || (quote == '"' && c != '\\')) {
            word += c;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            inWord = true;
        } else if (!quote && (c == '\'' || c == '"')) {
            quote = c;
            inWord = true;
        } else if (!quote && (c == ' ' || c == '\t' || c == '\r')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return quote == 0;
}

constexpr size_t MaxCommandBytes = 16 << 20; // some hundred thousand commands

// The text of a command file, or of standard input for "-", up to the limit.
std::string readWhole(const std::string& fileName) {
    const std::string name = fileName == "-" ? std::string("standard input") : "\"" + fileName + "\"";
    std::ifstream file;
    if (fileName != "-") {
        std::error_code ec;
        if (std::filesystem::status(fileName, ec).type() != std::filesystem::file_type::regular && !ec)
            throw UsageError("Cannot read the commands of " + name + ": it is not a file");
        file.open(fileName, std::ios::binary);
        if (!file)
            throw UsageError("Cannot read the commands of " + name);
    }
    std::istream& in = fileName == "-" ? std::cin : file;
    std::string text;
    std::array<char, 65536> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        text.append(chunk.data(), static_cast<size_t>(in.gcount()));
        if (text.size() > MaxCommandBytes)
            throw UsageError("Cannot read the commands of " + name + ": they pass 16 MB");
    }
    // UTF-16 or UTF-32 (as some editors save) is read as text; 8-bit text stays as its
    // bytes, which name files whose names are bytes too.
    const std::string encoding = TextDecoding::detectedEncoding(text);
    if (encoding.starts_with("UTF-16") || encoding.starts_with("UTF-32") ||
        (encoding == "UTF-8" && text.starts_with("\xEF\xBB\xBF")))
        text = TextDecoding::asUtf8(text, encoding);
    return TextDecoding::withUnixLineEnds(text);
}

// A pipe's two ends, closed when it goes.
struct Pipe {
    std::array<int, 2> ends{-1, -1};
    Pipe() {
        if (pipe2(ends.data(), O_CLOEXEC) != 0)
            throw std::runtime_error("Cannot start a command: no pipe");
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeEnd(int end) {
        if (ends[end] >= 0)
            close(ends[end]);
        ends[end] = -1;
    }
};

// The child's standard output, error and progress, read until all three close; the
// progress lines ("permille") go to the report.
void collect(Pipe& out, Pipe& err, Pipe& progress, pid_t child, JobReport& report) {
    std::string pending;
    bool stopSent = false;
    std::array<pollfd, 3> fds{{{out.ends[0], POLLIN, 0}, {err.ends[0], POLLIN, 0}, {progress.ends[0], POLLIN, 0}}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0 || fds[2].fd >= 0) {
        if (stopRequested && !stopSent) {
            kill(child, SIGTERM);
            stopSent = true;
        }
        if (poll(fds.data(), fds.size(), 200) < 0 && errno != EINTR)
            break;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                fds[i].fd = -1;
                continue;
            }
            if (i == 0)
                report.out.write(buffer, got);
            else if (i == 1)
                report.err.write(buffer, got);
            else
                pending.append(buffer, static_cast<size_t>(got));
        }
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            report.permille = std::atoi(pending.c_str());
    }
}

std::string programPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        throw std::runtime_error("Cannot start a command: the program's own path is unknown");
    return {path, static_cast<size_t>(length)};
}

// Runs the program with the arguments; its exit status (128 + the signal's number when a
// signal ended it).
int runChild(const std::vector<std::string>& arguments, JobReport& report) {
    Pipe out, err, progress;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.ends[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.ends[1], 2);
    posix_spawn_file_actions_adddup2(&actions, progress.ends[1], ProgressBar::ReportDescriptor);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables{std::string(ProgressBar::ReportVariable) + "=1"};
    for (char** variable = environ; *variable; ++variable)
        if (std::string(*variable).rfind(std::string(ProgressBar::ReportVariable) + "=", 0) != 0)
            variables.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    pid_t child = -1;
    const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("Cannot start \"" + arguments[0] + "\": " + std::strerror(error));
    for (Pipe* pipe : {&out, &err, &progress})
        pipe->closeEnd(1);
    collect(out, err, progress, child, report);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

std::vector<CommandLine> parseCommandFile(const std::string& text, const std::string& fileName) {
    std::vector<CommandLine> commands;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        CommandLine command{number, {}};
        const std::string where = (fileName == "-" ? std::string("standard input") : "\"" + fileName + "\"") +
                                  ", line " + std::to_string(number);
        if (line.find('\0') != std::string::npos)
            throw UsageError(where + ": it holds a NUL character");
        if (!splitWords(line, command.words))
            throw UsageError(where + ": a quote is not closed");
        if (command.words.empty() || command.words.front().front() == '#')
            continue;
        const std::string& name = command.words.front();
        if (name != "convert" && name != "cut" && name != "join" && name != "info" && name != "loudness")
            throw UsageError(where + ": \"" + name + "\" is not a command (convert, cut, join, info or loudness)");
        commands.push_back(std::move(command));
    }
    return commands;
}

std::vector<CommandLine> readCommandFile(const std::string& fileName) {
    return parseCommandFile(readWhole(fileName), fileName);
}

int runCommandFile(const std::string& fileName, const std::vector<std::string>& leadingOptions, unsigned jobs) {
    const std::vector<CommandLine> commands = readCommandFile(fileName);
    const std::string program = programPath();
    const std::string label = std::to_string(commands.size()) + " commands";
    return runInParallel(commands.size(), jobs == 0 ? coreCount() : jobs, label, [&](size_t i, JobReport& report) {
        std::vector<std::string> arguments{program};
        arguments.insert(arguments.end(), leadingOptions.begin(), leadingOptions.end());
        arguments.insert(arguments.end(), commands[i].words.begin(), commands[i].words.end());
        const int status = runChild(arguments, report);
        if (status != 0)
            report.err << "The command of line " << commands[i].lineNumber << " ended with status " << status << "\n";
        return status;
    });
}
