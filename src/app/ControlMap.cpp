#include "ControlMap.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr int RowsPerList = 60;

QString oneLine(QString text) {
    return text.replace('\t', ' ').replace('\n', ' ');
}

QString textOf(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* box = qobject_cast<const QLineEdit*>(control))
        return box->text();
    if (const auto* box = qobject_cast<const QComboBox*>(control))
        return box->currentText();
    if (const auto* box = qobject_cast<const QSpinBox*>(control))
        return QString::number(box->value());
    if (const auto* slider = qobject_cast<const QSlider*>(control))
        return QString::number(slider->value());
    return {};
}

// One line a control: "control", its window's and its own object name, its class, its
// rectangle on the screen, enabled, checked, focused, accessible name and text.
void writeControl(QTextStream& out, const QWidget* window, const QWidget* control) {
    const QRect on = QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    out << "control\t" << window->objectName() << '\t' << control->objectName() << '\t'
        << control->metaObject()->className() << '\t' << on.x() << '\t' << on.y() << '\t' << on.width() << '\t'
        << on.height() << '\t' << int(control->isEnabled()) << '\t' << int(button && button->isChecked()) << '\t'
        << int(control->hasFocus()) << '\t' << oneLine(control->accessibleName()) << '\t' << oneLine(textOf(control))
        << '\n';
}

// One line a visible row of a list: its list, its number, the first cell's rectangle on
// the screen, selected, and the cells' texts.
void writeRows(QTextStream& out, const QAbstractItemView* view) {
    const QAbstractItemModel* model = view->model();
    if (!model)
        return;
    for (int row = 0; row < std::min(model->rowCount(), RowsPerList); ++row) {
        const QModelIndex first = model->index(row, 0);
        const QRect cell = view->visualRect(first);
        if (!cell.isValid() || !view->viewport()->rect().intersects(cell))
            continue;
        const QRect on(view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
        QStringList texts;
        for (int column = 0; column < model->columnCount(); ++column)
            texts << oneLine(model->index(row, column).data().toString());
        out << "row\t" << view->objectName() << '\t' << row << '\t' << on.x() << '\t' << on.y() << '\t' << on.width()
            << '\t' << on.height() << '\t'
            << int(view->selectionModel() && view->selectionModel()->isRowSelected(row, {})) << '\t'
            << int(first.data(Qt::CheckStateRole).isValid() ? first.data(Qt::CheckStateRole).toInt() : -1) << '\t'
            << texts.join(" | ") << '\n';
    }
}

// One line an action of an open menu: "action", the menu, the action's object name, its
// rectangle on the screen, enabled, and its text.
void writeActions(QTextStream& out, const QMenu* menu) {
    for (QAction* action : menu->actions()) {
        const QRect at = menu->actionGeometry(action);
        if (action->isSeparator() || !at.isValid())
            continue;
        const QRect on(menu->mapToGlobal(at.topLeft()), at.size());
        out << "action\t" << menu->objectName() << '\t' << action->objectName() << '\t' << on.x() << '\t' << on.y()
            << '\t' << on.width() << '\t' << on.height() << '\t' << int(action->isEnabled()) << '\t'
            << oneLine(action->text()) << '\n';
    }
}

// One line a tab: "tab", its tab widget, its number, its rectangle on the screen,
// whether it is the current one, and its text.
void writeTabs(QTextStream& out, const QTabBar* bar) {
    const QString owner = bar->parentWidget() ? bar->parentWidget()->objectName() : bar->objectName();
    for (int tab = 0; tab < bar->count(); ++tab) {
        const QRect at = bar->tabRect(tab);
        const QRect on(bar->mapToGlobal(at.topLeft()), at.size());
        out << "tab\t" << owner << '\t' << tab << '\t' << on.x() << '\t' << on.y() << '\t' << on.width() << '\t'
            << on.height() << '\t' << int(bar->currentIndex() == tab) << '\t' << oneLine(bar->tabText(tab)) << '\n';
    }
}

void writeMap(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QTextStream out(&file);
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        const QRect frame = window->frameGeometry();
        out << "window\t" << window->objectName() << '\t' << window->metaObject()->className() << '\t' << frame.x()
            << '\t' << frame.y() << '\t' << frame.width() << '\t' << frame.height() << '\t'
            << int(window->isActiveWindow()) << '\t' << oneLine(window->windowTitle()) << '\t'
            << oneLine(window->property("text").toString()) << '\n';
        if (const auto* menu = qobject_cast<const QMenu*>(window))
            writeActions(out, menu);
        for (const QWidget* control : window->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->window() != window)
                continue;
            if (!control->objectName().isEmpty() || !control->accessibleName().isEmpty() ||
                qobject_cast<const QAbstractButton*>(control))
                writeControl(out, window, control);
            if (const auto* view = qobject_cast<const QAbstractItemView*>(control))
                writeRows(out, view);
            if (const auto* bar = qobject_cast<const QTabBar*>(control))
                writeTabs(out, bar);
        }
    }
    out.flush();
    file.commit();
}

} // namespace

void startControlMapFromEnvironment() {
    const QString path = qEnvironmentVariable("ZELVO_CONTROL_MAP");
    if (path.isEmpty())
        return;
    auto* timer = new QTimer(qApp);
    timer->setInterval(150);
    QObject::connect(timer, &QTimer::timeout, qApp, [path] { writeMap(path); });
    timer->start();
}
