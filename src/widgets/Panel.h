#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

class QWidget;

namespace dc {

// Where a panel is reached from the category column: the category it belongs
// to, its link (caption, picture and their object names) and the work page
// it lies on. Panels that name the same page share it, and its link.
struct PanelPlace {
    const char* category = "";  // object name of the category, "PRespaldoDatos"
    const char* page = "";      // object name of the work page, "PnRespaldos"
    QString caption;            // the link's text
    const char* captionName = "";
    const char* pictureName = "";
    QPixmap picture;
    // Whether a click on the picture opens the page, as one on the caption does.
    bool pictureOpens = true;
};

// A part of the main window that owns its controls: it builds them on its
// page, at their fixed places, and keeps the reactions that belong to them.
class Panel {
public:
    virtual ~Panel() = default;

    virtual PanelPlace place() const = 0;
    // Builds the panel's controls on `page`; called once.
    virtual void build(QWidget* page) = 0;
    // The panel's controls in the order Tab walks them.
    virtual QList<QWidget*> tabOrder() const = 0;
    // Its page was opened, or left for another.
    virtual void shown() {}
    virtual void left() {}
    // The settings rows it shows, and one row's stored value brought into its
    // controls at start-up (no reaction runs).
    virtual QList<int> settingsRows() const { return {}; }
    virtual void loadSetting(int /*row*/, const QString& /*value*/) {}
};

}  // namespace dc
