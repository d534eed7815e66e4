#include "OptionsDialog.h"

#include "WindowGeometry.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "NameTemplate.h"
#include "OptionLists.h"
#include "OutputNaming.h"
#include "FolderChooser.h"
#include "SettingsStore.h"

namespace {

QStringList items(const std::vector<std::string>& entries) {
    QStringList items;
    for (const auto& entry : entries)
        items << QString::fromStdString(entry);
    return items;
}

QComboBox* list(const char* name, const std::vector<std::string>& entries) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItems(items(entries));
    return box;
}

QString timeText(int h, int m, int s) {
    using AppSettings::zeroPad;
    return QString::fromStdString(zeroPad(h, 2) + ":" + zeroPad(m, 2) + ":" + zeroPad(s, 2));
}

// Keeps the characters a file name cannot hold out of a name edit, typed or pasted.
void filterNameKeys(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const QString kept = QString::fromStdString(withoutNameBreakers(text.toStdString()));
        if (kept != text) {
            const int cursor = edit->cursorPosition() - static_cast<int>(text.size() - kept.size());
            edit->setText(kept);
            edit->setCursorPosition(std::max(cursor, 0));
        }
    });
}

} // namespace

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("optionsDialog");
    setWindowTitle(tr("Zelvo MP3 Zovozu Darozu: Options"));
    keepGeometry(this, AppSettings::optionsGeometry);
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget;
    pages_->setObjectName("pages");
    pages_->addTab(buildFormatPages(), tr("Format"));
    pages_->addTab(buildSavePages(), tr("Save"));
    pages_->addTab(buildLoudnessPage(), tr("Loudness"));
    layout->addWidget(pages_);
    // The recorder's schedule list: kept, not shown.
    scheduleList_ = new QTreeWidget(this);
    scheduleList_->setObjectName("scheduleList");
    scheduleList_->setHeaderLabels({tr("Use"), tr("Start time"), tr("Stop time"), tr("Frequency")});
    scheduleList_->setRootIsDecorated(false);
    scheduleList_->hide();
    connect(scheduleList_->header(), &QHeaderView::sectionClicked, this, &OptionsDialog::sortSchedule);

    auto* buttons = new QHBoxLayout;
    defaultButton_ = new QPushButton(tr("&Default"));
    defaultButton_->setObjectName("defaultButton");
    defaultButton_->setToolTip(tr("Set all setting to default"));
    okButton_ = new QPushButton(tr("&Ok"));
    okButton_->setObjectName("okButton");
    cancelButton_ = new QPushButton(tr("&Cancel"));
    cancelButton_->setObjectName("cancelButton");
    buttons->addWidget(defaultButton_);
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);
    connect(defaultButton_, &QPushButton::clicked, this, &OptionsDialog::resetToDefaults);
    connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::acceptChanges);
    connect(cancelButton_, &QPushButton::clicked, this, &OptionsDialog::discardChanges);
    connect(vbrEnableBox_, &QCheckBox::toggled, this, &OptionsDialog::updateVbrControls);
    valuesToControls(values_);
}

QWidget* OptionsDialog::buildFormatPages() {
    using namespace OptionLists;
    formatPages_ = new QTabWidget;
    formatPages_->setObjectName("formatPages");
    formatPages_->setUsesScrollButtons(false); // every format's tab in sight
    auto page = [this](const QString& title, const std::vector<std::pair<QString, QWidget*>>& rows) {
        auto* widget = new QWidget;
        auto* grid = new QGridLayout(widget);
        int row = 0;
        for (const auto& [label, control] : rows) {
            if (!label.isEmpty())
                grid->addWidget(new QLabel(label), row, 0);
            grid->addWidget(control, row++, 1);
        }
        grid->setRowStretch(row, 1);
        formatPages_->addTab(widget, title);
        return grid;
    };
    wavRateBox_ = list("wavRateBox", wavFrequencies());
    wavChannelsBox_ = list("wavChannelsBox", channels());
    wavSampleSizeBox_ = list("wavSampleSizeBox", wavSampleSizes());
    page("WAV", {{tr("Frequency:"), wavRateBox_},
                 {tr("Channels:"), wavChannelsBox_},
                 {tr("Sampling Rate:"), wavSampleSizeBox_}});

    mp3RateBox_ = list("mp3RateBox", mp3OggFrequencies());
    mp3ChannelsBox_ = list("mp3ChannelsBox", channels());
    mp3BitRateBox_ = list("mp3BitRateBox", mp3BitRates());
    mp3EncoderQualityBox_ = list("mp3EncoderQualityBox", mp3Qualities());
    vbrEnableBox_ = new QCheckBox(tr("VBR(Variable Bit Rate)"));
    vbrEnableBox_->setObjectName("vbrEnableBox");
    mp3MaxBitRateBox_ = list("mp3MaxBitRateBox", mp3BitRates());
    mp3VbrQualityBox_ = list("mp3VbrQualityBox", mp3Qualities());
    vbrHeaderBox_ = new QCheckBox(tr("Write VBR header"));
    vbrHeaderBox_->setObjectName("vbrHeaderBox");
    QGridLayout* mp3 = page("MP3", {{tr("Frequency:"), mp3RateBox_},
                                    {tr("Channels:"), mp3ChannelsBox_},
                                    {tr("Bit Rate:"), mp3BitRateBox_},
                                    {tr("Encoder Quality:"), mp3EncoderQualityBox_},
                                    {nullptr, vbrEnableBox_},
                                    {nullptr, mp3MaxBitRateBox_},
                                    {nullptr, mp3VbrQualityBox_},
                                    {nullptr, vbrHeaderBox_}});
    maxBitRateLabel_ = new QLabel(tr("Max Bit Rate:"));
    maxBitRateLabel_->setObjectName("maxBitRateLabel");
    vbrQualityLabel_ = new QLabel(tr("VBR Quality:"));
    vbrQualityLabel_->setObjectName("vbrQualityLabel");
    mp3->addWidget(maxBitRateLabel_, 5, 0);
    mp3->addWidget(vbrQualityLabel_, 6, 0);

    oggRateBox_ = list("oggRateBox", mp3OggFrequencies());
    oggChannelsBox_ = list("oggChannelsBox", channels());
    oggQualityBox_ = list("oggQualityBox", oggQualities());
    page("OGG",
         {{tr("Frequency:"), oggRateBox_}, {tr("Channels:"), oggChannelsBox_}, {tr("Quality:"), oggQualityBox_}});
    wmaFormatBox_ = list("wmaFormatBox", wmaFormats());
    page("WMA", {{tr("Format:"), wmaFormatBox_}});
    flacRateBox_ = list("flacRateBox", wavFrequencies());
    flacChannelsBox_ = list("flacChannelsBox", channels());
    flacSampleSizeBox_ = list("flacSampleSizeBox", flacSampleSizes());
    flacLevelBox_ = list("flacLevelBox", flacLevels());
    page("FLAC", {{tr("Frequency:"), flacRateBox_},
                  {tr("Channels:"), flacChannelsBox_},
                  {tr("Sample Size:"), flacSampleSizeBox_},
                  {tr("Compression Level:"), flacLevelBox_}});
    opusChannelsBox_ = list("opusChannelsBox", channels());
    opusBitRateBox_ = list("opusBitRateBox", opusBitRates());
    page("Opus", {{tr("Frequency:"), new QLabel("48000 Hz")},
                  {tr("Channels:"), opusChannelsBox_},
                  {tr("Bit Rate:"), opusBitRateBox_}});
    m4aRateBox_ = list("m4aRateBox", wavFrequencies());
    m4aChannelsBox_ = list("m4aChannelsBox", channels());
    m4aBitRateBox_ = list("m4aBitRateBox", m4aBitRates());
    page("M4A",
         {{tr("Frequency:"), m4aRateBox_}, {tr("Channels:"), m4aChannelsBox_}, {tr("Bit Rate:"), m4aBitRateBox_}});

    using V = OptionValues;
    lists_ = {{wavRateBox_, &V::wavRateIndex},
              {wavChannelsBox_, &V::wavChannelsIndex},
              {wavSampleSizeBox_, &V::wavSampleSizeIndex},
              {mp3RateBox_, &V::mp3RateIndex},
              {mp3ChannelsBox_, &V::mp3ChannelsIndex},
              {mp3BitRateBox_, &V::mp3BitRateIndex},
              {mp3EncoderQualityBox_, &V::mp3EncoderQualityIndex},
              {mp3MaxBitRateBox_, &V::mp3MaxBitRateIndex},
              {mp3VbrQualityBox_, &V::mp3VbrQualityIndex},
              {oggRateBox_, &V::oggRateIndex},
              {oggChannelsBox_, &V::oggChannelsIndex},
              {oggQualityBox_, &V::oggQualityIndex},
              {wmaFormatBox_, &V::wmaProfileIndex},
              {flacRateBox_, &V::flacRateIndex},
              {flacChannelsBox_, &V::flacChannelsIndex},
              {flacSampleSizeBox_, &V::flacSampleSizeIndex},
              {flacLevelBox_, &V::flacLevelIndex},
              {opusChannelsBox_, &V::opusChannelsIndex},
              {opusBitRateBox_, &V::opusBitRateIndex},
              {m4aRateBox_, &V::m4aRateIndex},
              {m4aChannelsBox_, &V::m4aChannelsIndex},
              {m4aBitRateBox_, &V::m4aBitRateIndex}};
    checks_ = {{vbrEnableBox_, &V::mp3VbrEnabled}, {vbrHeaderBox_, &V::mp3VbrHeader}};
    return formatPages_;
}

QWidget* OptionsDialog::buildSavePage(QLineEdit*& path, QPushButton*& chooser, QRadioButton** where,
                                      QRadioButton*& addNew, QRadioButton*& overwrite, const char* pathName,
                                      const char* chooserName) {
    auto* widget = new QWidget;
    auto* grid = new QGridLayout(widget);
    path = new QLineEdit;
    path->setObjectName(pathName);
    path->setReadOnly(true);
    chooser = new QPushButton("...");
    chooser->setObjectName(chooserName);
    QLineEdit* target = path;
    connect(chooser, &QPushButton::clicked, this, [this, target] { chooseOutputFolder(target); });
    int row = 0;
    if (where) {
        grid->addWidget(new QLabel(tr("Where to save:")), row++, 0, 1, 3);
        where[0] = new QRadioButton(tr("Always save to "));
        where[1] = new QRadioButton(tr("Save to original file path"));
        auto* group = new QButtonGroup(widget);
        group->addButton(where[0]);
        group->addButton(where[1]);
        grid->addWidget(where[0], row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(chooser, row++, 2);
        grid->addWidget(where[1], row++, 0, 1, 3);
    } else {
        grid->addWidget(new QLabel(tr("Output path:")), row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(chooser, row++, 2);
    }
    grid->addWidget(new QLabel(tr("If same as an existed file:")), 10, 0, 1, 3);
    addNew = new QRadioButton(tr("Add \"New\" after filename"));
    overwrite = new QRadioButton(tr("Overwrite the existed file"));
    auto* group = new QButtonGroup(widget);
    group->addButton(addNew);
    group->addButton(overwrite);
    grid->addWidget(addNew, 11, 0, 1, 3);
    grid->addWidget(overwrite, 12, 0, 1, 3);
    grid->setRowStretch(13, 1);
    savePages_->addTab(widget, "");
    return widget;
}

QCheckBox* OptionsDialog::addNormalizeBox(QWidget* page, const char* name, bool OptionValues::*field) {
    auto* box = new QCheckBox(tr("Bring to one loudness (see Loudness)"));
    box->setObjectName(name);
    box->setToolTip(tr("The output is measured and brought to the target loudness, never above the peak "
                       "ceiling; copied MP3 sections move in steps of 1.5 dB"));
    static_cast<QGridLayout*>(page->layout())->addWidget(box, 7, 0, 1, 3);
    checks_.push_back({box, field});
    return box;
}

QLineEdit* OptionsDialog::addNameTemplateRow(QWidget* page, const char* name, std::string OptionValues::*field) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setToolTip(tr("Fields: %1. {n:02} pads the number with zeros, {start:s} gives seconds, \"/\" makes "
                        "folders")
                         .arg(QString::fromStdString(nameTemplateFields())));
    auto* example = new QLabel;
    example->setObjectName(QString(name) + "Example");
    example->setTextFormat(Qt::PlainText);
    auto* grid = static_cast<QGridLayout*>(page->layout());
    grid->addWidget(new QLabel(tr("File name:")), 4, 0);
    grid->addWidget(edit, 4, 1, 1, 2);
    grid->addWidget(example, 5, 0, 1, 3);
    texts_.push_back({edit, field});
    nameExamples_.push_back({edit, example});
    connect(edit, &QLineEdit::textChanged, this, &OptionsDialog::showNameExamples);
    return edit;
}

void OptionsDialog::showNameExamples() {
    const std::time_t time = QDateTime::currentSecsSinceEpoch();
    const std::tm now = localTimeOf(time);
    NameFields sample = sampleNameFields(now);
    sample.merged = mergedFileStem(joinPrefixEdit_->text().toStdString(), joinSuffixEdit_->text().toStdString(),
                                   joinUseDateBox_->isChecked(), now);
    for (const auto& [edit, example] : nameExamples_) {
        const std::string nameTemplate = edit->text().trimmed().toStdString();
        const std::string error = nameTemplateError(nameTemplate);
        example->setText(
            error.empty() ? tr("Example: %1.mp3").arg(QString::fromStdString(expandNameTemplate(nameTemplate, sample)))
                          : tr("Cannot be used: %1").arg(QString::fromStdString(error)));
    }
}

QString OptionsDialog::nameTemplateProblem() const {
    for (const auto& [edit, example] : nameExamples_) {
        const std::string error = nameTemplateError(edit->text().trimmed().toStdString());
        if (!error.empty())
            return tr("The file name template \"%1\" cannot be used: %2")
                .arg(edit->text(), QString::fromStdString(error));
    }
    return {};
}

QWidget* OptionsDialog::buildLoudnessPage() {
    auto* widget = new QWidget;
    auto* form = new QFormLayout(widget);
    auto number = [this](const char* name, int low, int high, const QString& unit, int OptionValues::*field) {
        auto* box = new QSpinBox;
        box->setObjectName(name);
        box->setRange(low, high);
        box->setSuffix(unit);
        numbers_.push_back({box, field});
        return box;
    };
    targetLoudnessBox_ = number("targetLoudnessBox", -40, -5, tr(" LUFS"), &OptionValues::targetLoudness);
    peakCeilingBox_ = number("peakCeilingBox", -9, 0, tr(" dBTP"), &OptionValues::peakCeiling);
    form->addRow(tr("Target loudness:"), targetLoudnessBox_);
    form->addRow(tr("Peak ceiling:"), peakCeilingBox_);
    playbackGainBox_ = new QComboBox;
    playbackGainBox_->setObjectName("playbackGainBox");
    playbackGainBox_->addItems({tr("Off"), tr("Track gain"), tr("Album gain")});
    playbackGainBox_->setToolTip(tr("Files with ReplayGain tags are played at their gain, their peaks kept below "
                                    "full scale; files without them are played as they are"));
    lists_.push_back({playbackGainBox_, &OptionValues::playbackGainIndex});
    form->addRow(tr("Play with ReplayGain:"), playbackGainBox_);
    return widget;
}

QWidget* OptionsDialog::buildSavePages() {
    savePages_ = new QTabWidget;
    savePages_->setObjectName("savePages");
    QRadioButton* convertWhere[2];
    QRadioButton* splitWhere[2];
    buildSavePage(convertFolderEdit_, convertFolderButton_, convertWhere, convertAddNewButton_, convertOverwriteButton_,
                  "convertFolderEdit", "convertFolderButton");
    QWidget* cut = buildSavePage(cutFolderEdit_, cutFolderButton_, splitWhere, cutAddNewButton_, cutOverwriteButton_,
                                 "cutFolderEdit", "cutFolderButton");
    cutKeepEncodingBox_ = new QCheckBox(tr("Keep the source's encoding (no re-encoding)"));
    cutKeepEncodingBox_->setObjectName("cutKeepEncodingBox");
    cutKeepEncodingBox_->setToolTip(
        tr("Sections are copied: MP3 frame by frame, exact to the sample, fades in steps of 1.5 dB; OGG and "
           "WMA sections without fades packet by packet, exact to the packet. Lossless and fast"));
    static_cast<QGridLayout*>(cut->layout())->addWidget(cutKeepEncodingBox_, 9, 0, 1, 3);
    QWidget* join = buildSavePage(joinFolderEdit_, joinFolderButton_, nullptr, joinAddNewButton_, joinOverwriteButton_,
                                  "joinFolderEdit", "joinFolderButton");
    savePages_->setTabText(0, tr("Converter"));
    savePages_->setTabText(1, tr("Zovozu"));
    savePages_->setTabText(2, tr("Joinner"));
    convertToFolderButton_ = convertWhere[0];
    convertToSourceFolderButton_ = convertWhere[1];
    cutToFolderButton_ = splitWhere[0];
    cutToSourceFolderButton_ = splitWhere[1];
    for (auto [button, name] : {std::pair{convertToFolderButton_, "convertToFolderButton"},
                                {convertToSourceFolderButton_, "convertToSourceFolderButton"},
                                {convertAddNewButton_, "convertAddNewButton"},
                                {convertOverwriteButton_, "convertOverwriteButton"},
                                {cutToFolderButton_, "cutToFolderButton"},
                                {cutToSourceFolderButton_, "cutToSourceFolderButton"},
                                {cutAddNewButton_, "cutAddNewButton"},
                                {cutOverwriteButton_, "cutOverwriteButton"},
                                {joinAddNewButton_, "joinAddNewButton"},
                                {joinOverwriteButton_, "joinOverwriteButton"}})
        button->setObjectName(name);

    auto* grid = static_cast<QGridLayout*>(join->layout());
    auto* name = new QHBoxLayout;
    joinPrefixEdit_ = new QLineEdit;
    joinPrefixEdit_->setObjectName("joinPrefixEdit");
    joinUseDateBox_ = new QCheckBox(tr("Date"));
    joinUseDateBox_->setObjectName("joinUseDateBox");
    joinSuffixEdit_ = new QLineEdit;
    joinSuffixEdit_->setObjectName("joinSuffixEdit");
    for (QLineEdit* edit : {joinPrefixEdit_, joinSuffixEdit_})
        filterNameKeys(edit);
    name->addWidget(joinPrefixEdit_);
    name->addWidget(new QLabel("+"));
    name->addWidget(joinUseDateBox_);
    name->addWidget(new QLabel(tr("+ Time +")));
    name->addWidget(joinSuffixEdit_);
    grid->addWidget(new QLabel(tr("Name:")), 2, 0);
    grid->addLayout(name, 3, 0, 1, 3);
    joinKeepEncodingBox_ = new QCheckBox(tr("Keep the source's encoding (no re-encoding)"));
    joinKeepEncodingBox_->setObjectName("joinKeepEncodingBox");
    joinKeepEncodingBox_->setToolTip(tr("MP3 files of one rate and channel count are joined by copying their frames"));
    grid->addWidget(joinKeepEncodingBox_, 9, 0, 1, 3);

    using V = OptionValues;
    convertNormalizeBox_ = addNormalizeBox(savePages_->widget(0), "convertNormalizeBox", &V::convertNormalizes);
    cutNormalizeBox_ = addNormalizeBox(cut, "cutNormalizeBox", &V::cutNormalizes);
    joinNormalizeBox_ = addNormalizeBox(join, "joinNormalizeBox", &V::joinNormalizes);
    joinKeepLevelsBox_ = new QCheckBox(tr("Keep the files' levels to each other (an album)"));
    joinKeepLevelsBox_->setObjectName("joinKeepLevelsBox");
    joinKeepLevelsBox_->setToolTip(tr("The joined file as a whole is brought to the target, not each file"));
    grid->addWidget(joinKeepLevelsBox_, 8, 0, 1, 3);
    checks_.push_back({joinKeepLevelsBox_, &V::joinKeepsLevels});
    connect(joinNormalizeBox_, &QCheckBox::toggled, joinKeepLevelsBox_, &QWidget::setEnabled);
    cutPlaylistBox_ = new QCheckBox(tr("Also write a playlist (M3U) of the files written"));
    cutPlaylistBox_->setObjectName("cutPlaylistBox");
    static_cast<QGridLayout*>(cut->layout())->addWidget(cutPlaylistBox_, 6, 0, 1, 3);
    checks_.push_back({cutPlaylistBox_, &V::writesPlaylists});
    checks_.push_back({joinUseDateBox_, &V::joinUsesDate});
    checks_.push_back({cutKeepEncodingBox_, &V::cutKeepsEncoding});
    checks_.push_back({joinKeepEncodingBox_, &V::joinKeepsEncoding});
    texts_ = {{convertFolderEdit_, &V::convertFolder},
              {cutFolderEdit_, &V::cutFolder},
              {joinFolderEdit_, &V::joinFolder},
              {joinPrefixEdit_, &V::joinPrefix},
              {joinSuffixEdit_, &V::joinSuffix}};
    pairs_ = {{{convertToFolderButton_, convertToSourceFolderButton_}, &V::convertToChosenFolder},
              {{convertAddNewButton_, convertOverwriteButton_}, &V::convertAddsNew},
              {{cutToFolderButton_, cutToSourceFolderButton_}, &V::cutToChosenFolder},
              {{cutAddNewButton_, cutOverwriteButton_}, &V::cutAddsNew},
              {{joinAddNewButton_, joinOverwriteButton_}, &V::joinAddsNew}};
    convertNameEdit_ = addNameTemplateRow(savePages_->widget(0), "convertNameEdit", &V::convertNameTemplate);
    cutNameEdit_ = addNameTemplateRow(cut, "cutNameEdit", &V::cutNameTemplate);
    joinNameEdit_ = addNameTemplateRow(join, "joinNameEdit", &V::joinNameTemplate);
    for (QLineEdit* edit : {joinPrefixEdit_, joinSuffixEdit_})
        connect(edit, &QLineEdit::textChanged, this, &OptionsDialog::showNameExamples);
    connect(joinUseDateBox_, &QCheckBox::toggled, this, &OptionsDialog::showNameExamples);
    return savePages_;
}

// ---- The working copy ----

OptionValues OptionsDialog::controlsToValues() const {
    OptionValues values = values_;               // the values without a control stay as they are
    values.lastFolder = AppSettings::lastFolder; // what the main window listed last
    values.recentCutFiles = AppSettings::recentCutFiles;
    values.recentJoinFiles = AppSettings::recentJoinFiles;
    values.playerGeometry = AppSettings::playerGeometry;
    values.cutterGeometry = AppSettings::cutterGeometry;
    values.joinerGeometry = AppSettings::joinerGeometry;
    values.optionsGeometry = AppSettings::optionsGeometry;
    for (const auto& [box, field] : lists_)
        values.*field = box->currentIndex();
    for (const auto& [check, field] : checks_)
        values.*field = check->isChecked();
    for (const auto& [edit, field] : texts_)
        values.*field = edit->text().toStdString();
    for (const auto& [radios, field] : pairs_)
        values.*field = radios.first->isChecked();
    for (const auto& [box, field] : numbers_)
        values.*field = box->value();
    for (int row = 0; row < scheduleList_->topLevelItemCount() && row < static_cast<int>(values.schedule.size()); ++row)
        values.schedule[static_cast<size_t>(row)].use = scheduleList_->topLevelItem(row)->checkState(0) == Qt::Checked;
    return values;
}

void OptionsDialog::valuesToControls(const OptionValues& values) {
    values_ = values;
    for (const auto& [box, field] : lists_)
        box->setCurrentIndex(values.*field);
    for (const auto& [check, field] : checks_)
        check->setChecked(values.*field);
    for (const auto& [edit, field] : texts_)
        edit->setText(QString::fromStdString(values.*field));
    for (const auto& [radios, field] : pairs_)
        (values.*field ? radios.first : radios.second)->setChecked(true);
    for (const auto& [box, field] : numbers_)
        box->setValue(values.*field);
    joinKeepLevelsBox_->setEnabled(values.joinNormalizes);
    showScheduleRows(values.schedule);
    updateVbrControls();
}

void OptionsDialog::updateVbrControls() {
    const bool vbr = vbrEnableBox_->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{maxBitRateLabel_, mp3MaxBitRateBox_, vbrQualityLabel_,
                                                            mp3VbrQualityBox_, vbrHeaderBox_})
        control->setEnabled(vbr);
}

// ---- The lifecycle ----

void OptionsDialog::loadAtStartup() {
    OptionValues values;
    try {
        startupSettings(values);
    } catch (const SettingsReadError&) {
        keepUnreadSettingsFile_ = true;
        valuesToControls(values);
        throw;
    } catch (...) {
        valuesToControls(values);
        throw;
    }
    valuesToControls(values);
}

void OptionsDialog::saveAtProgramEnd() {
    if (keepUnreadSettingsFile_)
        return;
    values_ = controlsToValues();
    saveSettings(values_, settingsFilePath(), scheduleFilePath());
}

void OptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    snapshot_ = controlsToValues();
    accepted_ = false;
}

// The settings take effect once they are saved; a failed save keeps the dialog open.
void OptionsDialog::acceptChanges() {
    if (const QString problem = nameTemplateProblem(); !problem.isEmpty())
        return showMessage(problem);
    const OptionValues values = controlsToValues();
    try {
        saveSettings(values, settingsFilePath(), scheduleFilePath());
    } catch (const SettingsWriteError& error) {
        showMessage(QString::fromUtf8(error.what()));
        return;
    }
    keepUnreadSettingsFile_ = false;
    accepted_ = true;
    values_ = values;
    applySettings(values_);
    accept();
}

void OptionsDialog::discardChanges() {
    reject();
}

void OptionsDialog::done(int result) {
    if (!accepted_)
        valuesToControls(snapshot_);
    QDialog::done(result);
}

void OptionsDialog::resetToDefaults() {
    OptionValues values = controlsToValues();
    resetSettings(values);
    valuesToControls(values);
}

void OptionsDialog::showMessage(const QString& text) {
    lastMessage_ = text;
    QMessageBox::information(this, windowTitle(), text);
}

void OptionsDialog::chooseOutputFolder(QLineEdit* target) {
    const QString folder = FolderChooser::choose(this, target->text());
    if (folder.isEmpty())
        return;
    // A folder is taken only when a file can be made in it.
    const QString probe = folder + QString::number(QDateTime::currentMSecsSinceEpoch()) + "." +
                          QString::number(QDateTime::currentMSecsSinceEpoch() % 1000);
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        showMessage(tr("The path can't set as output path"));
        return;
    }
    file.close();
    file.remove();
    target->setText(folder);
}

// ---- The schedule list ----

QString OptionsDialog::frequencyText(const AppSettings::ScheduleEntry& e) {
    static const char* const weekdays[] = {QT_TR_NOOP("Monday"),   QT_TR_NOOP("Tuesday"), QT_TR_NOOP("Wednesday"),
                                           QT_TR_NOOP("Thursday"), QT_TR_NOOP("Friday"),  QT_TR_NOOP("Saturday"),
                                           QT_TR_NOOP("Sunday")};
    static const char* const months[] = {QT_TR_NOOP("January"), QT_TR_NOOP("February"), QT_TR_NOOP("March"),
                                         QT_TR_NOOP("April"),   QT_TR_NOOP("May"),      QT_TR_NOOP("June"),
                                         QT_TR_NOOP("July"),    QT_TR_NOOP("August"),   QT_TR_NOOP("September"),
                                         QT_TR_NOOP("October"), QT_TR_NOOP("November"), QT_TR_NOOP("December")};
    if (e.day == 0 && e.month == 0 && e.year == 0 && e.dayOfWeek == 0)
        return tr("Every day");
    if (e.day && e.month && e.year && e.dayOfWeek == 0)
        return tr("Special date: ") + QLocale().toString(QDate(e.year, e.month, e.day), QLocale::ShortFormat);
    if (!e.day && !e.month && !e.year && e.dayOfWeek >= 1 && e.dayOfWeek <= 7)
        return tr("Every week: ") + tr(weekdays[e.dayOfWeek - 1]);
    if (!e.year && !e.month && e.day && !e.dayOfWeek)
        return tr("Every month: %1").arg(e.day);
    if (!e.year && e.month >= 1 && e.month <= 12 && e.day && !e.dayOfWeek)
        return tr("Every year: %1 %2").arg(tr(months[e.month - 1])).arg(e.day);
    return "";
}

void OptionsDialog::showScheduleRows(const std::vector<AppSettings::ScheduleEntry>& entries) {
    scheduleList_->clear();
    for (const auto& e : entries) {
        auto* item = new QTreeWidgetItem(scheduleList_, {"", timeText(e.startH, e.startM, e.startS),
                                                         timeText(e.stopH, e.stopM, e.stopS), frequencyText(e)});
        item->setCheckState(0, e.use ? Qt::Checked : Qt::Unchecked);
    }
}

void OptionsDialog::deleteScheduleRow(int row) {
    OptionValues values = controlsToValues();
    if (row < 0 || row >= static_cast<int>(values.schedule.size()))
        return;
    values.schedule.erase(values.schedule.begin() + row);
    values_ = values;
    showScheduleRows(values.schedule);
}

void OptionsDialog::clearSchedule() {
    values_.schedule.clear();
    showScheduleRows({});
}

void OptionsDialog::sortSchedule(int column) {
    scheduleSortColumn_ = column;
    scheduleList_->sortItems(column, Qt::AscendingOrder); // the entries keep their order
}

void OptionsDialog::writeSchedule(const QString& path) {
    const OptionValues values = controlsToValues();
    if (values.schedule.empty())
        return;
    try {
        writeScheduleFile(path.toStdString(), values.schedule);
    } catch (const SettingsWriteError& error) {
        showMessage(QString::fromUtf8(error.what()));
    }
}

void OptionsDialog::readSchedule(const QString& path) {
    std::vector<AppSettings::ScheduleEntry> entries;
    if (!readScheduleFile(path.toStdString(), entries))
        return;
    values_ = controlsToValues();
    values_.schedule = entries;
    showScheduleRows(entries);
}
