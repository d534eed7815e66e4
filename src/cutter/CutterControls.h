#pragma once

#include <QCoreApplication>

class QBoxLayout;
class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeView;
class QWidget;
class PositionBar;

// The cutter's controls in their layout: the top row (Split, Cancel, then the tool row
// the window adds, the position), the time line between its step buttons, the section
// list with the tool column beside it, and the playing row. Made once by the window,
// which connects them; they hold no state of their own.
struct CutterControls {
    Q_DECLARE_TR_FUNCTIONS(CutterControls)

public:
    explicit CutterControls(QWidget* window);

    QHBoxLayout* topRow;
    QPushButton *cutButton, *cancelCutButton;
    QLabel* positionLabel;
    PositionBar* bar;
    QPushButton *stepBackwardButton, *stepForwardButton;
    QTreeView* sectionList;
    QGridLayout* toolColumn;
    QPushButton *addPointButton, *removeButton, *removeAllButton, *previewButton, *stopPreviewButton;
    QLineEdit *goToMinutesBox, *goToSecondsBox, *goToMillisecondsBox;
    QPushButton* goToButton;
    QPushButton *fadeInButton, *fadeOutButton;
    QSpinBox *fadeInBox, *fadeOutBox;
    QCheckBox* snapToFramesBox;
    QPushButton *playButton, *stopButton, *pauseButton;
    QCheckBox* backToStartBox;
    QRadioButton *slowSpeedButton, *normalSpeedButton, *fastSpeedButton;
    QLineEdit *stepBackwardBox, *stepForwardBox;
    QPushButton *playBeforeButton, *playAfterButton;

private:
    QBoxLayout* buildTopRow(QWidget* window);
    QBoxLayout* buildBar(QWidget* window);
    void buildList(QWidget* window);
    void buildToolColumn(QWidget* window);
    QBoxLayout* buildBottomRow(QWidget* window);
};

// The section list's column widths in the window's font; once its model is set.
void sizeSectionColumns(QTreeView* list);
