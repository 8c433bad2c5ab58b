#include "window/TFrmPrincipal.h"

#include "panels/BackupPanel.h"
#include "panels/HistoryPanel.h"
#include "panels/CloudPanel.h"
#include "panels/CompanyPanel.h"
#include "panels/OutboxLogPanel.h"
#include "window/LastBackupWatch.h"
#include "widgets/QtPrompts.h"
#include "window/SettingsLoader.h"
#include "window/TrayIcon.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"
#include "platform/Clock.h"
#include "platform/ProcessControl.h"
#include "settings/Database.h"
#include "settings/SettingsWriter.h"
#include "panels/TasksPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSqlQueryModel>

namespace dc {

namespace {
Prompts* chosenPrompts(Prompts* given, std::unique_ptr<Prompts>& own, QWidget* parent)
{
    if (given) return given;
    own = std::make_unique<QtPrompts>(parent);
    return own.get();
}
}  // namespace

TFrmPrincipal::TFrmPrincipal(const WindowDeps& deps)
    : QWidget(nullptr), m_deps(deps), m_prompts(chosenPrompts(deps.prompts, m_ownPrompts, this)), m_errors(*m_prompts)
{
    if (!m_deps.clock) m_ownClock = std::make_unique<SystemClock>();
    if (!m_deps.launcher) m_ownLauncher = std::make_unique<SystemLauncher>();
    const Edition& edition = m_deps.edition;
    const InstallRoot root(deps.driveRoot);
    m_cnn = std::make_unique<Connection>(QStringLiteral("cnn"), edition.dataCenterDb(root), edition.dataCenterRole);
    m_pdv = std::make_unique<Connection>(edition.pointOfSaleConnection, edition.pointOfSaleDb(root), edition.pointOfSaleRole);
    // The company database is chosen by the company selection (edition 2).
    m_company = std::make_unique<Connection>(QStringLiteral("CnnMultiempresas"), QString(), DatabaseRole::Company);
    const Clock& clock = m_deps.clock ? *m_deps.clock : *m_ownClock;
    m_settings = std::make_unique<SettingsWriter>(clock, [this](const QString& text) { m_errors.report(text); });
    m_ctx = std::make_unique<WindowContext>(WindowContext{root, *m_cnn, *m_pdv, *m_company, *m_prompts, m_errors, clock,
                                                          m_deps.launcher ? *m_deps.launcher : *m_ownLauncher,
                                                          *m_settings, 0});

    // The panels, in the order their controls are made: their pages, links
    // and Tab order follow it.
    m_backup = new BackupPanel(*m_ctx, edition.categories ? BackupPanel::Layout::Settings : BackupPanel::Layout::RunWatch, this);
    m_panels = {m_backup};
    if (edition.categories) {
        m_outbox = new OutboxLogPanel(*m_ctx, this);
        m_companies = new CompanyPanel(*m_ctx, this);
        m_cloud = new CloudPanel(*m_ctx, *m_outbox, this);
        m_tasks = new TasksPanel(*m_ctx, *m_companies, this);
        m_history = new HistoryPanel(*m_ctx, *m_backup, this);
        m_panels << m_cloud << m_companies << m_tasks << m_outbox << m_history;
    }
    buildPanels();

    const QString title = applicationTitle();
    m_tray = new TrayIcon(QIcon(programPicture()), title, this);
    m_ctx->notify = [this, title](const QString& text) { m_tray->notify(title, text, QSystemTrayIcon::Information); };
    connect(m_tray->OpAbrir, &QAction::triggered, this, m_errors.guard([this] { OpAbrirClick(); }));
    connect(m_tray->DetenerAplicacin1, &QAction::triggered, this, m_errors.guard([this] { DetenerAplicacin1Click(); }));

    m_backupWatch = new LastBackupWatch(*m_ctx, *m_tray,
                                        [this] { return m_deps.edition.backsUpAtEveryStart || m_backup->backupsOn(); }, this);
    if (edition.categories) {
        wireCategoryPanels();
        m_outbox->ui().Timer2->start();
        m_onActivate = [this] { m_outbox->reloadLog(); };
    }
    if (edition.opensDatabasesAtBuild) {
        m_errors.run([this] { m_cnn->open(); });
        m_errors.run([this] { m_pdv->open(); });
    }
    m_closeQuery = [this] { return m_prompts->confirm(kMsgConfirmStop); };

    // A log-off or shutdown asks the same question.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (m_ending) return;
        if (manager.allowsInteraction()) {
            bool allowed = false;
            m_errors.run([&] { allowed = FormCloseQuery(); });
            manager.release();
            if (!allowed) manager.cancel();
        }
    });
}

TFrmPrincipal::~TFrmPrincipal()
{
    // The icon goes with the window, whatever way the program ends.
    if (m_tray) m_tray->remove();
    // The grids' queries end before the connections they run on close (the
    // panels that own them are children, which outlive the members; an ODBC
    // connection cannot close under a live statement).
    for (QSqlQueryModel* grid : findChildren<QSqlQueryModel*>()) grid->clear();
}

void TFrmPrincipal::buildPanels()
{
    m_ui.setupUi(this, m_deps.edition, m_panels);
    QList<QWidget*> chain;
    if (m_deps.edition.categories) {
        chain << m_ui.PRespaldoDatos->header();
        for (CategoryPanel* category : {m_ui.PRespaldoDatos, m_ui.PCatalogoWeb, m_ui.PReportesWeb}) {
            if (category != m_ui.PRespaldoDatos) chain << category->header();
            for (QFrame* page : m_ui.pages) {
                const MainWindowUi::Link link = m_ui.links.value(page);
                if (link.caption && category->content()->isAncestorOf(link.caption)) chain << link.caption;
            }
        }
    }
    // Tab goes down the column, then through the open page, column by column within it.
    for (QFrame* page : m_ui.pages)
        for (Panel* panel : m_panels)
            if (page->objectName() == QLatin1String(panel->place().page)) {
                panel->build(page);
                chain << panel->tabOrder();
            }
    tabOrder(chain);
    if (!m_deps.edition.categories) return;
    // The logo and the pages stay above the background.
    m_ui.Image23->raise();
    for (QFrame* page : m_ui.pages) page->raise();
}

void TFrmPrincipal::wireCategoryPanels()
{
    ErrorReporter& e = m_errors;
    for (QFrame* page : m_ui.pages) {
        const MainWindowUi::Link link = m_ui.links.value(page);
        const auto open = [this, page] { openWorkPanel(page); };
        link.caption->installEventFilter(this);
        m_clicks.insert(link.caption, open);
        if (link.pictureOpens) {
            link.picture->installEventFilter(this);
            m_clicks.insert(link.picture, open);
        }
    }
    connect(m_ui.PRespaldoDatos, &CategoryPanel::collapsed, this, e.guard([this] { PRespaldoDatosCollapse(); }));
    connect(m_ui.PReportesWeb, &CategoryPanel::collapsed, this, e.guard([this] { PReportesWebCollapse(); }));
}

bool TFrmPrincipal::eventFilter(QObject* watched, QEvent* event)
{
    const auto it = m_clicks.constFind(watched);
    if (it == m_clicks.constEnd()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        m_errors.run(*it);
        return true;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) break;
        m_errors.run(*it);
        // From the keyboard, straight on into the panel just opened.
        for (QFrame* page : m_ui.pages)
            if (!page->isHidden()) focusFirstControl(page);
        return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // A link with the focus is underlined.
        auto* link = static_cast<QWidget*>(watched);
        QFont font = link->font();
        font.setUnderline(event->type() == QEvent::FocusIn);
        link->setFont(font);
        break;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmPrincipal::focusFirstControl(QWidget* panel)
{
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (panel->isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TFrmPrincipal::openWorkPanel(QFrame* panel)
{
    m_ui.Image2->setPixmap(workPicture());
    panel->move(206, 8);
    for (QFrame* p : m_ui.pages)
        if (p != panel) p->hide();
    panel->show();
    m_ui.Image23->hide();
    // The panels of the page left, then those of the page opened, are told.
    if (m_openPage != panel)
        for (Panel* each : m_panels)
            if (m_openPage && m_openPage->objectName() == QLatin1String(each->place().page)) each->left();
    m_openPage = panel;
    for (Panel* each : m_panels)
        if (panel->objectName() == QLatin1String(each->place().page)) each->shown();
}

void TFrmPrincipal::PRespaldoDatosCollapse()
{
    m_ui.Image2->setPixmap(startPicture());
    m_ui.PnRespaldos->hide();
    m_ui.PnHistorial->hide();
    m_ui.Image23->show();
}

void TFrmPrincipal::PReportesWebCollapse()
{
    m_ui.Image2->setPixmap(startPicture());
    m_ui.PnReportesWeb->hide();
    m_ui.PnRegistro->hide();
    m_ui.Image23->show();
}

void TFrmPrincipal::FormCreate()
{
    m_tray->registerIcon();
    if (m_deps.edition.categories)
        formCreateEdition2();
    else
        formCreateEdition1();
    // Whatever the start-up met, the icon tells the state of the backups.
    m_backupWatch->start();
}

void TFrmPrincipal::formCreateEdition2()
{
    m_errors.run([this] {
        m_ui.PCatalogoWeb->collapse();
        m_ui.PRespaldoDatos->collapse();
        m_ui.PReportesWeb->collapse();
        {
            const LoadingFlag loading(*m_ctx);
            m_outbox->pointAtOutbox();
            loadSettings(*m_cnn, m_deps.edition.lastSettingsRow, m_panels);
            m_backup->openList();
        }
        m_companies->startup();
        m_tasks->openTaskList();
    });
}

void TFrmPrincipal::formCreateEdition1()
{
    m_errors.run([this] {
        {
            const LoadingFlag loading(*m_ctx);
            loadSettings(*m_cnn, m_deps.edition.lastSettingsRow, m_panels);
            m_backup->openList();
        }
        if (m_startupRun) m_startupRun();
    });
}

void TFrmPrincipal::OpAbrirClick()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void TFrmPrincipal::endProgram()
{
    m_ending = true;
    QCoreApplication::exit(m_exitStatus);
}

void TFrmPrincipal::DetenerAplicacin1Click()
{
    endProgram();
}

bool TFrmPrincipal::FormCloseQuery()
{
    return m_closeQuery();
}

void TFrmPrincipal::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    bool allowed = false;
    m_errors.run([&] { allowed = FormCloseQuery(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    event->accept();
    endProgram();
}

void TFrmPrincipal::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        // A minimised window goes back to the tray: no taskbar button stays.
        QMetaObject::invokeMethod(this, [this] { hide(); }, Qt::QueuedConnection);
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_onActivate) {
        m_errors.run(m_onActivate);
    }
}

}  // namespace dc
