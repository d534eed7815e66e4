#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "OptionValues.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class TfrmPathSelect;

// The options dialog: output formats, output folders and naming. Its controls edit the
// working copy of the settings (Values); OK applies and saves it, Cancel or closing puts
// back what the dialog showed when it opened. The recorder's settings (hot keys,
// automation, schedule) and the e-mail texts have no page shown: their values are
// loaded, reset, kept and saved all the same.
class TfrmOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfrmOptions(QWidget* parent = nullptr);

    void SetPathChooser(TfrmPathSelect* chooser) { frmPathSelect_ = chooser; }

    // Start-up: loads the settings file, or writes a new one with the reset values;
    // then applies. Raises SettingsWriteError when the new file cannot be written.
    void LoadAtStartup();
    // Program end: the working copy is saved once more.
    void SaveAtProgramEnd();

    void btnOptionOkClick();
    void btnOptionCancelClick();
    void btnOptionDefaultClick();
    void UpdateVbrControls();
    // The four "..." buttons: the chosen folder, if a file can be made in it.
    void ChooseOutputFolder(QLineEdit* target);
    // The schedule list (no page shown): rows as texts, delete, clear, sort, save and load.
    void btnScheduleDeleteClick(int row);
    void btnScheduleClearClick();
    void SortSchedule(int column);
    void WriteSchedule(const QString& path);
    void ReadSchedule(const QString& path);
    static QString FrequencyText(const GlobeVar::TScheduleEntry& entry);

    // The working copy as the controls show it, and back.
    TOptionsValues ControlsToValues() const;
    void ValuesToControls(const TOptionsValues& values);

    TOptionsValues Values;
    bool Accepted = false;
    TOptionsValues Snapshot;
    int ScheduleSortColumn = 0;
    QString LastMessage;

    QTabWidget *pcOptions, *pcFormat, *pcSave;
    QComboBox *cboxWavFreq, *cboxWavChannels, *cboxWavSampleRate, *cboxMP3Freq, *cboxMP3Channels, *cboxMP3BitRate,
        *cboxMP3EncoderQuality, *cboxMP3MaxBitRate, *cboxMP3VBRQuality, *cboxOggFreq, *cboxOggChannels, *cboxOggBitRate,
        *cboxWmaFormat;
    QCheckBox *cboxVBREnable, *cboxVBRHeader, *cboxJoinUseDate;
    QLabel *lbMaxBitRate, *lbVBRQuality;
    QLineEdit *edConvertOutputPath, *edSplitOutputPath, *edJoinOutputPath, *edJoinPreName, *edJoinPosName;
    QPushButton *btnConvertOutputpath, *btnSplitOutputPath, *btnJoinOutputPath;
    QRadioButton *rbSaveToAppointed, *rbSaveToOriginal, *rbConvertAddNew, *rbConvertOverwrite;
    QRadioButton *rbSplitSaveToAppointed, *rbSplitSaveToOriginal, *rbSplitAddNew, *rbSplitOverwrite;
    QRadioButton *rbJoinAddNew, *rbJoinOverwrite;
    QTreeWidget* listSchedule;
    QPushButton *btnOptionDefault, *btnOptionOk, *btnOptionCancel;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QWidget* BuildFormatPages();
    QWidget* BuildSavePages();
    QWidget* BuildSavePage(QLineEdit*& path, QPushButton*& chooser, QRadioButton** where, QRadioButton*& addNew,
                           QRadioButton*& overwrite, const char* pathName, const char* chooserName);
    void ShowScheduleRows(const std::vector<GlobeVar::TScheduleEntry>& entries);
    void ShowMessage(const QString& text);

    TfrmPathSelect* frmPathSelect_ = nullptr;
    // The controls' bindings to the working copy.
    std::vector<std::pair<QComboBox*, int TOptionsValues::*>> lists_;
    std::vector<std::pair<QAbstractButton*, bool TOptionsValues::*>> checks_;
    std::vector<std::pair<QLineEdit*, std::string TOptionsValues::*>> texts_;
    std::vector<std::pair<std::pair<QRadioButton*, QRadioButton*>, bool TOptionsValues::*>> pairs_;
};
