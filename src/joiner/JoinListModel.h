#pragma once

#include <functional>
#include <vector>

#include <QAbstractTableModel>

#include "JoinList.h"

// The joiner's list of files to merge as rows of a view: file, format, duration, size,
// status and the title of its chapter in the joined file (which the user may edit), the
// tick as Qt::CheckStateRole of the first column. The reordering rules are
// JoinList's; a change takes the rows the view has selected and gives back the ones to
// select after it.
class JoinListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { File, Format, Duration, Size, Status, Chapter, ColumnCount };

    explicit JoinListModel(QObject* parent = nullptr);

    const JoinList& list() const { return list_; }
    // Applies change to the rows, with selected marking the rows selected before it;
    // returns the rows selected after it.
    std::vector<int> change(const std::vector<int>& selected, const std::function<void(JoinList&)>& change);
    void setStatus(int row, const std::string& status, const std::string& note = {});

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    JoinList list_;
};
