#pragma once

#include <functional>
#include <vector>

#include <QDialog>
#include <QSpinBox>

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

// The options dialog: output formats, output folders and naming. Its controls edit the
// working copy of the settings (Values); OK applies and saves it, Cancel or closing puts
// back what the dialog showed when it opened. The recorder's settings (hot keys,
// automation, schedule) and the e-mail texts have no page shown: their values are
// loaded, reset, kept and saved all the same.
class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    explicit OptionsDialog(QWidget* parent = nullptr);

    // Start-up: loads the settings file, or writes a new one with the reset values;
    // then applies. Raises SettingsWriteError when the new file cannot be written.
    void loadAtStartup();
    // Program end: the working copy is saved once more.
    void saveAtProgramEnd();

    void acceptChanges();
    void discardChanges();
    void resetToDefaults();
    void updateVbrControls();
    // The four "..." buttons: the chosen folder, if a file can be made in it.
    void chooseOutputFolder(QLineEdit* target);
    // The schedule list (no page shown): rows as texts, delete, clear, sort, save and load.
    void deleteScheduleRow(int row);
    void clearSchedule();
    void sortSchedule(int column);
    void writeSchedule(const QString& path);
    void readSchedule(const QString& path);
    static QString frequencyText(const AppSettings::ScheduleEntry& entry);

    // The working copy as the controls show it, and back.
    OptionValues controlsToValues() const;
    void valuesToControls(const OptionValues& values);

    OptionValues values_;
    bool accepted_ = false;
    // The settings file could not be read at start: it is not replaced at the end unless
    // the user saved new settings with OK.
    bool keepUnreadSettingsFile_ = false;
    OptionValues snapshot_;
    int scheduleSortColumn_ = 0;
    QString lastMessage_;

    QTabWidget *pages_, *formatPages_, *savePages_;
    QComboBox *wavRateBox_, *wavChannelsBox_, *wavSampleSizeBox_, *mp3RateBox_, *mp3ChannelsBox_, *mp3BitRateBox_,
        *mp3EncoderQualityBox_, *mp3MaxBitRateBox_, *mp3VbrQualityBox_, *oggRateBox_, *oggChannelsBox_, *oggQualityBox_,
        *flacRateBox_, *flacChannelsBox_, *flacSampleSizeBox_, *flacLevelBox_, *wmaFormatBox_, *opusChannelsBox_,
        *opusBitRateBox_, *m4aRateBox_, *m4aChannelsBox_, *m4aBitRateBox_;
    QCheckBox *vbrEnableBox_, *vbrHeaderBox_, *joinUseDateBox_;
    QLabel *maxBitRateLabel_, *vbrQualityLabel_;
    QLineEdit *convertFolderEdit_, *cutFolderEdit_, *joinFolderEdit_, *joinPrefixEdit_, *joinSuffixEdit_;
    QPushButton *convertFolderButton_, *cutFolderButton_, *joinFolderButton_;
    QRadioButton *convertToFolderButton_, *convertToSourceFolderButton_, *convertAddNewButton_,
        *convertOverwriteButton_;
    QRadioButton *cutToFolderButton_, *cutToSourceFolderButton_, *cutAddNewButton_, *cutOverwriteButton_;
    QCheckBox *cutKeepEncodingBox_, *joinKeepEncodingBox_;
    QCheckBox *convertNormalizeBox_, *cutNormalizeBox_, *joinNormalizeBox_, *joinKeepLevelsBox_;
    QSpinBox *targetLoudnessBox_, *peakCeilingBox_;
    QComboBox* playbackGainBox_;
    QLineEdit *convertNameEdit_, *cutNameEdit_, *joinNameEdit_;
    QCheckBox* cutPlaylistBox_;
    QRadioButton *joinAddNewButton_, *joinOverwriteButton_;
    QTreeWidget* scheduleList_;
    QPushButton *defaultButton_, *okButton_, *cancelButton_;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QWidget* buildFormatPages();
    QWidget* buildSavePages();
    QWidget* buildLoudnessPage();
    // The box on a job's page that brings its output to one loudness.
    QCheckBox* addNormalizeBox(QWidget* page, const char* name, bool OptionValues::*field);
    QWidget* buildSavePage(QLineEdit*& path, QPushButton*& chooser, QRadioButton** where, QRadioButton*& addNew,
                           QRadioButton*& overwrite, const char* pathName, const char* chooserName);
    // The template of a job's file names, with an example of what it gives below it.
    QLineEdit* addNameTemplateRow(QWidget* page, const char* name, std::string OptionValues::*field);
    void showNameExamples();
    // The first template that cannot be used, with the reason ("" when all can).
    QString nameTemplateProblem() const;
    void showScheduleRows(const std::vector<AppSettings::ScheduleEntry>& entries);
    void showMessage(const QString& text);

    // The controls' bindings to the working copy.
    std::vector<std::pair<QComboBox*, int OptionValues::*>> lists_;
    std::vector<std::pair<QAbstractButton*, bool OptionValues::*>> checks_;
    std::vector<std::pair<QLineEdit*, std::string OptionValues::*>> texts_;
    std::vector<std::pair<std::pair<QRadioButton*, QRadioButton*>, bool OptionValues::*>> pairs_;
    std::vector<std::pair<QSpinBox*, int OptionValues::*>> numbers_;
    std::vector<std::pair<QLineEdit*, QLabel*>> nameExamples_;
};
