#include "AboutBox.h"

#include <QCoreApplication>
#include <QMessageBox>

void showAboutBox(QWidget* parent) {
    QMessageBox::about(parent, QCoreApplication::translate("AboutBox", "About Zelvo MP3 Zovozu Darozu"),
                       QCoreApplication::translate(
                           "AboutBox",
                           "<h3>Zelvo MP3 Zovozu Darozu 3.5</h3>"
                           "<p>Cuts, joins, plays and converts WAV, MP3, OGG and WMA files.</p>"
                           "<p>Built with:</p><ul>"
                           "<li>Qt 6 (LGPL 3)</li>"
                           "<li>FFmpeg: libavformat, libavcodec, libavutil, libswresample (LGPL 2.1 or later)</li>"
                           "<li>LAME MP3 encoder (LGPL 2)</li>"
                           "<li>libvorbis (BSD-style licence)</li>"
                           "<li>SoundTouch (LGPL 2.1)</li>"
                           "<li>SDL 2 (zlib licence)</li>"
                           "<li>KISS FFT (BSD licence)</li>"
                           "<li>SimpleIni (MIT licence)</li>"
                           "</ul>"));
}
