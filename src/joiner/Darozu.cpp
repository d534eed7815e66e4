#include "Darozu.h"

TfrmJoiner::TfrmJoiner(QWidget* parent) : QDialog(parent) {
    setObjectName("frmJoiner");
    setWindowTitle("Zelvo MP3 Darozu");
    resize(657, 430);
}
