#pragma once

#include <QFrame>
#include <QPushButton>

namespace dc {

// A collapsible panel of the category column: a header with its caption and
// a content area with children at fixed positions.
class CategoryPanel : public QFrame {
    Q_OBJECT
public:
    CategoryPanel(const QString& objectName, const QString& caption, int contentHeight, QWidget* parent);

    QWidget* content() const { return m_content; }
    bool isCollapsed() const { return m_collapsed; }
    void setCollapsed(bool collapsed);
    void collapse() { setCollapsed(true); }
    void expand() { setCollapsed(false); }
    QPushButton* header() const { return m_header; }

Q_SIGNALS:
    void collapsed();
    void expanded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* m_header;
    QWidget* m_content;
    bool m_collapsed = false;
};

// The column of category panels, stacked from the top.
class CategoryPanelGroup : public QFrame {
    Q_OBJECT
public:
    explicit CategoryPanelGroup(QWidget* parent);
    void add(CategoryPanel* panel);

private:
    QList<CategoryPanel*> m_panels;
};

}  // namespace dc
