#pragma once

// The cutter's section list, its model and the document it shows, as a test reaches them.

#include <QTreeView>

#include "CutDocument.h"
#include "CutSectionModel.h"
#include "WindowProbe.h"

inline QTreeView* sectionList(const QWidget& cutter) {
    return control<QTreeView>(cutter, "sectionList");
}
inline CutSectionModel* sectionModel(const QWidget& cutter) {
    return static_cast<CutSectionModel*>(sectionList(cutter)->model());
}
inline CutDocument* cutDocument(const QWidget& cutter) {
    return sectionModel(cutter)->document();
}
