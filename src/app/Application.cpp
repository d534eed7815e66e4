#include "Application.h"

#include <exception>

#include <QMessageBox>

#include "EngineEvents.h"

namespace {

void showErrorBox(const QString& text) {
    QMessageBox::critical(nullptr, Application::title, text);
}

} // namespace

std::function<void(const QString&)> Application::reportError = showErrorBox;

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationDisplayName(title);
    setApplicationVersion(ZELVO_VERSION);
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
