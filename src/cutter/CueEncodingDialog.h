#pragma once

#include <string>

#include <QDialog>

class QComboBox;
class QListWidget;

// Asks in which text encoding an 8-bit CUE sheet is written, the one its bytes suggest
// first, with the sheet's track titles shown as each choice reads them.
class CueEncodingDialog : public QDialog {
    Q_OBJECT

public:
    CueEncodingDialog(std::string bytes, std::string audioName, int64_t durationMs, QWidget* parent = nullptr);

    std::string encoding() const;

    // Whether the user should be asked: the bytes are 8-bit text of a guessed encoding
    // (UTF-8, UTF-16, UTF-32 and plain ASCII are certain).
    static bool isGuess(const std::string& bytes);

private:
    void preview();

    std::string bytes_, audioName_;
    int64_t durationMs_;
    QComboBox* encodings_;
    QListWidget* titles_;
};
