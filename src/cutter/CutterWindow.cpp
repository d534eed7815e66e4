#include "CutterWindow.h"

#include <algorithm>
#include <atomic>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QTreeWidget>

#include "ConfirmDialog.h"
#include "AppSettings.h"
#include "PositionBar.h"
#include "OutputFormat.h"
#include "CutWorker.h"
#include "WorkerEvent.h"

// Computes the open file's waveform away from the window's thread.
class TWaveformThread : public QThread {
    Q_OBJECT

public:
    TWaveformThread(QString path, int columns) : path_(std::move(path)), columns_(columns) {
        connect(this, &QThread::finished, this, &QObject::deleteLater);
    }

signals:
    void Ready(int firstColumn, std::vector<TPeak> peaks);

protected:
    void run() override {
        ComputePeaks(
            path_.toStdString(), columns_,
            [this](int first, const std::vector<TPeak>& peaks) { emit Ready(first, peaks); },
            [this] { return isInterruptionRequested(); });
    }

private:
    QString path_;
    int columns_;
};

#include "CutterWindow.moc"

namespace {

constexpr int BarWidth = 566, BarHeight = 85;
const QColor WaveColour(90, 120, 170), SkippedColour(150, 150, 150), SelectedColour(240, 180, 60);

QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QImage HandleImage(bool upper) {
    QImage image(33, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(53, 83, 137));
    painter.setPen(Qt::NoPen);
    const QPolygon arrow = upper ? QPolygon({{8, 1}, {25, 1}, {16, 15}}) : QPolygon({{16, 1}, {25, 15}, {8, 15}});
    painter.drawPolygon(arrow);
    return image;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, const QString& hint, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setGeometry(place);
    return button;
}

QLineEdit* NumberBox(QWidget* parent, const char* name, const QString& text, int digits, QRect place) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaxLength(digits);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), box));
    box->setGeometry(place);
    return box;
}

QSpinBox* FadeBox(QWidget* parent, const char* name, QRect place) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, 99999);
    box->setValue(5000);
    box->setGeometry(place);
    box->setEnabled(false);
    return box;
}

} // namespace

TfrmSplitter::TfrmSplitter(QWidget* parent) : TJobWindow(parent) {
    setObjectName("frmSplitter");
    setWindowTitle("Zelvo MP3 Zovozu");
    setFixedSize(580, 400);
    AI.SetInfoOption(true);
    AF_IN.SetFileOption(true);
    AF_OUT.SetFileOption(true);
    AP.SetPlayerOption(10);
    BuildControls();
    AP.OnRequestOnLoadArray = [this](TAudioPlayer2&) { FeedNextBlock(); };
    AP.OnEndArrayPlay = [this](TAudioPlayer2&) { FeedNextBlock(); };
    AP.OnTimer = [this](TAudioPlayer2&, int current, int, int) { APTimer(current); };
    AP.OnEndPlay = [this](TAudioPlayer2&) { APEndPlay(); };
}

TfrmSplitter::~TfrmSplitter() {
    if (waveformThread_) {
        waveformThread_->requestInterruption();
        waveformThread_->wait();
    }
}

void TfrmSplitter::BuildControls() {
    btnSplit = Button(this, "btnSplit", "Split", "Start to cut the file(s)", {8, 24, 60, 30});
    btnCancelSplit = Button(this, "btnCancelSplit", "Cancel", "Cancel split", {8, 24, 60, 30});
    btnCancelSplit->hide();
    BuildToolButtons(72, 556, "btnSplitterClose", [this] { return OutputFolder(); });
    lbDuration = new QLabel(QString::fromStdString(GlobeVar::FormatMinSecMs(0)), this);
    lbDuration->setObjectName("lbDuration");
    lbDuration->setGeometry(340, 22, 232, 34);
    QFont big = lbDuration->font();
    big.setPointSize(18);
    big.setBold(true);
    lbDuration->setFont(big);
    lbDuration->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(btnSplit, &QPushButton::clicked, this, &TfrmSplitter::btnSplitClick);
    connect(btnCancelSplit, &QPushButton::clicked, this, &TfrmSplitter::btnCancelSplitClick);
    BuildBar();
    BuildList();
    BuildToolColumn();
    BuildBottomRow();
}

void TfrmSplitter::BuildBar() {
    Bar = new TMyTrackBar(this);
    Bar->setObjectName("Bar");
    Bar->setGeometry(7, 63, BarWidth, BarHeight);
    Bar->lower();
    Bar->OnPositionChange = [this] {
        lbDuration->setText(QString::fromStdString(GlobeVar::FormatMinSecMs(Bar->Position)));
        lbDuration->repaint();
    };
    Bar->OnPointsChange = [this] { RebuildSectionList(); };
    waveform_ = Filled(BarWidth, BarHeight, QColor(236, 236, 216));
    Bar->SetBackgroundImage(waveform_);
    Bar->SetHandleImages(HandleImage(true), HandleImage(false));
    Bar->SetLineImages(Filled(1, 54, QColor(200, 30, 30)), Filled(1, 48, QColor(30, 30, 30)));
    Bar->SetSectionImages(Filled(1, 48, SkippedColour), Filled(1, 48, SelectedColour));
    btnBackward = Button(this, "btnBackward", "<", "", {0, 84, 14, 42});
    btnForward = Button(this, "btnForward", ">", "", {566, 84, 14, 42});
    connect(btnBackward, &QPushButton::clicked, this, [this] { Bar->StepBackward(); });
    connect(btnForward, &QPushButton::clicked, this, [this] { Bar->StepForward(); });
}

void TfrmSplitter::BuildList() {
    lvSplitList = new QTreeWidget(this);
    lvSplitList->setObjectName("lvSplitList");
    lvSplitList->setGeometry(7, 154, 400, 186);
    lvSplitList->setRootIsDecorated(false);
    lvSplitList->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvSplitList->setHeaderLabels({"Use", "Start", "End", "Duration", "Status"});
    lvSplitList->header()->setSectionsClickable(false);
    QFont small = lvSplitList->font();
    small.setPointSize(8);
    lvSplitList->setFont(small);
    const int widths[] = {36, 90, 90, 90, 150};
    for (int column = 0; column < 5; ++column)
        lvSplitList->setColumnWidth(column, widths[column]);
    // A tick box changed: its section's use flag follows at once.
    connect(lvSplitList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        const int row = lvSplitList->indexOfTopLevelItem(item);
        if (Rebuilding || column != 0 || row < 0 || row >= static_cast<int>(Bar->Points.size()))
            return;
        Bar->Points[static_cast<size_t>(row)].Use = item->checkState(0) == Qt::Checked;
        Bar->update();
    });
    connect(lvSplitList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { Bar->SelectSection(lvSplitList->indexOfTopLevelItem(item)); });
    connect(lvSplitList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Bar->GotoSection(lvSplitList->indexOfTopLevelItem(item)); });
}

void TfrmSplitter::BuildToolColumn() {
    btnAddTime = Button(this, "btnAddTime", "Add",
                        "Add the current playback time as a cutting point into the cutting list", {414, 154, 76, 24});
    btnRemove = Button(this, "btnRemove", "Remove", "Remove the selected section from the list", {496, 154, 76, 24});
    btnRemoveAll = Button(this, "btnRemoveAll", "Remove all", "Remove all sections from the list", {414, 182, 76, 24});
    btnPreview = Button(this, "btnPreview", "Preview", "Preview the selected section", {496, 182, 76, 24});
    btnPreviewStop = Button(this, "btnPreviewStop", "Stop", "Stop preview", {496, 182, 76, 24});
    btnPreviewStop->hide();
    numGotoMin = NumberBox(this, "numGotoMin", "000", 3, {414, 214, 36, 22});
    numGotoSec = NumberBox(this, "numGotoSec", "00", 2, {454, 214, 26, 22});
    numGotoMs = NumberBox(this, "numGotoMs", "000", 3, {484, 214, 36, 22});
    btnGoto = Button(this, "btnGoto", "Go to", "Goto the time in the box", {524, 214, 48, 22});
    btnFadeInEnable = Button(this, "btnFadeInEnable", "Fade in", "Fade in disabled", {414, 246, 76, 24});
    edFadeInDuration = FadeBox(this, "edFadeInDuration", {494, 246, 56, 24});
    btnFadeOutEnable = Button(this, "btnFadeOutEnable", "Fade out", "Fade out disabled", {414, 276, 76, 24});
    edFadeOutDuration = FadeBox(this, "edFadeOutDuration", {494, 276, 56, 24});
    for (const int y : {250, 280})
        (new QLabel("ms", this))->move(554, y);
    for (QPushButton* fade : {btnFadeInEnable, btnFadeOutEnable})
        fade->setCheckable(true);
    SetFade(FadeInEnabled, btnFadeInEnable, edFadeInDuration, "Fade in enabled", "Fade in disabled");
    SetFade(FadeOutEnabled, btnFadeOutEnable, edFadeOutDuration, "Fade out enabled", "Fade out disabled");
    connect(btnAddTime, &QPushButton::clicked, this, &TfrmSplitter::btnAddTimeClick);
    connect(btnRemove, &QPushButton::clicked, this, &TfrmSplitter::btnRemoveClick);
    connect(btnRemoveAll, &QPushButton::clicked, this, &TfrmSplitter::btnRemoveAllClick);
    connect(btnPreview, &QPushButton::clicked, this, &TfrmSplitter::btnPreviewClick);
    connect(btnPreviewStop, &QPushButton::clicked, this, &TfrmSplitter::btnPreviewStopClick);
    connect(btnGoto, &QPushButton::clicked, this, &TfrmSplitter::btnGotoClick);
    connect(btnFadeInEnable, &QPushButton::pressed, this, &TfrmSplitter::ToggleFadeIn);
    connect(btnFadeOutEnable, &QPushButton::pressed, this, &TfrmSplitter::ToggleFadeOut);
    connect(numGotoSec, &QLineEdit::textChanged, this, [this](const QString& text) {
        bool number = false;
        const int seconds = text.toInt(&number);
        if (!number)
            numGotoSec->setText("00");
        else if (seconds >= 60)
            numGotoSec->setText("59");
    });
}

void TfrmSplitter::BuildBottomRow() {
    btnPlay = Button(this, "btnPlay", "Play", "Play from the current position before adding time into the list",
                     {7, 350, 50, 28});
    btnStop = Button(this, "btnStop", "Stop", "Stop", {60, 350, 50, 28});
    btnPause = Button(this, "btnPause", "Pause", "Pause", {113, 350, 50, 28});
    cboxBackToStart = new QCheckBox("Back to start", this);
    cboxBackToStart->setObjectName("cboxBackToStart");
    cboxBackToStart->setGeometry(168, 354, 100, 20);
    rb05x = new QRadioButton("0.5 x", this);
    rb1x = new QRadioButton("1 x", this);
    rb15x = new QRadioButton("1.5 x", this);
    rb05x->setToolTip("0.5x speed");
    rb1x->setToolTip("Normal speed");
    rb15x->setToolTip("1.5x speed");
    rb1x->setChecked(true);
    int x = 270;
    for (QRadioButton* speed : {rb05x, rb1x, rb15x}) {
        speed->setGeometry(x, 354, 52, 20);
        x += 50;
        connect(speed, &QRadioButton::clicked, this, &TfrmSplitter::SpeedClick);
    }
    rb05x->setObjectName("rb05x");
    rb1x->setObjectName("rb1x");
    rb15x->setObjectName("rb15x");
    // These never keep the keyboard.
    for (QWidget* control : std::initializer_list<QWidget*>{cboxBackToStart, rb05x, rb1x, rb15x})
        control->setFocusPolicy(Qt::NoFocus);
    numBackward = NumberBox(this, "numBackward", "2000", 5, {420, 353, 44, 22});
    btnPlayBackward = Button(this, "btnPlayBackward", "<<", "Play the time(ms) in the box before the current position",
                             {466, 350, 30, 28});
    btnPlayForward = Button(this, "btnPlayForward", ">>", "Play the time(ms) in the box after the current position",
                            {498, 350, 30, 28});
    numForward = NumberBox(this, "numForward", "2000", 5, {530, 353, 44, 22});
    connect(btnPlay, &QPushButton::clicked, this, &TfrmSplitter::btnPlayClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmSplitter::btnStopClick);
    connect(btnPause, &QPushButton::clicked, this, &TfrmSplitter::btnPauseClick);
    connect(btnPlayBackward, &QPushButton::clicked, this, &TfrmSplitter::btnPlayBackwardClick);
    connect(btnPlayForward, &QPushButton::clicked, this, &TfrmSplitter::btnPlayForwardClick);
}

// ---- Opening and closing ----

void TfrmSplitter::showEvent(QShowEvent* event) {
    TJobWindow::showEvent(event);
    FormShow();
}

void TfrmSplitter::FormShow() {
    int duration = 0;
    try {
        AI.Open(FileName.toStdString());
        AP.SetFormat(AI.GetSampleRate(), AI.GetChannels());
        duration = AI.GetDurationMs();
    } catch (const EngineError& error) {
        ShowMessage(QString::fromUtf8(error.what()));
    }
    Bar->SetMax(duration);
    Bar->Min = 0;
    Bar->SetPosition(0);
    // Exactly the two end points; the first keeps its tick from an earlier file.
    const bool firstUse = Bar->Points.empty() ? true : Bar->Points.front().Use;
    Bar->Points = {{0, firstUse}};
    if (duration > 0)
        Bar->Points.push_back({duration, true});
    Bar->SelectSection(-1);
    RebuildSectionList();
    Cutting = false;
    StartWaveform();
}

// Every way of closing the window (its close button, Escape, close()) ends here.
void TfrmSplitter::done(int result) {
    if (Cutting) {
        if (AskToCancel("Splitting in progress, do you want to cancel ?")) {
            CloseAfterCut = true;
            btnCancelSplitClick();
        }
        return; // the window closes when the worker has stopped
    }
    StopPlayback();
    Bar->ClearPoints();
    Bar->SetPosition(0);
    TJobWindow::done(result);
}

QString TfrmSplitter::OutputFolder() const {
    if (GlobeVar::SplitToSourceFolder)
        return QFileInfo(FileName).absolutePath() + "/";
    return QString::fromStdString(GlobeVar::SplitOutputPath);
}

// ---- The waveform ----

void TfrmSplitter::StartWaveform() {
    if (waveformThread_)
        waveformThread_->requestInterruption();
    const int generation = ++waveformGeneration_;
    peaks_.assign(BarWidth, TPeak{});
    DrawWaveform(0, {});
    auto* thread = new TWaveformThread(FileName, BarWidth);
    connect(thread, &TWaveformThread::Ready, this, [this, generation](int first, const std::vector<TPeak>& peaks) {
        if (generation == waveformGeneration_)
            DrawWaveform(first, peaks);
    });
    waveformThread_ = thread;
    thread->start(QThread::LowPriority);
}

void TfrmSplitter::DrawWaveform(int firstColumn, const std::vector<TPeak>& peaks) {
    std::copy(peaks.begin(), peaks.end(), peaks_.begin() + std::min<size_t>(firstColumn, peaks_.size()));
    waveform_.fill(QColor(236, 236, 216));
    QPainter painter(&waveform_);
    painter.setPen(WaveColour);
    const int middle = 19 + 24, half = 23;
    for (int x = 0; x < BarWidth; ++x) {
        const TPeak& peak = peaks_[static_cast<size_t>(x)];
        painter.drawLine(x, middle - static_cast<int>(peak.High * half), x, middle - static_cast<int>(peak.Low * half));
    }
    painter.end();
    Bar->SetBackgroundImage(waveform_);
}

// ---- The section list ----

void TfrmSplitter::RebuildSectionList() {
    Rebuilding = true;
    lvSplitList->clear();
    const TPosArray& points = Bar->Points;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        using GlobeVar::FormatMinSecMs;
        auto* item = new QTreeWidgetItem(
            lvSplitList, {"", QString::fromStdString(FormatMinSecMs(points[i].Time)),
                          QString::fromStdString(FormatMinSecMs(points[i + 1].Time)),
                          QString::fromStdString(FormatMinSecMs(points[i + 1].Time - points[i].Time)), ""});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, points[i].Use ? Qt::Checked : Qt::Unchecked);
        for (int column = 1; column < 5; ++column)
            item->setTextAlignment(column, Qt::AlignCenter);
    }
    Rebuilding = false;
}

void TfrmSplitter::btnAddTimeClick() {
    Bar->AddCurrentPoint();
    Bar->SelectSection(-1);
}

void TfrmSplitter::btnRemoveClick() {
    const int row = lvSplitList->indexOfTopLevelItem(lvSplitList->currentItem());
    if (row < 0 || !lvSplitList->currentItem()->isSelected())
        return;
    Bar->DeletePoint(row);
    Bar->SelectSection(-1);
}

void TfrmSplitter::btnRemoveAllClick() {
    Bar->ClearPoints();
}

void TfrmSplitter::SetRowStatus(int row, const QString& status) {
    if (QTreeWidgetItem* item = lvSplitList->topLevelItem(row))
        item->setText(4, status);
}

// ---- Playback ----

float TfrmSplitter::SpeedPercent() const {
    return rb05x->isChecked() ? 50.0f : rb15x->isChecked() ? 150.0f : 100.0f;
}

void TfrmSplitter::StartPlayback() {
    AP.Stop();
    AF.Close();
    AF.SetFileOption(true);
    AF.OpenForRead(FileName.toStdString());
    if (AF.GetErrorCode() != 0 || AF.GetTotalSamples() == 0) {
        AP.Stop();
        AF.Close();
        return;
    }
    AP.SetFormat(AF.GetStreamSampleRate(), AF.GetStreamChannels());
    AT.SetSpeedSampleRate(AF.GetStreamSampleRate());
    BlockFrames = AP.MsToSamples(166);
    FramesFed = 0;
    AF.Seek(static_cast<int>(std::max<int64_t>(StartFrame, 0)));
    AP.Play();
    if (AP.GetPlayError() != 0)
        AF.Close();
}

void TfrmSplitter::FeedNextBlock() {
    if (!AF.IsReading())
        return;
    TAudioBlock block = AF.ReadBlock(BlockFrames);
    FramesFed += block.Frames();
    if (!block.Empty() && SpeedPercent() != 100.0f)
        AT.ChangeSpeed(block, SpeedPercent());
    AP.QueueBlock(block);
}

void TfrmSplitter::StopPlayback() {
    AP.Stop();
    AF.Close();
    if (PlayAfter)
        Bar->SetPosition(RangeStart);
    if (PlayBefore)
        Bar->SetPosition(RangeEnd);
    PlayAfter = PlayBefore = false;
}

void TfrmSplitter::APTimer(int currentSamples) {
    // The frames played are counted after the speed change: in source frames they are
    // that many times the speed. (The level values of the event are not positions.)
    const int64_t played = static_cast<int64_t>(currentSamples * SpeedPercent() / 100.0f);
    const int64_t readMs = AP.SamplesToMs(static_cast<int>(StartFrame + FramesFed));
    if (PreviewMode) {
        SetRowStatus(PreviewRow, "Previewing: " + QString::fromStdString(GlobeVar::FormatMinSecMs(readMs)));
        if (played + StartFrame >= PreviewEndFrame)
            btnPreviewStopClick();
        return;
    }
    Bar->SetPosition(readMs);
    if (Bar->Position >= RangeEnd)
        StopPlayback();
}

void TfrmSplitter::APEndPlay() {
    if (PreviewMode) {
        btnPreviewStopClick();
        return;
    }
    Bar->SetPosition(cboxBackToStart->isChecked() ? RangeStart : Bar->Max);
    StopPlayback();
}

void TfrmSplitter::StopPreviewIfRunning() {
    if (PreviewMode)
        btnPreviewStopClick();
}

void TfrmSplitter::btnPlayClick() {
    StopPreviewIfRunning();
    PlayAfter = PlayBefore = PreviewMode = PausedState = false;
    RangeStart = static_cast<int>(Bar->Position);
    RangeEnd = static_cast<int>(Bar->Max);
    StartFrame = AP.MsToSamples(RangeStart);
    StartPlayback();
}

void TfrmSplitter::btnPauseClick() {
    StopPreviewIfRunning();
    PausedState = !PausedState;
    if (PausedState) {
        AP.Stop(); // the file stays open, the bar keeps its place
    } else {
        const bool paused = PausedState;
        btnPlayClick();
        PausedState = paused;
    }
}

void TfrmSplitter::btnStopClick() {
    StopPreviewIfRunning();
    PausedState = false;
    StopPlayback();
    if (cboxBackToStart->isChecked())
        Bar->SetPosition(RangeStart);
}

void TfrmSplitter::SpeedClick() {
    btnStopClick();
    btnPlayClick();
}

bool TfrmSplitter::ReadNumber(QLineEdit* box, const QString& what, int& value) {
    bool number = false;
    value = box->text().toInt(&number);
    if (!number)
        ShowMessage("Please enter a number of " + what + " first.");
    return number;
}

void TfrmSplitter::btnPlayForwardClick() {
    int length = 0;
    if (!ReadNumber(numForward, "milliseconds to play after the position", length))
        return;
    StopPreviewIfRunning();
    PlayAfter = true;
    PlayBefore = PreviewMode = PausedState = false;
    RangeStart = static_cast<int>(Bar->Position);
    RangeEnd = RangeStart + length;
    StartFrame = AP.MsToSamples(RangeStart);
    StartPlayback();
}

void TfrmSplitter::btnPlayBackwardClick() {
    int length = 0;
    if (!ReadNumber(numBackward, "milliseconds to play before the position", length))
        return;
    StopPreviewIfRunning();
    PlayBefore = true;
    PlayAfter = PreviewMode = PausedState = false;
    RangeEnd = static_cast<int>(Bar->Position);
    // Near the start of the file the stretch begins at the start.
    RangeStart = std::max(RangeEnd - length, 0);
    StartFrame = AP.MsToSamples(RangeStart);
    StartPlayback();
}

void TfrmSplitter::SetPreviewControls(bool previewing) {
    btnPreviewStop->setVisible(previewing);
    btnPreview->setVisible(!previewing);
    for (QWidget* control : std::initializer_list<QWidget*>{btnAddTime, btnRemove, btnRemoveAll, btnGoto, numGotoMin,
                                                            numGotoMs, numGotoSec})
        control->setEnabled(!previewing);
}

void TfrmSplitter::btnPreviewClick() {
    QTreeWidgetItem* current = lvSplitList->currentItem();
    if (!current || !current->isSelected())
        return;
    const int row = lvSplitList->indexOfTopLevelItem(current);
    SetRowStatus(PreviewRow, "");
    PlayAfter = PlayBefore = PausedState = false;
    PreviewMode = true;
    RangeStart = static_cast<int>(Bar->Points[static_cast<size_t>(row)].Time);
    RangeEnd = static_cast<int>(Bar->Points[static_cast<size_t>(row) + 1].Time) - 1;
    StartFrame = AP.MsToSamples(RangeStart);
    PreviewEndFrame = AP.MsToSamples(RangeEnd);
    PreviewRow = row;
    StartPlayback();
    SetPreviewControls(true);
}

void TfrmSplitter::btnPreviewStopClick() {
    PlayAfter = PlayBefore = PreviewMode = PausedState = false;
    StopPlayback();
    SetRowStatus(PreviewRow, "");
    SetPreviewControls(false);
}

void TfrmSplitter::btnGotoClick() {
    int minutes = 0, seconds = 0, milliseconds = 0;
    if (!ReadNumber(numGotoMin, "minutes", minutes) || !ReadNumber(numGotoSec, "seconds", seconds) ||
        !ReadNumber(numGotoMs, "milliseconds", milliseconds))
        return;
    Bar->SetPosition(int64_t{minutes} * 60000 + seconds * 1000 + milliseconds);
}

void TfrmSplitter::SetFade(bool& enabled, QPushButton* button, QSpinBox* box, const char* onHint, const char* offHint) {
    box->setEnabled(enabled);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Text, enabled ? QColor(Qt::black) : QColor(128, 128, 128));
    box->setPalette(colours);
    button->setChecked(enabled);
    button->setToolTip(enabled ? onHint : offHint);
}

void TfrmSplitter::ToggleFadeIn() {
    FadeInEnabled = !FadeInEnabled;
    SetFade(FadeInEnabled, btnFadeInEnable, edFadeInDuration, "Fade in enabled", "Fade in disabled");
}

void TfrmSplitter::ToggleFadeOut() {
    FadeOutEnabled = !FadeOutEnabled;
    SetFade(FadeOutEnabled, btnFadeOutEnable, edFadeOutDuration, "Fade out enabled", "Fade out disabled");
}

// ---- Cutting ----

void TfrmSplitter::btnSplitClick() {
    CutCancelled = false;
    StartCut();
}

void TfrmSplitter::SetCutControls(bool cutting) {
    btnCancelSplit->setVisible(cutting);
    btnSplit->setVisible(!cutting);
    for (QWidget* control : std::initializer_list<QWidget*>{
             btnAddTime, btnPreview, btnPreviewStop, btnPlay, btnStop, btnPause, btnPlayBackward, btnPlayForward,
             btnRemove, btnRemoveAll, btnGoto, numGotoMin, numGotoMs, numGotoSec, cboxBackToStart, lvSplitList})
        control->setEnabled(!cutting);
}

void TfrmSplitter::StartCut() {
    const TPosArray& points = Bar->Points;
    if (points.size() <= 2)
        return;
    TCutJob job;
    RowMap.clear();
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (!points[i].Use)
            continue;
        job.Sections.push_back({points[i].Time, points[i + 1].Time - points[i].Time});
        RowMap.push_back(static_cast<int>(i));
    }
    if (job.Sections.empty())
        return;
    const std::string source = FileName.toStdString();
    job.Kind = GlobeVar::AudioTypeOfFile(source);
    job.BaseName = QFileInfo(FileName).completeBaseName().toStdString();
    job.OutputFolder = OutputFolder().toStdString();
    AF_IN.OpenForRead(source);
    if (AF_IN.GetErrorCode() != 0) {
        ShowMessage(QString::fromStdString(AF_IN.GetErrorText()));
        return;
    }
    if (!PrepareOutputFormat(AF_OUT, AudioFile2LameEnc1, job.Kind)) {
        AF_IN.Close();
        ShowMessage("Cannot cut \"" + FileName + "\": it is not a WAV, MP3, OGG or WMA file");
        return;
    }
    SetCutControls(true);
    job.FadeInMs = FadeInEnabled ? edFadeInDuration->value() : 0;
    job.FadeOutMs = FadeOutEnabled ? edFadeOutDuration->value() : 0;
    job.Overwrite = [] { return GlobeVar::SplitOverwrite; };
    job.CreateOutput = [this](const std::string& path) {
        QMetaObject::invokeMethod(
            this, [this, path] { CreateOutputFile(QString::fromStdString(path)); }, Qt::BlockingQueuedConnection);
        if (AF_OUT.GetErrorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(AF_OUT.GetErrorCode()), AF_OUT.GetErrorText());
    };
    CuttingRow = -1;
    Cutting = true;
    worker_ = new TSplitterThread(this, AF_IN, AF_OUT, std::move(job));
    connect(worker_, &TJobThread::Ended, this, &TfrmSplitter::CutFinished, Qt::QueuedConnection);
    worker_->start(QThread::NormalPriority);
}

void TfrmSplitter::CreateOutputFile(const QString& path) {
    AF_OUT.CreateForWrite(path.toStdString());
}

bool TfrmSplitter::event(QEvent* event) {
    if (event->type() == TWorkerEvent::TypeOf(WM_CUT_PROGRESS)) {
        const auto* progress = static_cast<TWorkerEvent*>(event);
        CutProgress(progress->WParam, progress->LParam);
        return true;
    }
    return TJobWindow::event(event);
}

void TfrmSplitter::CutProgress(int index, int percent) {
    if (index < 0 || index >= static_cast<int>(RowMap.size()))
        return;
    const int row = RowMap[static_cast<size_t>(index)];
    if (percent >= 100) {
        CuttingRow = -1;
        SetRowStatus(row, "Done");
    } else {
        CuttingRow = row;
        SetRowStatus(row, QString("Cutting: %1 % done").arg(percent));
    }
}

void TfrmSplitter::CutFinished(bool failed, const QString& workerFailure, int failedSection) {
    // Progress posted before the end is handled first.
    QCoreApplication::sendPostedEvents(this, TWorkerEvent::TypeOf(WM_CUT_PROGRESS));
    Cutting = false;
    SetCutControls(false);
    btnPreviewStop->setVisible(PreviewMode);
    btnPreview->setVisible(!PreviewMode);
    QString failure;
    try {
        AF_IN.Close();
        AF_OUT.Close();
    } catch (const EngineError& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (failed) {
        if (failedSection >= 0 && failedSection < static_cast<int>(RowMap.size()))
            SetRowStatus(RowMap[static_cast<size_t>(failedSection)], "Failed");
        failure = workerFailure;
    }
    if (!failure.isEmpty()) {
        ShowMessage(failure);
    } else if (CutCancelled) {
        if (CuttingRow >= 0)
            SetRowStatus(CuttingRow, "Canceled");
    } else {
        ShowMessage("Cut finished");
    }
    RefreshPlayList();
    if (CloseAfterCut) {
        CloseAfterCut = false;
        done(QDialog::Rejected);
    }
}

void TfrmSplitter::btnCancelSplitClick() {
    CutCancelled = true;
    if (worker_)
        worker_->requestInterruption();
}
