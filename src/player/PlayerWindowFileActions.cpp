// The main window's conversion and file actions: convert, cancel, rename, delete, e-mail.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "ConfirmDialog.h"
#include "ConvertWorker.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "OutputNaming.h"
#include "PlayerWindow.h"
#include "WorkerEvent.h"

namespace {

// The play list's editor of file names: refuses playing and converting rows, and hands
// the new name to the window, which renames the file or keeps the old name.
class TRenameDelegate : public QStyledItemDelegate {
public:
    explicit TRenameDelegate(TfrmPlayer& window) : QStyledItemDelegate(&window), window_(window) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (index.column() != TfrmPlayer::ColName || !window_.lvPlayListEditing(index.row()))
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        window_.lvPlayListEdited(index.row(), static_cast<QLineEdit*>(editor)->text());
    }

private:
    TfrmPlayer& window_;
};

QString Extension(const QString& name) {
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

void TfrmPlayer::InstallRenameEditor() {
    lvPlayList->setItemDelegateForColumn(ColName, new TRenameDelegate(*this));
    lvPlayList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

int TfrmPlayer::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = lvPlayList->selectedItems();
    return selected.isEmpty() ? -1 : lvPlayList->indexOfTopLevelItem(selected.first());
}

void TfrmPlayer::ShowMessage(const QString& text) {
    LastMessage = text;
    if (frmConfirm_)
        frmConfirm_->Ask(text, true);
}

void TfrmPlayer::popMenuConvertPopup() {
    const int row = SelectedRow();
    const std::array<QAction*, 4> converts{muConverttoWAV, muConverttoMP3, muConverttoOGG, muConverttoWMA};
    for (QAction* action : popMenuConvert->actions())
        action->setEnabled(false);
    if (row < 0)
        return;
    SelectedFile = CurrentFolder + RowFileName(row);
    const int marker = RowMarker(row);
    const QString format = lvPlayList->topLevelItem(row)->text(ColFormat);
    for (int i = 0; i < 4; ++i)
        converts[static_cast<size_t>(i)]->setEnabled(ConvertingRow == -1 && format != OutputKindOfIndex(i));
    muCancelConvertion->setEnabled(marker == MarkerConverting);
    muRename->setEnabled(marker == MarkerIdle);
    muDelete->setEnabled(marker == MarkerIdle);
    muMail->setEnabled(true);
}

void TfrmPlayer::ConvertClick(const QString& kind) {
    const int row = SelectedRow();
    if (row < 0 || ConvertingRow != -1)
        return;
    SelectedFile = CurrentFolder + RowFileName(row);
    ConvertingRow = row;
    StartConversion(kind);
}

void TfrmPlayer::FailConversion(const QString& why) {
    AF_In.Close();
    ConvertingRow = -1;
    ShowMessage(why);
}

void TfrmPlayer::StartConversion(const QString& kind) {
    AF_In.SetFileOption(true);
    AF_Out.SetFileOption(true);
    AF_In.Close();
    AF_Out.Close();
    const std::string source = SelectedFile.toStdString();
    const std::string folder = GlobeVar::ConvertToSourceFolder ? FolderOf(source) : GlobeVar::ConvertOutputPath;
    ConvertOutputFile = QString::fromStdString(
        UniqueOutputName(folder, StemOf(source), ExtensionOfKind(kind.toStdString()), GlobeVar::ConvertOverwrite));
    PrepareOutputFormat(AF_Out, AudioFile2LameEnc1, kind.toStdString());
    // A source that cannot be read, or an output that cannot be made: nothing runs, the
    // row stays idle, and the user learns why.
    AF_In.OpenForRead(source);
    if (AF_In.GetErrorCode() != 0)
        return FailConversion(QString::fromStdString(AF_In.GetErrorText()));
    if (ConvertOutputFile == SelectedFile)
        return FailConversion("Cannot convert \"" + SelectedFile + "\" into itself");
    AF_Out.CreateForWrite(ConvertOutputFile.toStdString());
    if (AF_Out.GetErrorCode() != 0)
        return FailConversion(QString::fromStdString(AF_Out.GetErrorText()));
    AF_Out.SetInputFormat(AF_In.GetStreamSampleRate(), AF_In.GetStreamChannels());
    convertor_ = new TConvertor(this, AF_In, AF_Out);
    connect(convertor_, &TJobThread::Ended, this, &TfrmPlayer::ConversionFinished, Qt::QueuedConnection);
    convertor_->start(QThread::NormalPriority);
}

bool TfrmPlayer::event(QEvent* event) {
    if (event->type() == TWorkerEvent::TypeOf(WM_CONVERT_PROGRESS)) {
        ConvertProgress(static_cast<TWorkerEvent*>(event)->LParam);
        return true;
    }
    return QWidget::event(event);
}

void TfrmPlayer::ConvertProgress(int percent) {
    if (ConvertingRow == -1)
        return; // after the end
    SetRowMarker(ConvertingRow, MarkerConverting);
    lvPlayList->topLevelItem(ConvertingRow)->setText(ColStatus, QString("Converting %1% done").arg(percent));
}

void TfrmPlayer::ConversionFinished(bool failed, const QString& failure, int, bool tagsOnly) {
    QCoreApplication::sendPostedEvents(this, TWorkerEvent::TypeOf(WM_CONVERT_PROGRESS));
    if (ConvertingRow != -1) {
        SetRowMarker(ConvertingRow, MarkerIdle);
        lvPlayList->topLevelItem(ConvertingRow)->setText(ColStatus, "");
    }
    ConvertingRow = -1;
    QString problem = failure;
    try {
        AF_In.Close();
        AF_Out.Close();
    } catch (const EngineError& error) {
        problem = QString::fromUtf8(error.what());
        failed = true;
        tagsOnly = false;
    }
    // A cancelled or failed conversion leaves no half-written file; one whose tags alone
    // failed has all its audio and stays.
    if (ConvertCancelled || (failed && !tagsOnly)) {
        QFile::remove(ConvertOutputFile);
    } else if (QFileInfo(ConvertOutputFile).absolutePath() + "/" == CurrentFolder) {
        AddFileRow(ConvertOutputFile);
        SortPlayList();
    }
    ConvertCancelled = false;
    if (failed)
        ShowMessage(problem);
}

void TfrmPlayer::CancelConversion() {
    ConvertCancelled = true;
    if (convertor_)
        convertor_->requestInterruption();
}

// ---- Rename, delete, e-mail ----

void TfrmPlayer::muRenameClick() {
    const int row = SelectedRow();
    if (row >= 0)
        lvPlayList->editItem(lvPlayList->topLevelItem(row), ColName);
}

bool TfrmPlayer::lvPlayListEditing(int row) const {
    const int marker = RowMarker(row);
    return marker != MarkerPlaying && marker != MarkerConverting;
}

bool TfrmPlayer::lvPlayListEdited(int row, const QString& newText) {
    QTreeWidgetItem* item = lvPlayList->topLevelItem(row);
    if (!item)
        return false;
    const QString oldName = item->text(ColName);
    QString name = newText.trimmed();
    const int dot = name.lastIndexOf('.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty() || name.contains('/') || name.contains('\\')) {
        ShowMessage("Cannot rename \"" + oldName + "\": \"" + newText + "\" is not a file name");
        return false;
    }
    name += Extension(oldName);
    if (name == oldName)
        return true;
    if (QFileInfo::exists(CurrentFolder + name)) {
        ShowMessage("Cannot rename \"" + oldName + "\": a file named \"" + name + "\" exists already");
        return false;
    }
    QFile file(CurrentFolder + oldName);
    if (!file.rename(CurrentFolder + name)) {
        ShowMessage("Cannot rename \"" + oldName + "\": " + file.errorString());
        return false;
    }
    item->setText(ColName, name);
    return true;
}

void TfrmPlayer::muDeleteClick() {
    const int row = SelectedRow();
    if (row < 0 || !lvPlayListEditing(row))
        return;
    QFile file(CurrentFolder + RowFileName(row));
    if (!file.remove()) {
        ShowMessage("Cannot delete \"" + file.fileName() + "\": " + file.errorString());
        return;
    }
    delete lvPlayList->takeTopLevelItem(row);
    // The rows below moved up: the playing and converting rows follow their files.
    if (PlayingRow > row)
        --PlayingRow;
    if (ConvertingRow > row)
        --ConvertingRow;
}

void TfrmPlayer::btnMailClick() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::vector<std::string> pairs{"to=", "subject=" + GlobeVar::MailSubject, "body=" + GlobeVar::MailBody,
                                         "attachment0=" + (CurrentFolder + RowFileName(row)).toStdString()};
    if (GlobeVar::SendMailWithAttachments(this, pairs) == 1)
        ShowMessage("Cannot hand \"" + RowFileName(row) + "\" to an e-mail program: xdg-email was not found");
}
