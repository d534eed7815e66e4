#include "Application.h"

#include <exception>

#include <QMessageBox>

#include "EngineEvents.h"

namespace {

void ShowErrorBox(const QString& text) {
    QMessageBox::critical(nullptr, TApplication::Title, text);
}

} // namespace

std::function<void(const QString&)> TApplication::ReportError = ShowErrorBox;

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationDisplayName(Title);
    RouteEngineEventsToTheWindows();
}

TApplication::~TApplication() {
    StopRoutingEngineEvents();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void TApplication::Guarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportError("Unknown error");
    }
}
