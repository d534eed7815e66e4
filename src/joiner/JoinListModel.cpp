#include "JoinListModel.h"

#include "FileNames.h"

JoinListModel::JoinListModel(QObject* parent) : QAbstractTableModel(parent) {}

std::vector<int> JoinListModel::change(const std::vector<int>& selected, const std::function<void(JoinList&)>& change) {
    beginResetModel();
    for (size_t row = 0; row < list_.rows.size(); ++row)
        list_.rows[row].selected = std::find(selected.begin(), selected.end(), static_cast<int>(row)) != selected.end();
    change(list_);
    endResetModel();
    std::vector<int> after;
    for (size_t row = 0; row < list_.rows.size(); ++row)
        if (list_.rows[row].selected)
            after.push_back(static_cast<int>(row));
    return after;
}

void JoinListModel::setStatus(int row, const std::string& status, const std::string& note) {
    if (row < 0 || row >= rowCount())
        return;
    list_.rows[static_cast<size_t>(row)].status = status;
    list_.rows[static_cast<size_t>(row)].note = note;
    emit dataChanged(index(row, Status), index(row, Status));
}

int JoinListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.rows.size());
}

int JoinListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JoinListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const JoinRow& row = list_.rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case File: return Platform::pathFromBytes(row.caption);
        case Format: return QString::fromStdString(row.format);
        case Duration: return QString::fromStdString(row.duration);
        case Size: return QString::fromStdString(row.size);
        case Status: return QString::fromStdString(row.status);
        case Chapter: return QString::fromStdString(row.chapter);
        default: return {};
        }
    case Qt::EditRole: return index.column() == Chapter ? QString::fromStdString(row.chapter) : QVariant();
    case Qt::CheckStateRole:
        return index.column() == File ? QVariant(row.ticked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::ToolTipRole: return index.column() == Status ? QString::fromStdString(row.note) : QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == Duration || index.column() == Size)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return index.column() == Status ? QVariant(Qt::AlignCenter) : QVariant();
    default: return {};
    }
}

bool JoinListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid())
        return false;
    JoinRow& row = list_.rows[static_cast<size_t>(index.row())];
    if (index.column() == Chapter && role == Qt::EditRole) {
        const QString title = value.toString().simplified();
        if (title.isEmpty())
            return false; // a chapter keeps a title
        row.chapter = title.toStdString();
    } else if (index.column() == File && role == Qt::CheckStateRole) {
        row.ticked = value.toInt() == Qt::Checked;
    } else {
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags JoinListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
    if (index.column() == File)
        flags |= Qt::ItemIsUserCheckable;
    if (index.column() == Chapter)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant JoinListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const char* const titles[] = {QT_TR_NOOP("File name"), QT_TR_NOOP("Format"), QT_TR_NOOP("Duration"),
                                  QT_TR_NOOP("Size"),      QT_TR_NOOP("Status"), QT_TR_NOOP("Chapter")};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}
