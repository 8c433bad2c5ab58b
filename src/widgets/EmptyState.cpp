#include "widgets/EmptyState.h"

#include <QEvent>
#include <QLabel>

namespace dc {

namespace {

// Keeps the line the size of the viewport and in step with the model.
class EmptyLine : public QLabel {
public:
    EmptyLine(QAbstractItemView* view, std::function<QString()> text)
        : QLabel(view->viewport()), m_view(view), m_text(std::move(text))
    {
        setObjectName(view->objectName() + QStringLiteral("Vacio"));
        setAlignment(Qt::AlignCenter);
        setWordWrap(true);
        setMargin(8);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        QPalette grey = palette();
        grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
        setPalette(grey);
        view->viewport()->installEventFilter(this);
        watchModel();
        refresh();
    }

    void watchModel()
    {
        if (m_watched == m_view->model()) return;
        if (m_watched) m_watched->disconnect(this);
        m_watched = m_view->model();
        if (!m_watched) return;
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(m_watched, signal, this, [this] { refresh(); });
        connect(m_watched, &QAbstractItemModel::modelReset, this, [this] { refresh(); });
        connect(m_watched, &QAbstractItemModel::layoutChanged, this, [this] { refresh(); });
    }

    void refresh()
    {
        watchModel();
        const bool empty = !m_watched || m_watched->rowCount() == 0;
        if (empty) {
            setText(m_text());
            setGeometry(m_view->viewport()->rect());
        }
        setVisible(empty);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) refresh();
        return QLabel::eventFilter(watched, event);
    }

private:
    QAbstractItemView* m_view;
    std::function<QString()> m_text;
    QAbstractItemModel* m_watched = nullptr;
};

}  // namespace

void showWhenEmpty(QAbstractItemView* view, std::function<QString()> text)
{
    new EmptyLine(view, std::move(text));
}

void refreshEmptyState(QAbstractItemView* view)
{
    for (QLabel* line : view->viewport()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (auto* empty = dynamic_cast<EmptyLine*>(line)) empty->refresh();
}

}  // namespace dc
