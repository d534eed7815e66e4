#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace Platform {

bool ShellOpen(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

} // namespace Platform
