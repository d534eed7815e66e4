#pragma once

#include <functional>

#include <QApplication>

// The application object. An exception that escapes any event handler is shown to
// the user and the program goes on.
class Application : public QApplication {
    Q_OBJECT

public:
    static constexpr const char* title = "Zelvo MP3 Zovozu Darozu 3.5";

    Application(int& argc, char** argv);
    ~Application() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs a step outside the event loop with the same handling.
    static void guarded(const std::function<void()>& step);

    // How an escaped error reaches the user: a message box unless replaced (tests).
    static std::function<void(const QString&)> reportError;
};
