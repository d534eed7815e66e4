#include "CutSectionModel.h"

#include <QGuiApplication>
#include <QPalette>

#include "AppSettings.h"

CutSectionModel::CutSectionModel(QObject* parent) : QAbstractTableModel(parent) {}

void CutSectionModel::setDocument(CutDocument* document) {
    if (document_)
        disconnect(document_, nullptr, this, nullptr);
    document_ = document;
    if (document_) {
        connect(document_, &CutDocument::pointsChanged, this, &CutSectionModel::resetRows);
        connect(document_, &CutDocument::sectionsEdited, this, &CutSectionModel::refreshRows);
    }
    resetRows();
}

void CutSectionModel::resetRows() {
    beginResetModel();
    statuses_.assign(static_cast<size_t>(document_ ? document_->sectionCount() : 0), QString());
    notes_ = statuses_;
    endResetModel();
}

void CutSectionModel::refreshRows() {
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void CutSectionModel::setStatus(int row, const QString& status, const QString& note) {
    if (row < 0 || row >= static_cast<int>(statuses_.size()))
        return;
    statuses_[static_cast<size_t>(row)] = status;
    notes_[static_cast<size_t>(row)] = note;
    emit dataChanged(index(row, Status), index(row, Status));
}

QString CutSectionModel::status(int row) const {
    return row >= 0 && row < static_cast<int>(statuses_.size()) ? statuses_[static_cast<size_t>(row)] : QString();
}

QString CutSectionModel::statusNote(int row) const {
    return row >= 0 && row < static_cast<int>(notes_.size()) ? notes_[static_cast<size_t>(row)] : QString();
}

int CutSectionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(statuses_.size());
}

int CutSectionModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CutSectionModel::textOf(int row, int column) const {
    using AppSettings::formatMinSecMs;
    switch (column) {
    case Start: return QString::fromStdString(formatMinSecMs(document_->sectionStart(row)));
    case End: return QString::fromStdString(formatMinSecMs(document_->sectionEnd(row)));
    case Duration:
        return QString::fromStdString(formatMinSecMs(document_->sectionEnd(row) - document_->sectionStart(row)));
    case Status: return status(row);
    case Title: return QString::fromStdString(document_->titleOf(row));
    default: return {};
    }
}

QVariant CutSectionModel::data(const QModelIndex& index, int role) const {
    if (!document_ || !index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row(), column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return textOf(row, column);
    case Qt::CheckStateRole:
        if (column == Use)
            return document_->points()[static_cast<size_t>(row)].use ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole: return column >= Start && column <= Status ? QVariant(Qt::AlignCenter) : QVariant();
    case Qt::ToolTipRole:
        // The note behind a status, else the whole status.
        return column == Status ? (statusNote(row).isEmpty() ? status(row) : statusNote(row)) : QVariant();
    case StatusRole: return status(row);
    case Qt::ForegroundRole:
        // A title of the section's own in the text colour, the numbered default as a placeholder.
        if (column == Title && !document_->hasOwnTitle(row))
            return QGuiApplication::palette().placeholderText();
        return {};
    default: return {};
    }
}

bool CutSectionModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!document_ || !index.isValid())
        return false;
    if (index.column() == Use && role == Qt::CheckStateRole) {
        document_->setTicked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (index.column() == Title && role == Qt::EditRole) {
        document_->setTitle(index.row(), value.toString().trimmed().toStdString());
        return true;
    }
    return false;
}

Qt::ItemFlags CutSectionModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == Use)
        flags |= Qt::ItemIsUserCheckable;
    if (index.column() == Title)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant CutSectionModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const char* const titles[] = {QT_TR_NOOP("Use"),      QT_TR_NOOP("Start"),  QT_TR_NOOP("End"),
                                  QT_TR_NOOP("Duration"), QT_TR_NOOP("Status"), QT_TR_NOOP("Title")};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}
