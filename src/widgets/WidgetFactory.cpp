#include "widgets/WidgetFactory.h"

#include "widgets/GridModels.h"

#include <QHeaderView>
#include <QSignalBlocker>

namespace dc {

namespace {

class TimePicker : public QTimeEdit {
public:
    using QTimeEdit::QTimeEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

}  // namespace

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    return makeLabel(parent, name, text, x, y, w, h);
}

QLabel* heading(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    QLabel* l = label(parent, name, text, x, y);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->adjustSize();
    return l;
}

QFrame* line(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* f = makeControl<QFrame>(parent, name, x, y, w, h);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    auto* b = makeControl<QPushButton>(parent, name, x, y, w, h);
    b->setText(text);
    return b;
}

QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int w, int h, bool masked)
{
    auto* e = makeControl<QLineEdit>(parent, name, x, y, w, h);
    if (masked) e->setEchoMode(QLineEdit::Password);
    return e;
}

QComboBox* list(QWidget* parent, const char* name, const QStringList& items, int x, int y, int w, int h)
{
    auto* c = makeControl<QComboBox>(parent, name, x, y, w, h);
    c->addItems(items);
    c->setCurrentIndex(-1);
    return c;
}

QLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, int x, int y, int w, int h)
{
    auto* l = makeControl<QLabel>(parent, name, x, y, w, h);
    l->setPixmap(pixmap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QTimeEdit* timePicker(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    return makeControl<TimePicker>(parent, name, x, y, w, h);
}

QFrame* workPage(QWidget* parent, const char* name)
{
    auto* p = makeControl<QFrame>(parent, name, 206, 8, 481, 394);
    p->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    p->setAutoFillBackground(true);
    p->hide();
    return p;
}

QTimer* timer(QObject* parent, const char* name, int ms)
{
    auto* t = new QTimer(parent);
    t->setObjectName(QLatin1String(name));
    t->setInterval(ms);
    return t;
}

void setupGrid(QTableView* grid)
{
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setShowGrid(true);
    grid->setWordWrap(false);
    // Tab leaves the grid for the next control; the arrow keys move inside it.
    grid->setTabKeyNavigation(false);
    grid->setVerticalHeader(new IndicatorHeader(grid));
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->setItemDelegate(new CutTextDelegate(grid));
    grid->horizontalHeader()->setVisible(true);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(false);
}

QTableView* grid(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* g = makeControl<QTableView>(parent, name, x, y, w, h);
    setupGrid(g);
    return g;
}

void selectItem(QComboBox* box, int index)
{
    const QSignalBlocker block(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void tabOrder(const QList<QWidget*>& chain)
{
    QWidget* previous = nullptr;
    for (QWidget* w : chain) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

}  // namespace dc
