#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QPointer>

#include "CutDocument.h"

// The sections of a cut document as rows: the tick (Qt::CheckStateRole of the Use
// column), the times, the status of the running cut or preview, and the title, which can
// be edited. The statuses belong to the list, not to the document: new sections start
// without one.
class CutSectionModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Use, Start, End, Duration, Status, Title, ColumnCount };
    // A row's status text and the note behind it (its tooltip).
    static constexpr int StatusRole = Qt::UserRole + 1;

    explicit CutSectionModel(QObject* parent = nullptr);

    // The document shown; the model follows its changes.
    void setDocument(CutDocument* document);
    CutDocument* document() const { return document_; }

    void setStatus(int row, const QString& status, const QString& note = {});
    QString status(int row) const;
    QString statusNote(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void resetRows();
    void refreshRows();
    QVariant textOf(int row, int column) const;

    QPointer<CutDocument> document_;
    std::vector<QString> statuses_, notes_;
};
