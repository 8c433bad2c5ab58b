#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

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

}  // namespace dc
