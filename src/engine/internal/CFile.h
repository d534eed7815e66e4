#pragma once

#include <cstdio>
#include <memory>

namespace Engine {

// A C stream that is closed when it goes out of scope. Where the close's result matters
// (an output's last write), close it with std::fclose(file.release()) and check.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

} // namespace Engine
