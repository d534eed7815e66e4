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
#include <QTreeView>
#include <QUrl>
#include <QLabel>

#include "AudioFileListModel.h"
#include "ConfirmDialog.h"
#include "FileStateDelegate.h"
#include "PlaybackController.h"
#include "PlayerControls.h"
#include "Utf8Text.h"
#include "ConvertWorker.h"
#include "FileListRows.h"
#include "FileNames.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "ConvertJob.h"
#include "NameTemplate.h"
#include "OutputNaming.h"
#include "PlayerWindow.h"

#include "LoudnessDialog.h"
#include "WorkerEvent.h"

// The play list's editor of file names: refuses playing and converting rows, and hands
// the new name to the window, which renames the file or keeps the old name.
class RenameDelegate : public FileStateDelegate {
public:
    explicit RenameDelegate(PlayerWindow& window) : FileStateDelegate(&window), window_(window) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (index.column() != AudioFileListModel::Name ||
            !window_.canEdit(index.data(AudioFileListModel::PathRole).toString()))
            return nullptr;
        return FileStateDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        window_.renameFile(index.data(AudioFileListModel::PathRole).toString(),
                           static_cast<QLineEdit*>(editor)->text());
    }

private:
    PlayerWindow& window_;
};

namespace {

QString extension(const QString& name) {
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace

void PlayerWindow::installRenameEditor() {
    ui_->playList->setItemDelegate(new RenameDelegate(*this));
    ui_->playList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

void PlayerWindow::enableMenuActions() {
    for (QAction* action : ui_->contextMenu->actions())
        action->setEnabled(false);
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    const int row = files_->rowOfPath(file);
    const QString format = row < 0 ? QString() : files_->fileAt(row).format;
    for (int i = 0; i < static_cast<int>(ui_->convertActions.size()); ++i)
        ui_->convertActions[static_cast<size_t>(i)]->setEnabled(convertingFile_.isEmpty() &&
                                                                format != outputKindOfIndex(i));
    ui_->cancelConversionAction->setEnabled(file == convertingFile_);
    ui_->renameAction->setEnabled(canEdit(file));
    ui_->deleteAction->setEnabled(canEdit(file));
    ui_->mailAction->setEnabled(true);
    ui_->loudnessAction->setEnabled(true);
}

void PlayerWindow::measureLoudness() {
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return;
    auto* dialog = new LoudnessDialog(files, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void PlayerWindow::failConversion(const QString& why) {
    input_.close();
    convertingFile_.clear();
    showMessage(why);
}

// A source that cannot be read, or an output that cannot be made: nothing runs, the row
// stays idle, and the user learns why.
void PlayerWindow::convertSelected(const QString& kind) {
    const QString file = selectedFile();
    if (file.isEmpty() || !convertingFile_.isEmpty())
        return;
    convertingFile_ = file;
    input_.close();
    output_.close();
    const std::string source = Platform::pathBytes(file);
    const std::string folder = AppSettings::convertToSourceFolder ? folderOf(source) : AppSettings::convertOutputPath;
    convertOutputFile_ = Platform::pathFromBytes(convertOutputName(
        source, folder, kind.toStdString(), AppSettings::convertOverwrite,
        usableNameTemplate(AppSettings::convertNameTemplate, AppSettings::defaultConvertNameTemplate)));
    prepareOutputFormat(output_, mp3Encoder_, kind.toStdString());
    input_.openForStreaming(source);
    if (input_.errorCode() != 0)
        return failConversion(QString::fromStdString(input_.errorText()));
    if (!inputThatIsOutput(Platform::pathBytes(convertOutputFile_), {source}).empty())
        return failConversion(tr("Cannot convert \"%1\" into itself").arg(file));
    output_.setReplacesExisting(AppSettings::convertOverwrite);
    output_.createForWrite(Platform::pathBytes(convertOutputFile_));
    if (output_.errorCode() != 0)
        return failConversion(QString::fromStdString(output_.errorText()));
    output_.setInputFormat(input_.streamSampleRate(), input_.streamChannels());
    files_->setState(convertingFile_, AudioFileListModel::RowState::Converting);
    convertor_ = new ConvertWorker(this, input_, output_);
    connect(convertor_, &JobWorker::ended, this, &PlayerWindow::conversionFinished, Qt::QueuedConnection);
    convertDamage_.clear();
    connect(
        convertor_, &JobWorker::damaged, this, [this](const QString& what) { convertDamage_ = what; },
        Qt::QueuedConnection);
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
    if (!convertingFile_.isEmpty()) // else after the end
        files_->setStatus(convertingFile_, tr("Converting %1% done").arg(percent));
}

void PlayerWindow::conversionFinished(bool failed, const QString& failure, int, bool tagsOnly) {
    QCoreApplication::sendPostedEvents(this, WorkerEvent::typeOf(WM_CONVERT_PROGRESS));
    files_->setState(convertingFile_, AudioFileListModel::RowState::Idle);
    convertingFile_.clear();
    QString problem = failure;
    if (const QString closing = closeJobFiles(input_, output_); !closing.isEmpty()) {
        problem = closing;
        failed = true;
        tagsOnly = false;
    }
    // Another program may have taken the name meanwhile: the file took the next free one.
    if (!output_.fileName().empty())
        convertOutputFile_ = Platform::pathFromBytes(output_.fileName());
    // A cancelled or failed conversion abandons its unfinished file, so nothing new is
    // listed and a file it was to replace stays as it was; one whose tags alone failed has
    // all its audio and is listed.
    if (!convertCancelled_ && (!failed || tagsOnly) &&
        convertOutputFile_.left(convertOutputFile_.lastIndexOf('/') + 1) == currentFolder())
        files_->updateFile(convertOutputFile_);
    if (!convertCancelled_ && (!failed || tagsOnly))
        showConverted(convertOutputFile_);
    convertCancelled_ = false;
    if (failed)
        showMessage(problem);
}

// The status line says what was written and where, with a link that opens the folder.
void PlayerWindow::showConverted(const QString& file) {
    const QString folder = file.left(file.lastIndexOf('/') + 1);
    ui_->statusLine->show();
    ui_->statusLine->setText(
        tr("Converted: \"%1\" written in %2").arg(nameOf(file).toHtmlEscaped(), folder.toHtmlEscaped()) +
        (convertDamage_.isEmpty() ? QString()
                                  : " " + tr("(damaged and left out: %1)").arg(convertDamage_.toHtmlEscaped())) +
        QString(" <a href=\"%1\">%2</a>")
            .arg(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded), tr("Open folder")));
}

void PlayerWindow::cancelConversion() {
    convertCancelled_ = true;
    if (convertor_)
        convertor_->requestInterruption();
}

// ---- Rename, delete, e-mail ----

void PlayerWindow::renameSelected() {
    const QModelIndexList rows = ui_->playList->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        ui_->playList->edit(rows.first());
}

bool PlayerWindow::canEdit(const QString& path) const {
    return path != convertingFile_ && !(playback_->isActive() && path == playback_->file());
}

bool PlayerWindow::renameFile(const QString& path, const QString& newText) {
    const QString oldName = nameOf(path);
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
    const QString target = path.left(path.lastIndexOf('/') + 1) + name;
    const std::string from = Platform::pathBytes(path);
    const std::string to = Platform::pathBytes(target);
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
    files_->renameFile(path, target);
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
    const QString path = selectedFile();
    if (path.isEmpty() || !canEdit(path))
        return;
    const QString name = nameOf(path);
    // To the Trash, after asking; where the file system has none, for good after asking again.
    auto yes = [this](const QString& question) {
        return confirm_ && confirm_->ask(question, false) == ConfirmDialog::ResultYes;
    };
    if (!yes(tr("Move \"%1\" to the Trash?").arg(name)))
        return;
    std::error_code ec;
    if (!std::filesystem::exists(Platform::pathBytes(path), ec)) {
        showMessage(tr("Cannot delete \"") + path + "\": it is not there any more");
        return;
    }
    if (!moveToTrash(path)) {
        if (!yes("\"" + name + "\" cannot be moved to the Trash here. Remove it for good?"))
            return;
        if (!std::filesystem::remove(Platform::pathBytes(path), ec)) {
            showMessage(tr("Cannot delete \"") + path +
                        "\": " + QString::fromStdString(ec ? ec.message() : "it is not there any more"));
            return;
        }
    }
    files_->removeFile(path);
}

// The mail program runs beside the window; its end is reported only when it failed.
void PlayerWindow::mailSelected() {
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    const std::vector<std::string> pairs{"to=", "subject=" + AppSettings::mailSubject, "body=" + AppSettings::mailBody,
                                         "attachment0=" + Platform::pathBytes(file)};
    QStringList arguments;
    for (const std::string& argument : AppSettings::mailArguments(pairs))
        arguments << QString::fromStdString(argument);
    const QString cannot = tr("Cannot hand \"%1\" to an e-mail program: ").arg(nameOf(file));
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
