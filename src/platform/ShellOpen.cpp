#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

#include "FileNames.h"

namespace Platform {

bool shellOpen(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(pathFromBytes(path)));
}

std::string shellOpenFailure(const std::string& path) {
    return "Cannot open \"" + path + "\": no file manager or browser of the desktop could be started";
}

} // namespace Platform
