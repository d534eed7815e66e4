#include "AudioFileListModel.h"

#include <QFont>
#include <QMimeData>
#include <QThread>
#include <QUrl>

#include "AppSettings.h"
#include "AudioInfo.h"
#include "FileListRows.h"
#include "FileNames.h"

namespace {

constexpr size_t RowsPerBatch = 64;

} // namespace

AudioFileRow audioFileRowOf(const QString& path) {
    AudioFileRow row;
    row.path = path;
    row.name = path.mid(path.lastIndexOf('/') + 1);
    row.format = QString::fromStdString(AppSettings::audioTypeOfFile(Platform::pathBytes(row.name)));
    row.size = std::max<int64_t>(fileSizeOf(path), 0);
    try {
        AudioInfo info;
        info.setInfoOption(true);
        info.open(Platform::pathBytes(path));
        row.durationMs = info.durationMs();
    } catch (const EngineError&) {
        row.durationMs = 0; // listed all the same: the user sees it holds nothing readable
    }
    return row;
}

AudioFileListModel::AudioFileListModel(QObject* parent)
    : QAbstractTableModel(parent), generation_(std::make_shared<std::atomic<int>>(0)) {}

AudioFileListModel::~AudioFileListModel() {
    stopListing();
}

void AudioFileListModel::stopListing() {
    ++*generation_;
    if (listing_) {
        listing_->requestInterruption();
        listing_->wait();
    }
    listing_ = nullptr;
}

void AudioFileListModel::listFolder(const QString& folder) {
    stopListing();
    beginResetModel();
    rows_.clear();
    folder_ = folder;
    endResetModel();
    const int generation = *generation_;
    auto current = generation_;
    QPointer<AudioFileListModel> model(this);
    // The thread reads the headers; the rows reach the model on its own thread.
    QThread* thread = QThread::create([folder, generation, current, model] {
        std::vector<AudioFileRow> batch;
        auto post = [&] {
            QMetaObject::invokeMethod(
                model,
                [model, generation, rows = std::move(batch)]() mutable {
                    if (model)
                        model->append(generation, std::move(rows));
                },
                Qt::QueuedConnection);
            batch = {};
        };
        const std::vector<ListedFile> files = folder.isEmpty() ? std::vector<ListedFile>{} : listedAudioFiles(folder);
        for (const ListedFile& file : files) {
            if (*current != generation || QThread::currentThread()->isInterruptionRequested())
                return;
            batch.push_back(audioFileRowOf(file.path));
            if (batch.size() >= RowsPerBatch)
                post();
        }
        post();
        QMetaObject::invokeMethod(
            model,
            [model, generation] {
                if (model)
                    model->listingDone(generation);
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    listing_ = thread;
    thread->start(QThread::LowPriority);
}

void AudioFileListModel::append(int generation, std::vector<AudioFileRow> rows) {
    if (generation != *generation_ || rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (AudioFileRow& row : rows)
        rows_.push_back(std::move(row));
    endInsertRows();
}

void AudioFileListModel::listingDone(int generation) {
    if (generation != *generation_)
        return;
    listing_ = nullptr;
    emit listed(folder_);
}

int AudioFileListModel::rowOfPath(const QString& path) const {
    for (size_t row = 0; row < rows_.size(); ++row)
        if (rows_[row].path == path)
            return static_cast<int>(row);
    return -1;
}

void AudioFileListModel::changedRow(int row) {
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void AudioFileListModel::updateFile(const QString& path) {
    AudioFileRow fresh = audioFileRowOf(path);
    if (const int row = rowOfPath(path); row >= 0) {
        rows_[static_cast<size_t>(row)] = std::move(fresh);
        changedRow(row);
        return;
    }
    beginInsertRows({}, rowCount(), rowCount());
    rows_.push_back(std::move(fresh));
    endInsertRows();
}

void AudioFileListModel::removeFile(const QString& path) {
    const int row = rowOfPath(path);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    states_.remove(path);
    statuses_.remove(path);
}

void AudioFileListModel::renameFile(const QString& from, const QString& to) {
    const int row = rowOfPath(from);
    if (row < 0)
        return;
    AudioFileRow& file = rows_[static_cast<size_t>(row)];
    file.path = to;
    file.name = to.mid(to.lastIndexOf('/') + 1);
    if (states_.contains(from))
        states_.insert(to, states_.take(from));
    if (statuses_.contains(from))
        statuses_.insert(to, statuses_.take(from));
    changedRow(row);
}

void AudioFileListModel::setState(const QString& path, RowState state) {
    if (state == RowState::Idle) {
        states_.remove(path);
        statuses_.remove(path);
    } else {
        states_.insert(path, state);
    }
    changedRow(rowOfPath(path));
}

void AudioFileListModel::setStatus(const QString& path, const QString& status) {
    statuses_.insert(path, status);
    const int row = rowOfPath(path);
    if (row >= 0)
        emit dataChanged(index(row, Status), index(row, Status));
}

int AudioFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AudioFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AudioFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const AudioFileRow& file = rows_[static_cast<size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case Name: return file.name;
        case Format: return file.format;
        case Duration: return QString::fromStdString(AppSettings::formatHmsColon(file.durationMs));
        case Size: return QString::fromStdString(AppSettings::formatFileSize(file.size));
        case Status: return statuses_.value(file.path);
        default: return {};
        }
    case SortRole:
        switch (column) {
        case Duration: return QVariant::fromValue<qlonglong>(file.durationMs);
        case Size: return QVariant::fromValue<qlonglong>(file.size);
        default: return data(index, Qt::DisplayRole);
        }
    case PathRole: return file.path;
    case StateRole: return static_cast<int>(stateOf(file.path));
    case Qt::TextAlignmentRole:
        if (column == Duration || column == Size)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return column == Status ? QVariant(Qt::AlignCenter) : QVariant();
    case Qt::ToolTipRole: return column == Status ? statuses_.value(file.path) : QVariant();
    default: return {};
    }
}

QVariant AudioFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return section == Duration || section == Size ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const char* const titles[] = {QT_TR_NOOP("File name"), QT_TR_NOOP("Format"), QT_TR_NOOP("Duration"),
                                  QT_TR_NOOP("Size"), QT_TR_NOOP("Status")};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}

Qt::ItemFlags AudioFileListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    if (index.column() == Name)
        flags |= Qt::ItemIsEditable; // renamed in place (F2)
    return flags;
}

QStringList AudioFileListModel::mimeTypes() const {
    return {"text/uri-list"};
}

QMimeData* AudioFileListModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && std::find(rows.begin(), rows.end(), index.row()) == rows.end())
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    for (const int row : rows)
        urls << QUrl::fromLocalFile(fileAt(row).path);
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

// Runs of digits compare by their value, the text between them without letter case (Qt's
// collator offers a numeric mode only where it is built with ICU).
bool naturallyBefore(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i, startB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            QStringView digitsA = QStringView(a).mid(startA, i - startA),
                        digitsB = QStringView(b).mid(startB, j - startB);
            while (digitsA.size() > 1 && digitsA.front() == u'0')
                digitsA = digitsA.mid(1);
            while (digitsB.size() > 1 && digitsB.front() == u'0')
                digitsB = digitsB.mid(1);
            if (digitsA.size() != digitsB.size())
                return digitsA.size() < digitsB.size();
            if (const int order = digitsA.compare(digitsB); order != 0)
                return order < 0;
            continue;
        }
        const QChar x = a[i].toCaseFolded(), y = b[j].toCaseFolded();
        if (x != y)
            return QString::localeAwareCompare(QString(x), QString(y)) < 0;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

NaturalSortProxy::NaturalSortProxy(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(AudioFileListModel::SortRole);
}

bool NaturalSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const QVariant a = left.data(sortRole()), b = right.data(sortRole());
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return naturallyBefore(a.toString(), b.toString());
    return QSortFilterProxyModel::lessThan(left, right);
}
