#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QSortFilterProxyModel>

#include <QThread>

// A listed audio file: what its row shows, each value raw.
struct AudioFileRow {
    QString name, path, format;
    int64_t durationMs = 0;
    int64_t size = 0;
};

// The audio files of one folder with format, duration and size, for the play list and
// the joiner's folder list. A folder is listed by a thread of its own, which reads each
// file's header; its rows come in as they are read. The playing or converting state of
// a file and its status text are kept by path, so that a new listing keeps them.
class AudioFileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Name, Format, Duration, Size, Status, ColumnCount };
    enum class RowState { Idle, Playing, Converting };
    static constexpr int SortRole = Qt::UserRole + 1; // the raw value a column sorts by
    static constexpr int PathRole = Qt::UserRole + 2;
    static constexpr int StateRole = Qt::UserRole + 3; // a RowState, as int

    explicit AudioFileListModel(QObject* parent = nullptr);
    ~AudioFileListModel() override;

    // Lists a folder ("" for none) in place of the rows shown; listed follows when the
    // whole folder is in. A listing still running is abandoned.
    void listFolder(const QString& folder);
    QString folder() const { return folder_; }
    bool isListing() const { return listing_ != nullptr; }

    // A file written or changed meanwhile: read now, its row added or brought up to date.
    void updateFile(const QString& path);
    void removeFile(const QString& path);
    // The row of a file renamed on disk follows it.
    void renameFile(const QString& from, const QString& to);

    const AudioFileRow& fileAt(int row) const { return rows_.at(static_cast<size_t>(row)); }
    int rowOfPath(const QString& path) const;

    void setState(const QString& path, RowState state);
    RowState stateOf(const QString& path) const { return states_.value(path, RowState::Idle); }
    void setStatus(const QString& path, const QString& status);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    // A drag of rows carries their files, as a file manager's does.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

signals:
    void listed(const QString& folder);

private:
    void stopListing();
    void append(int generation, std::vector<AudioFileRow> rows);
    void listingDone(int generation);
    void changedRow(int row);

    QString folder_;
    std::vector<AudioFileRow> rows_;
    QHash<QString, RowState> states_;
    QHash<QString, QString> statuses_;
    QPointer<QThread> listing_;
    std::shared_ptr<std::atomic<int>> generation_;
};

// Reads one file's row (its header only); a file that cannot be read gets a duration of 0.
AudioFileRow audioFileRowOf(const QString& path);

// Sorts a file list as a Linux file manager does: names in natural order ("track 2"
// before "track 10"), without letter case; numbers by their value; ties in the order the
// model holds them.
class NaturalSortProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit NaturalSortProxy(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// Whether a before b in natural, case-insensitive order.
bool naturallyBefore(const QString& a, const QString& b);
