#pragma once

#include <QAbstractItemView>
#include <QString>

#include <functional>

namespace dc {

// While `view` shows no row, a line over it says in Spanish what will appear
// there and how; it goes as soon as a row comes. `text` is asked each time
// the line shows, so it can tell what is true now (the next backup's time).
// The line is a child of the view's viewport named "<view>Vacio".
void showWhenEmpty(QAbstractItemView* view, std::function<QString()> text);
// Asks the line of `view` its text again (what it tells changed).
void refreshEmptyState(QAbstractItemView* view);

}  // namespace dc
