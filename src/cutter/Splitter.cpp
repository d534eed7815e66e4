#include "Splitter.h"

TfrmSplitter::TfrmSplitter(QWidget* parent) : QDialog(parent) {
    setObjectName("frmSplitter");
    setWindowTitle("Zelvo MP3 Zovozu");
    resize(580, 400);
}
