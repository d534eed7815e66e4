// Makes the screenshots of the guide and the README: every window at its default size
// over a folder of example files, in the light or a dark palette.
//   screenshots FOLDER light|dark
// Run under a real X server (tools/make_screenshots.sh starts Xvfb); QT_SCALE_FACTOR
// scales the windows as the desktop would.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "AppWindows.h"
#include "CutSectionModel.h"
#include "CutterWindow.h"
#include "FolderTree.h"
#include "JoinerWindow.h"
#include "OptionsDialog.h"
#include "PlayerWindow.h"
#include "PositionBar.h"
#include "Waveform.h"

namespace {

QPalette darkPalette() {
    QPalette dark;
    const QColor window(45, 45, 48), base(30, 30, 32), text(225, 225, 225), button(60, 60, 64);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, button);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(61, 174, 233));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(140, 140, 140));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    return dark;
}

bool make(const QString& path, const char* source, const char* codec) {
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i '" + std::string(source) + "' -ac 2 " + codec + " '" + path.toStdString() + "'";
    return std::system(command.c_str()) == 0;
}

void save(QWidget* window, const QString& file) {
    window->show();
    window->raise();
    (void)QTest::qWaitForWindowExposed(window);
    QTest::qWait(300);
    if (!window->grab().save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const bool dark = QString(argv[2]) == "dark";
    if (dark)
        QApplication::setPalette(darkPalette());
    const QString out = QString::fromLocal8Bit(argv[1]), suffix = dark ? "-dark" : "";
    const QString music = home.path() + "/Music";
    QDir().mkpath(music);
    const QString concert = music + "/Concert.mp3";
    // A concert of three pieces with quiet gaps, so that the waveform shows something.
    if (!make(concert,
              "aevalsrc=0.6*sin(2*PI*220*t)*(0.5+0.5*sin(2*PI*t/7))*gt(mod(t\\,40)\\,3)+0.05*random(0):d=180:s=44100",
              "-c:a libmp3lame -b:a 128k") ||
        !make(music + "/Interview.ogg", "sine=f=330:d=65", "-c:a libvorbis") ||
        !make(music + "/Jingle.wav", "sine=f=880:d=4", "-c:a pcm_s16le") ||
        !make(music + "/Radio show.wma", "sine=f=440:d=300", "-c:a wmav2 -b:a 128k"))
        return 1;

    AppWindows windows;
    windows.playerWindow->show();
    windows.playerWindow->showPath(music);
    for (int wait = 0; wait < 3000 && windows.playerWindow->findChild<QTreeView*>("playList")->model()->rowCount() < 3;
         ++wait)
        QTest::qWait(10);
    save(windows.playerWindow.get(), out + "/player" + suffix + ".png");

    CutterWindow& cutter = *windows.cutterWindow;
    cutter.openFile(concert);
    cutter.show();
    auto* bar = cutter.findChild<PositionBar*>("Bar");
    auto* sections = cutter.findChild<QTreeView*>("sectionList");
    CutDocument* document = static_cast<CutSectionModel*>(sections->model())->document();
    for (int wait = 0; wait < 3000 && !(bar->peaks() && bar->peaks()->complete()); ++wait)
        QTest::qWait(10);
    for (const int64_t at : {43000, 83000})
        document->addPoint(at);
    document->setTicked(1, false);
    document->setPosition(61500);
    document->selectSection(2);
    sections->setCurrentIndex(sections->model()->index(2, 0));
    save(&cutter, out + "/cutter" + suffix + ".png");
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        bar->zoomBy(3, 60000);
        save(&cutter, out + "/cutter-zoomed" + suffix + ".png");
    }
    cutter.close();

    if (!dark) {
        JoinerWindow& joiner = *windows.joinerWindow;
        joiner.show();
        joiner.addFiles({music + "/Jingle.wav", concert, music + "/Interview.ogg"});
        save(&joiner, out + "/joiner.png");
        joiner.close();
        windows.optionsDialog->show();
        save(windows.optionsDialog.get(), out + "/options.png");
        windows.optionsDialog->close();
    }
    return 0;
}
