#include "CueEncodingDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "CueSheet.h"
#include "TextDecoding.h"

namespace {

// The encodings of the world's 8-bit sheets, as iconv names them.
constexpr const char* CommonEncodings[] = {"WINDOWS-1252", "WINDOWS-1250", "WINDOWS-1251", "KOI8-R",       "KOI8-U",
                                           "IBM866",       "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-5",   "ISO-8859-7",
                                           "WINDOWS-1253", "WINDOWS-1254", "WINDOWS-1255", "WINDOWS-1256", "SHIFT_JIS",
                                           "EUC-JP",       "GBK",          "BIG5",         "EUC-KR",       "UTF-8"};

} // namespace

bool CueEncodingDialog::isGuess(const std::string& bytes) {
    const std::string found = TextDecoding::detectedEncoding(bytes);
    return !found.starts_with("UTF-");
}

CueEncodingDialog::CueEncodingDialog(std::string bytes, std::string audioName, int64_t durationMs, QWidget* parent)
    : QDialog(parent), bytes_(std::move(bytes)), audioName_(std::move(audioName)), durationMs_(durationMs),
      encodings_(new QComboBox(this)), titles_(new QListWidget(this)) {
    setObjectName("cueEncodingDialog");
    setWindowTitle(tr("Text encoding of the CUE sheet"));
    encodings_->setObjectName("encodingBox");
    titles_->setObjectName("titlesPreview");
    const QString found = QString::fromStdString(TextDecoding::detectedEncoding(bytes_));
    encodings_->addItem(found);
    for (const char* name : CommonEncodings)
        if (found.compare(name, Qt::CaseInsensitive) != 0)
            encodings_->addItem(name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("The sheet's text is read as:"), this);
    label->setBuddy(encodings_);
    layout->addWidget(label);
    layout->addWidget(encodings_);
    layout->addWidget(new QLabel(tr("Its tracks then read:"), this));
    layout->addWidget(titles_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(encodings_, &QComboBox::currentIndexChanged, this, &CueEncodingDialog::preview);
    preview();
    // Wide enough for a title of some words and the window's own title.
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
}

std::string CueEncodingDialog::encoding() const {
    return encodings_->currentText().toStdString();
}

void CueEncodingDialog::preview() {
    titles_->clear();
    try {
        const CueSheet sheet = parseCueSheet(bytes_, audioName_, durationMs_, encoding());
        for (size_t i = 0; i < sheet.sections.size(); ++i) {
            const PlannedSection& section = sheet.sections[i];
            QString line = QString("%1  %2").arg(i + 1, 2, 10, QChar('0')).arg(QString::fromStdString(section.title));
            if (!section.artist.empty())
                line += QString::fromUtf8(" \u2014 ") + QString::fromStdString(section.artist);
            titles_->addItem(line);
        }
    } catch (const CueSheetError& error) {
        titles_->addItem(QString::fromUtf8(error.what()));
    }
}
