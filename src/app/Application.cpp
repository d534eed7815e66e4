#include "Application.h"

#include <exception>

#include <QIcon>
#include <QMessageBox>

#include "EngineEvents.h"

namespace {

void showErrorBox(const QString& text) {
    QMessageBox::critical(nullptr, Application::title, text);
}

} // namespace

std::function<void(const QString&)> Application::reportError = showErrorBox;

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    Q_INIT_RESOURCE(Resources); // the theme and the icon, linked in from a static library
    setApplicationDisplayName(title);
    setApplicationVersion(ZELVO_VERSION);
    // Every window has the program's icon: the installed theme's, else the one built in.
    setWindowIcon(QIcon::fromTheme("zelvo-mp3", QIcon(":/zelvo-mp3.svg")));
    setDesktopFileName("zelvo-mp3"); // the desktop matches the windows to the menu entry
    routeEngineEventsToTheWindows();
}

Application::~Application() {
    stopRoutingEngineEvents();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void Application::guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        reportError(QString::fromUtf8(error.what()));
    } catch (...) {
        reportError("Unknown error");
    }
}
