#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QWidget>

#include <initializer_list>

namespace dc {

// A control with its object name at a fixed place, as the forms lay them out.
template <class W>
W* makeControl(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

// A label sized to its text at (x, y); `w`/`h` widen it to a fixed size.
inline QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w = -1, int h = -1)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->adjustSize();
    l->setGeometry(x, y, w < 0 ? l->width() : w, h < 0 ? l->height() : std::max(h, l->height()));
    return l;
}

// The window's kinds of control, at fixed places.
QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w = -1, int h = 13);
QLabel* heading(QWidget* parent, const char* name, const QString& text, int x, int y);
QFrame* line(QWidget* parent, const char* name, int x, int y, int w, int h);
QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h);
QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int w, int h, bool masked = false);
// A drop-down list with its items and none selected.
QComboBox* list(QWidget* parent, const char* name, const QStringList& items, int x, int y, int w, int h);
QLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, int x, int y, int w, int h);
// A time picker that Tab leaves at once, as the Windows control does (the
// arrow keys move between hours and minutes).
QTimeEdit* timePicker(QWidget* parent, const char* name, int x, int y, int w, int h);
// A work page of edition 2's window: hidden until its link opens it.
QFrame* workPage(QWidget* parent, const char* name);
QTimer* timer(QObject* parent, const char* name, int ms);

// Makes a grid read-only with whole-row selection, titles, an indicator
// column, lines and resizable columns, cut cells told whole in a tooltip,
// and Tab leading out of it.
void setupGrid(QTableView* grid);
QTableView* grid(QWidget* parent, const char* name, int x, int y, int w, int h);

// Selects an item without running the list's reaction; a number outside the
// list selects none.
void selectItem(QComboBox* box, int index);

// Tab walks the controls in this order.
void tabOrder(const QList<QWidget*>& chain);

}  // namespace dc
