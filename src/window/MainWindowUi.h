#pragma once

#include "widgets/CategoryPanel.h"
#include "window/Edition.h"

#include <QFrame>
#include <QHash>
#include <QLabel>

namespace dc {

class Panel;

// The window's own controls: the backgrounds, the logo, the category column
// with its links, and the work pages the panels lay their controls on.
struct MainWindowUi {
    CategoryPanelGroup* CategoryPanelGroup1 = nullptr;
    CategoryPanel* PRespaldoDatos = nullptr;
    CategoryPanel* PCatalogoWeb = nullptr;
    CategoryPanel* PReportesWeb = nullptr;
    QLabel* Label7 = nullptr;   // "Próximamente!!"
    QLabel* Image2 = nullptr;   // background
    QLabel* Image3 = nullptr;   // hidden: the work picture
    QLabel* Image4 = nullptr;   // hidden: the start picture
    QLabel* Image23 = nullptr;  // logo

    QFrame* PnRespaldos = nullptr;
    QFrame* PnReportesWeb = nullptr;
    QFrame* PnRegistro = nullptr;
    QFrame* PnHistorial = nullptr;

    // A link of the category column: its caption and its picture.
    struct Link {
        QLabel* caption = nullptr;
        QLabel* picture = nullptr;
        bool pictureOpens = true;
    };
    // Every work page by object name, in the order they were made, and the link of each.
    QList<QFrame*> pages;
    QHash<QFrame*, Link> links;

    // The window, its pictures, its categories and links, and one page for
    // each page the panels name; no panel control.
    void setupUi(QWidget* form, const Edition& edition, const QList<Panel*>& panels);
};

}  // namespace dc
