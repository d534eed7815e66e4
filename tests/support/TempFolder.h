#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes. path() ends in "/".
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Whole contents of a file ("" when it cannot be read) and writing one.
std::string readFileText(const std::string& path);
void writeFileText(const std::string& path, const std::string& text);
