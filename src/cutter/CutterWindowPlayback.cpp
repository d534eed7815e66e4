// The cutter's playback: the whole file from the position, stretches before and after
// it, and a section's preview, through the window's playback controller.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>

#include "AppSettings.h"
#include "CutDocument.h"
#include "CutPointMenu.h"
#include "CutSectionModel.h"
#include "CutterControls.h"
#include "CutterWindow.h"
#include "PlaybackController.h"

using Range = PlaybackController::Range;
using RangeKind = PlaybackController::RangeKind;

void CutterWindow::play(int64_t startMs, int64_t endMs, int kind, int section) {
    if (playback_->range().kind == RangeKind::Preview && playback_->isActive())
        stopPreview();
    playback_->play(fileName_, Range{static_cast<RangeKind>(kind), startMs, endMs, section}, document_->speed());
}

void CutterWindow::playFromPosition() {
    play(document_->position(), -1, static_cast<int>(RangeKind::WholeFile));
}

void CutterWindow::togglePause() {
    if (playback_->range().kind == RangeKind::Preview && playback_->isActive())
        return stopPreview();
    playback_->togglePause();
}

void CutterWindow::stop() {
    if (playback_->range().kind == RangeKind::Preview && playback_->isActive())
        return stopPreview();
    const bool wasActive = playback_->isActive();
    playback_->stop();
    if (wasActive && ui_->backToStartBox->isChecked())
        document_->setPosition(playback_->range().startMs);
}

void CutterWindow::applySpeedChoice() {
    stop();
    playFromPosition();
}

void CutterWindow::playAfterPosition() {
    int length = 0;
    if (!readNumber(ui_->stepForwardBox, "milliseconds to play after the position", length))
        return;
    const int64_t start = document_->position();
    play(start, start + length, static_cast<int>(RangeKind::AfterPosition));
}

void CutterWindow::playBeforePosition() {
    int length = 0;
    if (!readNumber(ui_->stepBackwardBox, "milliseconds to play before the position", length))
        return;
    const int64_t end = document_->position();
    // Near the start of the file the stretch begins at the start.
    play(std::max<int64_t>(end - length, 0), end, static_cast<int>(RangeKind::BeforePosition));
}

// A played stretch puts the position back where it was taken from.
void CutterWindow::playbackEnded() {
    const Range range = playback_->range();
    switch (range.kind) {
    case RangeKind::Preview:
        stopPreview();
        document_->setPosition(range.startMs); // back to the section's start
        break;
    case RangeKind::AfterPosition: document_->setPosition(range.startMs); break;
    case RangeKind::BeforePosition: document_->setPosition(range.endMs); break;
    case RangeKind::WholeFile:
        document_->setPosition(ui_->backToStartBox->isChecked() ? range.startMs : document_->duration());
        break;
    }
}

void CutterWindow::showHeardPosition(int64_t ms) {
    const Range range = playback_->range();
    if (range.kind == RangeKind::Preview)
        sections_->setStatus(range.section,
                             tr("Previewing: ") + QString::fromStdString(AppSettings::formatMinSecMs(ms)));
    document_->setPosition(ms); // the clock and the playhead follow a preview too
}

void CutterWindow::setPreviewControls(bool previewing) {
    ui_->stopPreviewButton->setVisible(previewing);
    ui_->previewButton->setVisible(!previewing);
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui_->addPointButton, ui_->removeButton, ui_->removeAllButton, ui_->goToButton, ui_->goToMinutesBox,
             ui_->goToMillisecondsBox, ui_->goToSecondsBox, pointMenu_->button()})
        control->setEnabled(!previewing);
}

void CutterWindow::startPreview() {
    const int row = selectedRow();
    if (row < 0)
        return;
    play(document_->sectionStart(row), document_->sectionEnd(row) - 1, static_cast<int>(RangeKind::Preview), row);
    if (playback_->isActive())
        setPreviewControls(true);
}

void CutterWindow::stopPreview() {
    const int row = playback_->range().section;
    playback_->stop();
    sections_->setStatus(row, "");
    setPreviewControls(false);
}
