#include "window/MainWindowUi.h"

#include "widgets/Appearance.h"
#include "widgets/Panel.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"

namespace dc {

namespace {

// The categories of edition 2's column, from the top; one without links
// shows a note instead.
struct Category {
    const char* name;
    QString caption;
    QString note;
};

const QList<Category>& categories()
{
    static const QList<Category> list = {
        {"PRespaldoDatos", QStringLiteral("Respaldos Automáticos"), {}},
        {"PCatalogoWeb", QStringLiteral("KOVA Catálogo Web"), QStringLiteral("Próximamente!!")},
        {"PReportesWeb", QStringLiteral("Nube KOVA"), {}},
    };
    return list;
}

}  // namespace

void MainWindowUi::setupUi(QWidget* form, const Edition& edition, const QList<Panel*>& panels)
{
    form->setObjectName(QStringLiteral("TFrmPrincipal"));
    form->setWindowTitle(QStringLiteral("KOVA Vazivo ze Rurov"));
    form->setFixedSize(edition.windowSize);
    form->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The font is the application's (windowFont()), shared with the dialogs.
    form->setLocale(windowLocale());

    if (!edition.categories) {
        // The backup run alone: its page fills the window.
        Image2 = picture(form, "Image2", workPicture(), 0, 0, 502, 414);
        PnRespaldos = workPage(form, "PnRespaldos");
        PnRespaldos->setGeometry(13, 8, 481, 394);
        PnRespaldos->show();
        pages = {PnRespaldos};
        return;
    }

    // Background pictures.
    Image2 = picture(form, "Image2", startPicture(), 177, 0, 526, 436);
    Image3 = picture(form, "Image3", workPicture(), 177, 0, 526, 436);
    Image3->hide();
    Image4 = picture(form, "Image4", startPicture(), 177, 0, 526, 436);
    Image4->hide();
    Image23 = picture(form, "Image23", logoPicture(), 523, 214, 150, 204);
    Image23->setAttribute(Qt::WA_TranslucentBackground);

    // The category column: each page's link under its category, in the
    // order the panels come.
    CategoryPanelGroup1 = new CategoryPanelGroup(form);
    CategoryPanelGroup1->setGeometry(0, 0, 177, 436);
    QList<PanelPlace> placed;
    for (const Panel* panel : panels) {
        const PanelPlace place = panel->place();
        if (std::none_of(placed.begin(), placed.end(), [&](const PanelPlace& p) { return qstrcmp(p.page, place.page) == 0; }))
            placed.append(place);
    }
    QHash<QString, QList<MainWindowUi::Link>> categoryLinks;
    for (const Category& category : categories()) {
        QList<PanelPlace> own;
        for (const PanelPlace& place : placed)
            if (qstrcmp(place.category, category.name) == 0) own.append(place);
        const int height = own.isEmpty() ? 24 : 8 + 40 * int(own.size());
        auto* c = new CategoryPanel(QLatin1String(category.name), category.caption, height, CategoryPanelGroup1);
        if (own.isEmpty()) Label7 = label(c->content(), "Label7", category.note, 46, 5);
        for (int k = 0; k < own.size(); ++k) {
            const PanelPlace& place = own[k];
            Link link;
            link.picture = picture(c->content(), place.pictureName, place.picture, 8, 8 + 40 * k, 32, 32);
            link.caption = label(c->content(), place.captionName, place.caption, 46, 18 + 40 * k);
            link.pictureOpens = place.pictureOpens;
            if (link.pictureOpens) link.picture->setCursor(Qt::PointingHandCursor);
            link.caption->setCursor(Qt::PointingHandCursor);
            link.caption->setFocusPolicy(Qt::StrongFocus);
            categoryLinks[QLatin1String(place.page)].append(link);
        }
        CategoryPanelGroup1->add(c);
        if (qstrcmp(category.name, "PRespaldoDatos") == 0) PRespaldoDatos = c;
        if (qstrcmp(category.name, "PCatalogoWeb") == 0) PCatalogoWeb = c;
        if (qstrcmp(category.name, "PReportesWeb") == 0) PReportesWeb = c;
    }

    // The work pages, in the order the panels come.
    for (const PanelPlace& place : placed) {
        QFrame* page = workPage(form, place.page);
        pages.append(page);
        links.insert(page, categoryLinks.value(QLatin1String(place.page)).value(0));
    }
    const auto named = [this](const char* name) {
        for (QFrame* page : pages)
            if (page->objectName() == QLatin1String(name)) return page;
        return static_cast<QFrame*>(nullptr);
    };
    PnRespaldos = named("PnRespaldos");
    PnReportesWeb = named("PnReportesWeb");
    PnRegistro = named("PnRegistro");
    PnHistorial = named("PnHistorial");
}

}  // namespace dc
