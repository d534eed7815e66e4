#include "OptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QFile>
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

#include "OptionLists.h"
#include "OutputNaming.h"
#include "FolderChooserDialog.h"
#include "SettingsStore.h"

namespace {

QStringList Items(const std::vector<std::string>& entries) {
    QStringList items;
    for (const auto& entry : entries)
        items << QString::fromStdString(entry);
    return items;
}

QComboBox* List(const char* name, const std::vector<std::string>& entries) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItems(Items(entries));
    return box;
}

QString TimeText(int h, int m, int s) {
    using GlobeVar::ZeroPad;
    return QString::fromStdString(ZeroPad(h, 2) + ":" + ZeroPad(m, 2) + ":" + ZeroPad(s, 2));
}

// Keeps the characters a file name cannot hold out of a name edit, typed or pasted.
void FilterNameKeys(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const QString kept = QString::fromStdString(WithoutNameBreakers(text.toStdString()));
        if (kept != text) {
            const int cursor = edit->cursorPosition() - static_cast<int>(text.size() - kept.size());
            edit->setText(kept);
            edit->setCursorPosition(std::max(cursor, 0));
        }
    });
}

} // namespace

TfrmOptions::TfrmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("frmOptions");
    setWindowTitle("Zelvo MP3 Zovozu Darozu: Options");
    auto* layout = new QVBoxLayout(this);
    pcOptions = new QTabWidget;
    pcOptions->setObjectName("pcOptions");
    pcOptions->addTab(BuildFormatPages(), "Format");
    pcOptions->addTab(BuildSavePages(), "Save");
    layout->addWidget(pcOptions);
    // The recorder's schedule list: kept, not shown.
    listSchedule = new QTreeWidget(this);
    listSchedule->setObjectName("listSchedule");
    listSchedule->setHeaderLabels({"Use", "Start time", "Stop time", "Frequency"});
    listSchedule->setRootIsDecorated(false);
    listSchedule->hide();
    connect(listSchedule->header(), &QHeaderView::sectionClicked, this, &TfrmOptions::SortSchedule);

    auto* buttons = new QHBoxLayout;
    btnOptionDefault = new QPushButton("&Default");
    btnOptionDefault->setObjectName("btnOptionDefault");
    btnOptionDefault->setToolTip("Set all setting to default");
    btnOptionOk = new QPushButton("&Ok");
    btnOptionOk->setObjectName("btnOptionOk");
    btnOptionCancel = new QPushButton("&Cancel");
    btnOptionCancel->setObjectName("btnOptionCancel");
    buttons->addWidget(btnOptionDefault);
    buttons->addStretch();
    buttons->addWidget(btnOptionOk);
    buttons->addWidget(btnOptionCancel);
    layout->addLayout(buttons);
    connect(btnOptionDefault, &QPushButton::clicked, this, &TfrmOptions::btnOptionDefaultClick);
    connect(btnOptionOk, &QPushButton::clicked, this, &TfrmOptions::btnOptionOkClick);
    connect(btnOptionCancel, &QPushButton::clicked, this, &TfrmOptions::btnOptionCancelClick);
    connect(cboxVBREnable, &QCheckBox::toggled, this, &TfrmOptions::UpdateVbrControls);
    ValuesToControls(Values);
}

QWidget* TfrmOptions::BuildFormatPages() {
    using namespace OptionLists;
    pcFormat = new QTabWidget;
    pcFormat->setObjectName("pcFormat");
    auto page = [this](const char* title, const std::vector<std::pair<const char*, QWidget*>>& rows) {
        auto* widget = new QWidget;
        auto* grid = new QGridLayout(widget);
        int row = 0;
        for (const auto& [label, control] : rows) {
            if (label)
                grid->addWidget(new QLabel(label), row, 0);
            grid->addWidget(control, row++, 1);
        }
        grid->setRowStretch(row, 1);
        pcFormat->addTab(widget, title);
        return grid;
    };
    cboxWavFreq = List("cboxWavFreq", WavFrequencies());
    cboxWavChannels = List("cboxWavChannels", Channels());
    cboxWavSampleRate = List("cboxWavSampleRate", WavSampleSizes());
    page("WAV", {{"Frequency:", cboxWavFreq}, {"Channels:", cboxWavChannels}, {"Sampling Rate:", cboxWavSampleRate}});

    cboxMP3Freq = List("cboxMP3Freq", Mp3OggFrequencies());
    cboxMP3Channels = List("cboxMP3Channels", Channels());
    cboxMP3BitRate = List("cboxMP3BitRate", Mp3BitRates());
    cboxMP3EncoderQuality = List("cboxMP3EncoderQuality", Mp3Qualities());
    cboxVBREnable = new QCheckBox("VBR(Variable Bit Rate)");
    cboxVBREnable->setObjectName("cboxVBREnable");
    cboxMP3MaxBitRate = List("cboxMP3MaxBitRate", Mp3BitRates());
    cboxMP3VBRQuality = List("cboxMP3VBRQuality", Mp3Qualities());
    cboxVBRHeader = new QCheckBox("Write VBR header");
    cboxVBRHeader->setObjectName("cboxVBRHeader");
    QGridLayout* mp3 = page("MP3", {{"Frequency:", cboxMP3Freq},
                                    {"Channels:", cboxMP3Channels},
                                    {"Bit Rate:", cboxMP3BitRate},
                                    {"Encoder Quality:", cboxMP3EncoderQuality},
                                    {nullptr, cboxVBREnable},
                                    {nullptr, cboxMP3MaxBitRate},
                                    {nullptr, cboxMP3VBRQuality},
                                    {nullptr, cboxVBRHeader}});
    lbMaxBitRate = new QLabel("Max Bit Rate:");
    lbMaxBitRate->setObjectName("lbMaxBitRate");
    lbVBRQuality = new QLabel("VBR Quality:");
    lbVBRQuality->setObjectName("lbVBRQuality");
    mp3->addWidget(lbMaxBitRate, 5, 0);
    mp3->addWidget(lbVBRQuality, 6, 0);

    cboxOggFreq = List("cboxOggFreq", Mp3OggFrequencies());
    cboxOggChannels = List("cboxOggChannels", Channels());
    cboxOggBitRate = List("cboxOggBitRate", OggQualities());
    page("OGG", {{"Frequency:", cboxOggFreq}, {"Channels:", cboxOggChannels}, {"Quality:", cboxOggBitRate}});
    cboxWmaFormat = List("cboxWmaFormat", WmaFormats());
    page("WMA", {{"Format:", cboxWmaFormat}});

    using V = TOptionsValues;
    lists_ = {{cboxWavFreq, &V::cboxWavFreq},
              {cboxWavChannels, &V::cboxWavChannels},
              {cboxWavSampleRate, &V::cboxWavSampleRate},
              {cboxMP3Freq, &V::cboxMP3Freq},
              {cboxMP3Channels, &V::cboxMP3Channels},
              {cboxMP3BitRate, &V::cboxMP3BitRate},
              {cboxMP3EncoderQuality, &V::cboxMP3EncoderQuality},
              {cboxMP3MaxBitRate, &V::cboxMP3MaxBitRate},
              {cboxMP3VBRQuality, &V::cboxMP3VBRQuality},
              {cboxOggFreq, &V::cboxOggFreq},
              {cboxOggChannels, &V::cboxOggChannels},
              {cboxOggBitRate, &V::cboxOggBitRate},
              {cboxWmaFormat, &V::cboxWmaFormat}};
    checks_ = {{cboxVBREnable, &V::cboxVBREnable}, {cboxVBRHeader, &V::cboxVBRHeader}};
    return pcFormat;
}

QWidget* TfrmOptions::BuildSavePage(QLineEdit*& path, QPushButton*& chooser, QRadioButton** where,
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
    connect(chooser, &QPushButton::clicked, this, [this, target] { ChooseOutputFolder(target); });
    int row = 0;
    if (where) {
        grid->addWidget(new QLabel("Where to save:"), row++, 0, 1, 3);
        where[0] = new QRadioButton("Always save to ");
        where[1] = new QRadioButton("Save to original file path");
        auto* group = new QButtonGroup(widget);
        group->addButton(where[0]);
        group->addButton(where[1]);
        grid->addWidget(where[0], row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(chooser, row++, 2);
        grid->addWidget(where[1], row++, 0, 1, 3);
    } else {
        grid->addWidget(new QLabel("Output path:"), row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(chooser, row++, 2);
    }
    grid->addWidget(new QLabel("If same as an existed file:"), 10, 0, 1, 3);
    addNew = new QRadioButton("Add \"New\" after filename");
    overwrite = new QRadioButton("Overwrite the existed file");
    auto* group = new QButtonGroup(widget);
    group->addButton(addNew);
    group->addButton(overwrite);
    grid->addWidget(addNew, 11, 0, 1, 3);
    grid->addWidget(overwrite, 12, 0, 1, 3);
    grid->setRowStretch(13, 1);
    pcSave->addTab(widget, "");
    return widget;
}

QWidget* TfrmOptions::BuildSavePages() {
    pcSave = new QTabWidget;
    pcSave->setObjectName("pcSave");
    QRadioButton* convertWhere[2];
    QRadioButton* splitWhere[2];
    BuildSavePage(edConvertOutputPath, btnConvertOutputpath, convertWhere, rbConvertAddNew, rbConvertOverwrite,
                  "edConvertOutputPath", "btnConvertOutputpath");
    BuildSavePage(edSplitOutputPath, btnSplitOutputPath, splitWhere, rbSplitAddNew, rbSplitOverwrite,
                  "edSplitOutputPath", "btnSplitOutputPath");
    QWidget* join = BuildSavePage(edJoinOutputPath, btnJoinOutputPath, nullptr, rbJoinAddNew, rbJoinOverwrite,
                                  "edJoinOutputPath", "btnJoinOutputPath");
    pcSave->setTabText(0, "Converter");
    pcSave->setTabText(1, "Zovozu");
    pcSave->setTabText(2, "Joinner");
    rbSaveToAppointed = convertWhere[0];
    rbSaveToOriginal = convertWhere[1];
    rbSplitSaveToAppointed = splitWhere[0];
    rbSplitSaveToOriginal = splitWhere[1];
    for (auto [button, name] : {std::pair{rbSaveToAppointed, "rbSaveToAppointed"},
                                {rbSaveToOriginal, "rbSaveToOriginal"},
                                {rbConvertAddNew, "rbConvertAddNew"},
                                {rbConvertOverwrite, "rbConvertOverwrite"},
                                {rbSplitSaveToAppointed, "rbSplitSaveToAppointed"},
                                {rbSplitSaveToOriginal, "rbSplitSaveToOriginal"},
                                {rbSplitAddNew, "rbSplitAddNew"},
                                {rbSplitOverwrite, "rbSplitOverwrite"},
                                {rbJoinAddNew, "rbJoinAddNew"},
                                {rbJoinOverwrite, "rbJoinOverwrite"}})
        button->setObjectName(name);

    auto* grid = static_cast<QGridLayout*>(join->layout());
    auto* name = new QHBoxLayout;
    edJoinPreName = new QLineEdit;
    edJoinPreName->setObjectName("edJoinPreName");
    cboxJoinUseDate = new QCheckBox("Date");
    cboxJoinUseDate->setObjectName("cboxJoinUseDate");
    edJoinPosName = new QLineEdit;
    edJoinPosName->setObjectName("edJoinPosName");
    for (QLineEdit* edit : {edJoinPreName, edJoinPosName})
        FilterNameKeys(edit);
    name->addWidget(edJoinPreName);
    name->addWidget(new QLabel("+"));
    name->addWidget(cboxJoinUseDate);
    name->addWidget(new QLabel("+ Time +"));
    name->addWidget(edJoinPosName);
    grid->addWidget(new QLabel("Name:"), 2, 0);
    grid->addLayout(name, 3, 0, 1, 3);

    using V = TOptionsValues;
    checks_.push_back({cboxJoinUseDate, &V::cboxJoinUseDate});
    texts_ = {{edConvertOutputPath, &V::edConvertOutputPath},
              {edSplitOutputPath, &V::edSplitOutputPath},
              {edJoinOutputPath, &V::edJoinOutputPath},
              {edJoinPreName, &V::edJoinPreName},
              {edJoinPosName, &V::edJoinPosName}};
    pairs_ = {{{rbSaveToAppointed, rbSaveToOriginal}, &V::rbSaveToAppointed},
              {{rbConvertAddNew, rbConvertOverwrite}, &V::rbConvertAddNew},
              {{rbSplitSaveToAppointed, rbSplitSaveToOriginal}, &V::rbSplitSaveToAppointed},
              {{rbSplitAddNew, rbSplitOverwrite}, &V::rbSplitAddNew},
              {{rbJoinAddNew, rbJoinOverwrite}, &V::rbJoinAddNew}};
    return pcSave;
}

// ---- The working copy ----

TOptionsValues TfrmOptions::ControlsToValues() const {
    TOptionsValues values = Values; // the values without a control stay as they are
    for (const auto& [box, field] : lists_)
        values.*field = box->currentIndex();
    for (const auto& [check, field] : checks_)
        values.*field = check->isChecked();
    for (const auto& [edit, field] : texts_)
        values.*field = edit->text().toStdString();
    for (const auto& [radios, field] : pairs_)
        values.*field = radios.first->isChecked();
    for (int row = 0; row < listSchedule->topLevelItemCount() && row < static_cast<int>(values.listSchedule.size());
         ++row)
        values.listSchedule[static_cast<size_t>(row)].Use =
            listSchedule->topLevelItem(row)->checkState(0) == Qt::Checked;
    return values;
}

void TfrmOptions::ValuesToControls(const TOptionsValues& values) {
    Values = values;
    for (const auto& [box, field] : lists_)
        box->setCurrentIndex(values.*field);
    for (const auto& [check, field] : checks_)
        check->setChecked(values.*field);
    for (const auto& [edit, field] : texts_)
        edit->setText(QString::fromStdString(values.*field));
    for (const auto& [radios, field] : pairs_)
        (values.*field ? radios.first : radios.second)->setChecked(true);
    ShowScheduleRows(values.listSchedule);
    UpdateVbrControls();
}

void TfrmOptions::UpdateVbrControls() {
    const bool vbr = cboxVBREnable->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{lbMaxBitRate, cboxMP3MaxBitRate, lbVBRQuality,
                                                            cboxMP3VBRQuality, cboxVBRHeader})
        control->setEnabled(vbr);
}

// ---- The lifecycle ----

void TfrmOptions::LoadAtStartup() {
    TOptionsValues values;
    try {
        StartupSettings(values);
    } catch (...) {
        ValuesToControls(values);
        throw;
    }
    ValuesToControls(values);
}

void TfrmOptions::SaveAtProgramEnd() {
    Values = ControlsToValues();
    SaveSettings(Values, SettingsFilePath(), ScheduleFilePath());
}

void TfrmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Snapshot = ControlsToValues();
    Accepted = false;
}

void TfrmOptions::btnOptionOkClick() {
    Accepted = true;
    Values = ControlsToValues();
    ApplySettings(Values);
    try {
        SaveSettings(Values, SettingsFilePath(), ScheduleFilePath());
    } catch (const SettingsWriteError& error) {
        ShowMessage(QString::fromUtf8(error.what()));
    }
    accept();
}

void TfrmOptions::btnOptionCancelClick() {
    reject();
}

void TfrmOptions::done(int result) {
    if (!Accepted)
        ValuesToControls(Snapshot);
    QDialog::done(result);
}

void TfrmOptions::btnOptionDefaultClick() {
    TOptionsValues values = ControlsToValues();
    ResetSettings(values);
    ValuesToControls(values);
}

void TfrmOptions::ShowMessage(const QString& text) {
    LastMessage = text;
    QMessageBox::information(this, windowTitle(), text);
}

void TfrmOptions::ChooseOutputFolder(QLineEdit* target) {
    if (!frmPathSelect_)
        return;
    frmPathSelect_->ChosenPath.clear();
    frmPathSelect_->exec();
    const QString folder = frmPathSelect_->ChosenPath;
    if (folder.isEmpty())
        return;
    // A folder is taken only when a file can be made in it.
    const QString probe = folder + QString::number(QDateTime::currentMSecsSinceEpoch()) + "." +
                          QString::number(QDateTime::currentMSecsSinceEpoch() % 1000);
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        ShowMessage("The path can't set as output path");
        return;
    }
    file.close();
    file.remove();
    target->setText(folder);
}

// ---- The schedule list ----

QString TfrmOptions::FrequencyText(const GlobeVar::TScheduleEntry& e) {
    static const char* const weekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                           "Friday", "Saturday", "Sunday"};
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    if (e.Day == 0 && e.Month == 0 && e.Year == 0 && e.DayOfWeek == 0)
        return "Every day";
    if (e.Day && e.Month && e.Year && e.DayOfWeek == 0)
        return "Special date: " + QLocale().toString(QDate(e.Year, e.Month, e.Day), QLocale::ShortFormat);
    if (!e.Day && !e.Month && !e.Year && e.DayOfWeek >= 1 && e.DayOfWeek <= 7)
        return QString("Every week: ") + weekdays[e.DayOfWeek - 1];
    if (!e.Year && !e.Month && e.Day && !e.DayOfWeek)
        return QString("Every month: %1").arg(e.Day);
    if (!e.Year && e.Month >= 1 && e.Month <= 12 && e.Day && !e.DayOfWeek)
        return QString("Every year: %1 %2").arg(months[e.Month - 1]).arg(e.Day);
    return "";
}

void TfrmOptions::ShowScheduleRows(const std::vector<GlobeVar::TScheduleEntry>& entries) {
    listSchedule->clear();
    for (const auto& e : entries) {
        auto* item = new QTreeWidgetItem(listSchedule, {"", TimeText(e.StartH, e.StartM, e.StartS),
                                                        TimeText(e.StopH, e.StopM, e.StopS), FrequencyText(e)});
        item->setCheckState(0, e.Use ? Qt::Checked : Qt::Unchecked);
    }
}

void TfrmOptions::btnScheduleDeleteClick(int row) {
    TOptionsValues values = ControlsToValues();
    if (row < 0 || row >= static_cast<int>(values.listSchedule.size()))
        return;
    values.listSchedule.erase(values.listSchedule.begin() + row);
    Values = values;
    ShowScheduleRows(values.listSchedule);
}

void TfrmOptions::btnScheduleClearClick() {
    Values.listSchedule.clear();
    ShowScheduleRows({});
}

void TfrmOptions::SortSchedule(int column) {
    ScheduleSortColumn = column;
    listSchedule->sortItems(column, Qt::AscendingOrder); // the entries keep their order
}

void TfrmOptions::WriteSchedule(const QString& path) {
    const TOptionsValues values = ControlsToValues();
    if (values.listSchedule.empty())
        return;
    try {
        WriteScheduleFile(path.toStdString(), values.listSchedule);
    } catch (const SettingsWriteError& error) {
        ShowMessage(QString::fromUtf8(error.what()));
    }
}

void TfrmOptions::ReadSchedule(const QString& path) {
    std::vector<GlobeVar::TScheduleEntry> entries;
    if (!ReadScheduleFile(path.toStdString(), entries))
        return;
    Values = ControlsToValues();
    Values.listSchedule = entries;
    ShowScheduleRows(entries);
}
