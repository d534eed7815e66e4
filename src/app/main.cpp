#include <iostream>
#include <string_view>

#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "AppWindows.h"
#include "Application.h"
#include "ControlMap.h"
#include "AppSettings.h"
#include "LaunchRequest.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "SpecialFolders.h"

namespace {

// The windows in the desktop's language where a translation of them is built in, and Qt's
// own dialogs and buttons in it where Qt has one.
void installTranslations(QCoreApplication& app, QTranslator& own, QTranslator& qt) {
    if (own.load(QLocale(), "zelvo-mp3", "_", ":/translations"))
        app.installTranslator(&own);
    if (qt.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qt);
}

// --help and --version need no windows, and so no display: they are answered before the
// window system is opened.
bool asksOnlyForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument == "--help" || argument == "-h" || argument == "--help-all" || argument == "--version" ||
            argument == "-v")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication text(argc, argv);
        QCoreApplication::setApplicationVersion(ZELVO_VERSION);
        launchRequestOf(text); // prints and exits
        return 0;
    }
    Application app(argc, argv);
    QTranslator ownTexts, qtTexts;
    installTranslations(app, ownTexts, qtTexts);
    const LaunchRequest request = launchRequestOf(app);
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const SingleInstanceGuard guard(name);
    if (!guard.isFirstInstance()) {
        // The running copy raises itself and does what this start was asked to.
        if (InstanceChannel::send(name, request.arguments()))
            return 0;
        std::cerr << "Zelvo MP3 Zovozu Darozu is running but does not answer\n";
        return 1;
    }
    InstanceChannel channel(name);
    if (!guard.handOffUnavailable().isEmpty())
        std::cerr << "Zelvo MP3 Zovozu Darozu: files opened later start a window of their own: "
                  << guard.handOffUnavailable().toStdString() << "\n";

    AppSettings::defaultRecordOutputPath = Platform::homeFolder();
    const TerminationSignals termination;
    AppWindows windows;
    if (termination.exitStatus() != 0)
        return termination.exitStatus();
    windows.playerWindow->show();
    startControlMapFromEnvironment();
    // Requests are carried out from the event loop: the cutter and the joiner run their own.
    QObject::connect(&channel, &InstanceChannel::received, &app, [&windows](const QStringList& arguments) {
        QTimer::singleShot(0, [&windows, later = launchRequestFrom(arguments)] { windows.carryOut(later); });
    });
    if (!request.empty())
        QTimer::singleShot(0, [&windows, request] { windows.carryOut(request); });
    const int status = app.exec();
    // Ended by a signal, nobody may be there to close a message: what fails is said on stderr.
    if (termination.exitStatus() != 0)
        Application::reportError = [](const QString& text) { std::cerr << text.toStdString() << "\n"; };
    Application::guarded([&] { windows.optionsDialog->saveAtProgramEnd(); });
    return status;
}
