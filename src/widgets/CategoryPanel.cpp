#include "widgets/CategoryPanel.h"

#include <QShowEvent>
#include <QVBoxLayout>

namespace dc {

namespace {
constexpr int kHeaderHeight = 24;
}

CategoryPanel::CategoryPanel(const QString& objectName, const QString& caption, int contentHeight, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(objectName);
    m_header = new QPushButton(caption, this);
    m_header->setObjectName(objectName + QStringLiteral("Header"));
    m_header->setFlat(true);
    m_header->setCursor(Qt::PointingHandCursor);
    m_header->setFixedHeight(kHeaderHeight);
    m_content = new QWidget(this);
    m_content->setFixedHeight(contentHeight);
    m_content->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_content);
    setFixedHeight(kHeaderHeight + contentHeight);
    connect(m_header, &QPushButton::clicked, this, [this] { setCollapsed(!m_collapsed); });
}

void CategoryPanel::showEvent(QShowEvent* event)
{
    // The header's look is set when it is first shown: a tray program
    // starts with its window hidden, and style sheets are slow to set up.
    if (m_header->styleSheet().isEmpty())
        m_header->setStyleSheet(QStringLiteral(
            "QPushButton { text-align: left; padding-left: 8px; font-weight: bold; color: #1f3b57;"
            " border: 1px solid #9dbbd8; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
            " stop:0 #87ceeb, stop:1 #ffffff); }"));
    QFrame::showEvent(event);
}

void CategoryPanel::setCollapsed(bool collapsed)
{
    if (collapsed == m_collapsed) return;
    m_collapsed = collapsed;
    m_content->setVisible(!collapsed);
    setFixedHeight(kHeaderHeight + (collapsed ? 0 : m_content->height()));
    if (collapsed)
        Q_EMIT this->collapsed();
    else
        Q_EMIT expanded();
}

CategoryPanelGroup::CategoryPanelGroup(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("CategoryPanelGroup1"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addStretch(1);
}

void CategoryPanelGroup::add(CategoryPanel* panel)
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(layout->count() - 1, panel);
    m_panels << panel;
}

}  // namespace dc
