// The main window's conversion and file actions: convert, cancel, rename, delete, e-mail.
#include <filesystem>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "ConfirmDialog.h"
#include "Utf8Text.h"
#include "ConvertWorker.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "OutputNaming.h"
#include "PlayerWindow.h"
#include "WorkerEvent.h"

namespace {

// The play list's editor of file names: refuses playing and converting rows, and hands
// the new name to the window, which renames the file or keeps the old name.
class RenameDelegate : public QStyledItemDelegate {
public:
    explicit RenameDelegate(PlayerWindow& window) : QStyledItemDelegate(&window), window_(window) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (index.column() != PlayerWindow::ColName || !window_.isRowBeingEdited(index.row()))
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        window_.renameRow(index.row(), static_cast<QLineEdit*>(editor)->text());
    }

private:
    PlayerWindow& window_;
};

QString extension(const QString& name) {
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

void PlayerWindow::installRenameEditor() {
    playList_->setItemDelegateForColumn(ColName, new RenameDelegate(*this));
    playList_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

int PlayerWindow::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = playList_->selectedItems();
    return selected.isEmpty() ? -1 : playList_->indexOfTopLevelItem(selected.first());
}

void PlayerWindow::showMessage(const QString& text) {
    lastMessage_ = text;
    if (confirm_)
        confirm_->ask(text, true);
}

void PlayerWindow::enableMenuActions() {
    const int row = selectedRow();
    const std::array<QAction*, 5> converts{convertToWavAction_, convertToMp3Action_, convertToOggAction_,
                                           convertToWmaAction_, convertToFlacAction_};
    for (QAction* action : contextMenu_->actions())
        action->setEnabled(false);
    if (row < 0)
        return;
    selectedFile_ = currentFolder_ + rowFileName(row);
    const int marker = rowMarker(row);
    const QString format = playList_->topLevelItem(row)->text(ColFormat);
    for (int i = 0; i < static_cast<int>(converts.size()); ++i)
        converts[static_cast<size_t>(i)]->setEnabled(convertingRow_ == -1 && format != outputKindOfIndex(i));
    cancelConversionAction_->setEnabled(marker == markerConverting);
    renameAction_->setEnabled(marker == MarkerIdle);
    deleteAction_->setEnabled(marker == MarkerIdle);
    mailAction_->setEnabled(true);
}

void PlayerWindow::convertSelected(const QString& kind) {
    const int row = selectedRow();
    if (row < 0 || convertingRow_ != -1)
        return;
    selectedFile_ = currentFolder_ + rowFileName(row);
    convertingRow_ = row;
    startConversion(kind);
}

void PlayerWindow::failConversion(const QString& why) {
    input_.close();
    convertingRow_ = -1;
    showMessage(why);
}

void PlayerWindow::startConversion(const QString& kind) {
    input_.setFileOption(true);
    output_.setFileOption(true);
    input_.close();
    output_.close();
    const std::string source = Platform::pathBytes(selectedFile_);
    const std::string folder = AppSettings::convertToSourceFolder ? folderOf(source) : AppSettings::convertOutputPath;
    convertOutputFile_ = Platform::pathFromBytes(
        uniqueOutputName(folder, stemOf(source), extensionOfKind(kind.toStdString()), AppSettings::convertOverwrite));
    prepareOutputFormat(output_, mp3Encoder_, kind.toStdString());
    // A source that cannot be read, or an output that cannot be made: nothing runs, the
    // row stays idle, and the user learns why.
    input_.openForStreaming(source);
    if (input_.errorCode() != 0)
        return failConversion(QString::fromStdString(input_.errorText()));
    if (!inputThatIsOutput(Platform::pathBytes(convertOutputFile_), {source}).empty())
        return failConversion(tr("Cannot convert \"%1\" into itself").arg(selectedFile_));
    output_.createForWrite(Platform::pathBytes(convertOutputFile_));
    if (output_.errorCode() != 0)
        return failConversion(QString::fromStdString(output_.errorText()));
    output_.setInputFormat(input_.streamSampleRate(), input_.streamChannels());
    convertor_ = new ConvertWorker(this, input_, output_);
    connect(convertor_, &JobWorker::ended, this, &PlayerWindow::conversionFinished, Qt::QueuedConnection);
    convertor_->start(QThread::NormalPriority);
}

bool PlayerWindow::event(QEvent* event) {
    if (event->type() == WorkerEvent::typeOf(WM_CONVERT_PROGRESS)) {
        convertProgress(static_cast<WorkerEvent*>(event)->percent);
        return true;
    }
    return QWidget::event(event);
}

void PlayerWindow::convertProgress(int percent) {
    if (convertingRow_ == -1)
        return; // after the end
    setRowMarker(convertingRow_, markerConverting);
    playList_->topLevelItem(convertingRow_)->setText(ColStatus, tr("Converting %1% done").arg(percent));
}

void PlayerWindow::conversionFinished(bool failed, const QString& failure, int, bool tagsOnly) {
    QCoreApplication::sendPostedEvents(this, WorkerEvent::typeOf(WM_CONVERT_PROGRESS));
    if (convertingRow_ != -1) {
        setRowMarker(convertingRow_, MarkerIdle);
        playList_->topLevelItem(convertingRow_)->setText(ColStatus, "");
    }
    convertingRow_ = -1;
    QString problem = failure;
    if (const QString closing = closeJobFiles(input_, output_); !closing.isEmpty()) {
        problem = closing;
        failed = true;
        tagsOnly = false;
    }
    // A cancelled or failed conversion abandons its unfinished file, so nothing new is
    // listed and a file it was to replace stays as it was; one whose tags alone failed has
    // all its audio and is listed.
    if (!convertCancelled_ && (!failed || tagsOnly) &&
        convertOutputFile_.left(convertOutputFile_.lastIndexOf('/') + 1) == currentFolder_) {
        addFileRow(convertOutputFile_);
        sortPlayList();
    }
    convertCancelled_ = false;
    if (failed)
        showMessage(problem);
}

void PlayerWindow::cancelConversion() {
    convertCancelled_ = true;
    if (convertor_)
        convertor_->requestInterruption();
}

// ---- Rename, delete, e-mail ----

void PlayerWindow::renameSelected() {
    const int row = selectedRow();
    if (row >= 0)
        playList_->editItem(playList_->topLevelItem(row), ColName);
}

bool PlayerWindow::isRowBeingEdited(int row) const {
    const int marker = rowMarker(row);
    return marker != markerPlaying && marker != markerConverting;
}

bool PlayerWindow::renameRow(int row, const QString& newText) {
    QTreeWidgetItem* item = playList_->topLevelItem(row);
    if (!item)
        return false;
    const QString oldName = item->text(ColName);
    QString name = newText.trimmed();
    const int dot = name.lastIndexOf('.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty() || name.contains('/') || name.contains('\\')) {
        showMessage(tr("Cannot rename \"") + oldName + "\": \"" + newText + "\" is not a file name");
        return false;
    }
    name += extension(oldName);
    if (name == oldName)
        return true;
    const std::string from = Platform::pathBytes(currentFolder_ + oldName);
    const std::string to = Platform::pathBytes(currentFolder_ + name);
    std::error_code ec;
    if (std::filesystem::symlink_status(to, ec).type() != std::filesystem::file_type::not_found) {
        showMessage(tr("Cannot rename \"") + oldName + "\": a file named \"" + name + "\" exists already");
        return false;
    }
    std::filesystem::rename(from, to, ec);
    if (ec) {
        showMessage(tr("Cannot rename \"") + oldName + "\": " + QString::fromStdString(ec.message()));
        return false;
    }
    item->setText(ColName, name);
    return true;
}

namespace {

// The file into the desktop's Trash. Qt creates the home Trash only inside an existing
// data folder (and otherwise moves the file beside the working folder): that folder is
// made first. A name that is not UTF-8 cannot be handed to Qt's Trash at all.
bool moveToTrash(const QString& path) {
    if (!Utf8::isValid(Platform::pathBytes(path)))
        return false;
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash");
    return QFile::moveToTrash(path);
}

} // namespace

void PlayerWindow::deleteSelected() {
    const int row = selectedRow();
    if (row < 0 || !isRowBeingEdited(row))
        return;
    const QString path = currentFolder_ + rowFileName(row);
    // To the Trash, after asking; where the file system has none, for good after asking again.
    auto yes = [this](const QString& question) {
        return confirm_ && confirm_->ask(question, false) == ConfirmDialog::ResultYes;
    };
    if (!yes(tr("Move \"%1\" to the Trash?").arg(rowFileName(row))))
        return;
    std::error_code ec;
    if (!std::filesystem::exists(Platform::pathBytes(path), ec)) {
        showMessage(tr("Cannot delete \"") + path + "\": it is not there any more");
        return;
    }
    if (!moveToTrash(path)) {
        if (!yes("\"" + rowFileName(row) + "\" cannot be moved to the Trash here. Remove it for good?"))
            return;
        if (!std::filesystem::remove(Platform::pathBytes(path), ec)) {
            showMessage(tr("Cannot delete \"") + path +
                        "\": " + QString::fromStdString(ec ? ec.message() : "it is not there any more"));
            return;
        }
    }
    delete playList_->takeTopLevelItem(row);
    // The rows below moved up: the playing and converting rows follow their files.
    if (playingRow_ > row)
        --playingRow_;
    if (convertingRow_ > row)
        --convertingRow_;
}

// The mail program runs beside the window; its end is reported only when it failed.
void PlayerWindow::mailSelected() {
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::vector<std::string> pairs{"to=", "subject=" + AppSettings::mailSubject, "body=" + AppSettings::mailBody,
                                         "attachment0=" + Platform::pathBytes(currentFolder_ + rowFileName(row))};
    QStringList arguments;
    for (const std::string& argument : AppSettings::mailArguments(pairs))
        arguments << QString::fromStdString(argument);
    const QString cannot = tr("Cannot hand \"%1\" to an e-mail program: ").arg(rowFileName(row));
    auto* mail = new QProcess(this);
    connect(mail, &QProcess::errorOccurred, this, [this, mail, cannot](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        mail->deleteLater();
        showMessage(cannot + "xdg-email was not found");
    });
    connect(mail, &QProcess::finished, this, [this, mail, cannot](int status, QProcess::ExitStatus exit) {
        mail->deleteLater();
        if (exit != QProcess::NormalExit)
            showMessage(cannot + "xdg-email stopped unexpectedly");
        else if (status == 3)
            showMessage(cannot + "no e-mail program is set up on this desktop (xdg-email status 3)");
        else if (status != 0)
            showMessage(cannot + QString("xdg-email ended with status %1").arg(status));
    });
    mail->start("xdg-email", arguments);
}
