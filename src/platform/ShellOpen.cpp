#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace Platform {

bool shellOpen(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

} // namespace Platform
