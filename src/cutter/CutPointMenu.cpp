#include "CutPointMenu.h"

#include <cmath>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>

#include "AudioFile.h"
#include "AudioInfo.h"
#include "CueEncodingDialog.h"
#include "FileNames.h"
#include "PointLists.h"

SilenceSearch::SilenceSearch(QString fileName, SilenceOptions options, QObject* parent)
    : QThread(parent), fileName_(std::move(fileName)), options_(options) {}

void SilenceSearch::run() {
    AudioFile input;
    input.openForRead(Platform::pathBytes(fileName_));
    if (input.errorCode() != 0) {
        failure_ = QString::fromStdString(input.errorText());
        return;
    }
    JobControl control;
    control.progress = [this](int, int percent) { emit progressed(percent); };
    control.stopRequested = [this] { return isInterruptionRequested(); };
    try {
        stopped_ = ::findSilences(input, options_, control, found_) == JobEnd::Stopped;
    } catch (const EngineError& error) {
        failure_ = QString::fromUtf8(error.what());
    }
}

namespace {

QDoubleSpinBox* secondsBox(const char* name, double minimum, double maximum, double value, const char* suffix) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setRange(minimum, maximum);
    box->setDecimals(2);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

// A dialog of rows, with OK and Cancel; runs accepted when OK is clicked.
QDialog* optionsDialog(QWidget* parent, const char* name, const QString& title,
                       const std::vector<std::pair<QString, QWidget*>>& rows, std::function<void()> accepted) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(name);
    dialog->setWindowTitle(title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* form = new QFormLayout(dialog);
    for (const auto& [label, control] : rows)
        label.isEmpty() ? form->addRow(control) : form->addRow(label, control);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(dialog, &QDialog::accepted, dialog, std::move(accepted));
    dialog->open();
    return dialog;
}

QWidget* row(std::initializer_list<QWidget*> controls) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* control : controls)
        layout->addWidget(control);
    return widget;
}

} // namespace

CutPointMenu::CutPointMenu(Window window) : QObject(window.widget), window_(std::move(window)) {
    button_ = new QPushButton(tr("Find points"), window_.widget);
    button_->setObjectName("findPointsButton");
    button_->setToolTip(tr("Find cut points at silences, at equal lengths, in a CUE sheet, at the file's chapters "
                           "or at Audacity labels"));
    menu_ = new QMenu(button_);
    menu_->setObjectName("findPointsMenu");
    silenceAction_ = menu_->addAction(tr("At silences..."));
    lengthAction_ = menu_->addAction(tr("By length or count..."));
    cueAction_ = menu_->addAction(tr("From a CUE sheet..."));
    chaptersAction_ = menu_->addAction(tr("From chapters"));
    labelsAction_ = menu_->addAction(tr("From Audacity labels..."));
    menu_->addSeparator();
    saveAction_ = menu_->addAction(tr("Save the cut list as a CUE sheet..."));
    saveLabelsAction_ = menu_->addAction(tr("Save the cut list as Audacity labels..."));
    undoAction_ = menu_->addAction(tr("Undo found points"));
    undoAction_->setEnabled(false);
    button_->setMenu(menu_);
    connect(silenceAction_, &QAction::triggered, this, &CutPointMenu::askSilenceOptions);
    connect(lengthAction_, &QAction::triggered, this, &CutPointMenu::askLengths);
    connect(cueAction_, &QAction::triggered, this, &CutPointMenu::askCueSheet);
    connect(chaptersAction_, &QAction::triggered, this, &CutPointMenu::findChapters);
    connect(labelsAction_, &QAction::triggered, this, &CutPointMenu::askLabelFile);
    connect(saveAction_, &QAction::triggered, this, &CutPointMenu::askSaveName);
    connect(saveLabelsAction_, &QAction::triggered, this, &CutPointMenu::askLabelsSaveName);
    connect(undoAction_, &QAction::triggered, this, &CutPointMenu::undo);
}

CutPointMenu::~CutPointMenu() {
    stopSearch();
}

void CutPointMenu::stopSearch() {
    if (!search_)
        return;
    SilenceSearch* search = search_;
    search_ = nullptr; // what it found is not wanted
    search->disconnect(this);
    search->requestInterruption();
    search->wait();
    delete search;
    if (progress_)
        progress_->close();
}

void CutPointMenu::askSilenceOptions() {
    auto* threshold = secondsBox("thresholdBox", -120, 0, -40, " dBFS");
    threshold->setDecimals(1);
    auto* shortestSilence = secondsBox("minSilenceBox", 0.01, 3600, 1.0, " s");
    auto* shortestSection = secondsBox("minSectionBox", 0, 86400, 0, " s");
    auto* middle = new QRadioButton(tr("Cut at the middle of each silence"));
    middle->setObjectName("cutAtMiddleButton");
    middle->setChecked(true);
    auto* trim = new QRadioButton(tr("Leave the silences out (unticked sections)"));
    trim->setObjectName("trimButton");
    dialog_ = optionsDialog(window_.widget, "silenceDialog", tr("Cut points at silences"),
                            {{tr("Silence below:"), threshold},
                             {tr("Shortest silence:"), shortestSilence},
                             {tr("Shortest section:"), shortestSection},
                             {"", middle},
                             {"", trim}},
                            [=, this] {
                                SilenceOptions options;
                                options.thresholdDb = threshold->value();
                                options.minSilenceMs = std::llround(shortestSilence->value() * 1000);
                                options.minSectionMs = std::llround(shortestSection->value() * 1000);
                                options.trim = trim->isChecked();
                                findSilences(options);
                            });
}

void CutPointMenu::askLengths() {
    auto* byLength = new QRadioButton(tr("Sections of"));
    byLength->setObjectName("byLengthButton");
    byLength->setChecked(true);
    auto* minutes = new QSpinBox;
    minutes->setObjectName("lengthMinutesBox");
    minutes->setRange(0, 9999);
    minutes->setValue(10);
    minutes->setSuffix(" min");
    auto* seconds = new QSpinBox;
    seconds->setObjectName("lengthSecondsBox");
    seconds->setRange(0, 59);
    seconds->setSuffix(" s");
    auto* byCount = new QRadioButton(tr("Equal sections:"));
    byCount->setObjectName("byCountButton");
    auto* count = new QSpinBox;
    count->setObjectName("partsBox");
    count->setRange(2, 1000);
    auto* snap = new QCheckBox(tr("Move each cut to the nearest silence within"));
    snap->setObjectName("snapBox");
    auto* within = secondsBox("snapSecondsBox", 0.1, 600, 5, " s");
    dialog_ = optionsDialog(
        window_.widget, "lengthDialog", tr("Cut points by length or count"),
        {{"", row({byLength, minutes, seconds})}, {"", row({byCount, count})}, {"", row({snap, within})}}, [=, this] {
            const int64_t length = (int64_t{minutes->value()} * 60 + seconds->value()) * 1000;
            const int64_t snapMs = snap->isChecked() ? std::llround(within->value() * 1000) : 0;
            findLengths(byLength->isChecked() ? std::max<int64_t>(length, 1000) : 0,
                        byCount->isChecked() ? count->value() : 0, snapMs);
        });
}

QString CutPointMenu::besideTheFile(const QString& extension) const {
    const QFileInfo file(window_.fileName());
    return file.path() + "/" + file.completeBaseName() + extension;
}

void CutPointMenu::askCueSheet() {
    const QString beside = besideTheFile(".cue");
    const QString start = QFileInfo::exists(beside) ? beside : QFileInfo(window_.fileName()).path();
    const QString path = QFileDialog::getOpenFileName(window_.widget, tr("Open a CUE sheet"), start,
                                                      "CUE sheets (*.cue *.CUE);;All files (*)");
    if (!path.isEmpty())
        loadCueSheet(path);
}

void CutPointMenu::askSaveName() {
    const QString path = QFileDialog::getSaveFileName(window_.widget, tr("Save the cut list"), besideTheFile(".cue"),
                                                      tr("CUE sheets (*.cue)"));
    if (!path.isEmpty())
        saveCutList(path);
}

void CutPointMenu::askLabelFile() {
    const QString beside = besideTheFile(".txt");
    const QString start = QFileInfo::exists(beside) ? beside : QFileInfo(window_.fileName()).path();
    const QString path = QFileDialog::getOpenFileName(window_.widget, tr("Open Audacity labels"), start,
                                                      tr("Label files (*.txt);;All files (*)"));
    if (!path.isEmpty())
        loadLabels(path);
}

void CutPointMenu::askLabelsSaveName() {
    const QString path = QFileDialog::getSaveFileName(window_.widget, tr("Save the cut list as labels"),
                                                      besideTheFile(".txt"), tr("Label files (*.txt)"));
    if (!path.isEmpty())
        saveLabels(path);
}

void CutPointMenu::searchThen(const SilenceOptions& options, std::function<void(const std::vector<Silence>&)> then) {
    if (search_)
        return;
    // The waveform has read the whole file: its levels answer at once.
    if (const WindowLevels* levels = window_.silenceLevels ? window_.silenceLevels() : nullptr;
        levels && WindowLevels::tells(options.thresholdDb))
        return then(levels->silences(options));
    search_ = new SilenceSearch(window_.fileName(), options, this);
    progress_ = new QProgressDialog(tr("Looking for silences..."), tr("Cancel"), 0, 100, window_.widget);
    progress_->setObjectName("silenceProgress");
    progress_->setAttribute(Qt::WA_DeleteOnClose);
    progress_->setWindowModality(Qt::WindowModal); // nothing else changes the list meanwhile
    progress_->setMinimumDuration(500);
    connect(search_, &SilenceSearch::progressed, progress_, &QProgressDialog::setValue);
    connect(progress_, &QProgressDialog::canceled, search_, &QThread::requestInterruption);
    connect(search_, &QThread::finished, this, [this, then = std::move(then)] {
        SilenceSearch* search = search_;
        search_ = nullptr;
        search->deleteLater();
        if (progress_)
            progress_->close();
        if (!search->failure().isEmpty())
            window_.showMessage(search->failure());
        else if (!search->stopped())
            then(search->found());
    });
    search_->start();
}

void CutPointMenu::findSilences(const SilenceOptions& options) {
    searchThen(options, [this, options](const std::vector<Silence>& silences) {
        apply(planFromSilences(silences, window_.durationMs(), options), {});
    });
}

void CutPointMenu::findLengths(int64_t lengthMs, int parts, int64_t snapWithinMs) {
    const int64_t duration = window_.durationMs();
    const CutPlan plan = parts > 0 ? planParts(duration, parts) : planEvery(duration, lengthMs);
    if (snapWithinMs <= 0)
        return apply(plan, {});
    searchThen(SilenceOptions{}, [this, plan, snapWithinMs](const std::vector<Silence>& silences) {
        apply(snappedToSilences(plan, silences, snapWithinMs), {});
    });
}

// An 8-bit sheet's encoding is a guess: the user sees the titles as it reads them and
// may take another.
void CutPointMenu::loadCueSheet(const QString& path) {
    try {
        const std::string sheetPath = Platform::pathBytes(path), audioName = Platform::pathBytes(window_.fileName());
        std::string encoding;
        if (const std::string bytes = cueSheetBytes(sheetPath); CueEncodingDialog::isGuess(bytes)) {
            CueEncodingDialog ask(bytes, audioName, window_.durationMs(), window_.widget);
            if (ask.exec() != QDialog::Accepted)
                return;
            encoding = ask.encoding();
        }
        const CueSheet sheet = readCueSheet(sheetPath, audioName, window_.durationMs(), encoding);
        apply(sheet.sections, sheet.album);
    } catch (const CueSheetError& error) {
        window_.showMessage(QString::fromUtf8(error.what()));
    }
}

void CutPointMenu::findChapters() {
    const CutPlan plan = planFromChapters(readChapters(Platform::pathBytes(window_.fileName())), window_.durationMs());
    if (plan.empty())
        return window_.showMessage(tr("\"%1\" has no chapters").arg(window_.fileName()));
    apply(plan, {});
}

void CutPointMenu::loadLabels(const QString& path) {
    try {
        apply(readAudacityLabels(Platform::pathBytes(path), window_.durationMs()), {});
    } catch (const PointListError& error) {
        window_.showMessage(QString::fromUtf8(error.what()));
    }
}

bool CutPointMenu::saveCutList(const QString& path) {
    return saveText(path, cueSheetText(Platform::pathBytes(window_.fileName()), window_.plan()));
}

bool CutPointMenu::saveLabels(const QString& path) {
    return saveText(path, audacityLabelsText(window_.plan(), window_.durationMs()));
}

bool CutPointMenu::saveText(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) && file.commit())
        return true;
    window_.showMessage(tr("Cannot save the cut list as \"") + path + "\": " + file.errorString());
    return false;
}

void CutPointMenu::apply(const CutPlan& plan, const AudioTags& album) {
    undoPlan_ = window_.plan();
    undoAlbum_ = album_;
    album_ = album;
    undoAction_->setEnabled(true);
    window_.apply(plan);
}

void CutPointMenu::undo() {
    if (!undoAction_->isEnabled())
        return;
    album_ = undoAlbum_;
    undoAction_->setEnabled(false);
    window_.apply(undoPlan_);
}

void CutPointMenu::reset() {
    stopSearch();
    album_ = {};
    undoPlan_.clear();
    undoAction_->setEnabled(false);
}
