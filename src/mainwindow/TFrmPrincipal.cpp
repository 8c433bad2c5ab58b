#include "mainwindow/TFrmPrincipal.h"

#include "backup/BackupPanel.h"
#include "cloud/CloudPanel.h"
#include "cloud/CompanyPanel.h"
#include "cloud/OutboxLogPanel.h"
#include "mainwindow/QtPrompts.h"
#include "mainwindow/SettingsLoader.h"
#include "mainwindow/TrayIcon.h"
#include "platform/Clock.h"
#include "platform/ProcessControl.h"
#include "settings/Database.h"
#include "settings/SettingsWriter.h"
#include "tasks/TasksPanel.h"

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
    const InstallRoot root(deps.driveRoot);
    const int edition = static_cast<int>(deps.edition);
    m_cnn = std::make_unique<Connection>(QStringLiteral("cnn"), root.dataCenterDb(edition),
                                         edition == 2 ? DatabaseRole::DataCenter : DatabaseRole::DataCenterEdition1);
    m_pdv = edition == 2
                ? std::make_unique<Connection>(QStringLiteral("CnnPdv"), root.pointOfSale5Db(), DatabaseRole::PointOfSale)
                : std::make_unique<Connection>(QStringLiteral("CnnPdv4"), root.pointOfSale4Db(), DatabaseRole::PointOfSale4);
    // The company database is chosen by the company selection (edition 2).
    m_company = std::make_unique<Connection>(QStringLiteral("CnnMultiempresas"), QString(), DatabaseRole::Company);
    m_ui.setupUi(this, deps.edition);
    const Clock& clock = m_deps.clock ? *m_deps.clock : *m_ownClock;
    m_settings = std::make_unique<SettingsWriter>(clock, [this](const QString& text) { m_errors.report(text); });
    m_ctx = std::make_unique<WindowContext>(WindowContext{m_ui, root, *m_cnn, *m_pdv, *m_company, *m_prompts, m_errors, clock,
                                                          m_deps.launcher ? *m_deps.launcher : *m_ownLauncher,
                                                          *m_settings, 0});

    const QString title = applicationTitle();
    m_tray = new TrayIcon(QIcon(QStringLiteral(":/dc/app.png")), title, this);
    m_ctx->notify = [this, title](const QString& text) { m_tray->notify(title, text, QSystemTrayIcon::Information); };
    connect(m_tray->OpAbrir, &QAction::triggered, this, m_errors.guard([this] { OpAbrirClick(); }));
    connect(m_tray->DetenerAplicacin1, &QAction::triggered, this, m_errors.guard([this] { DetenerAplicacin1Click(); }));

    m_backup = new BackupPanel(*m_ctx, this);
    if (deps.edition == Edition::Two) {
        m_outbox = new OutboxLogPanel(*m_ctx, this);
        m_cloud = new CloudPanel(*m_ctx, *m_outbox, this);
        m_companies = new CompanyPanel(*m_ctx, this);
        wireCategoryPanels();
        m_ui.Timer2->start();
        m_onActivate = [this] { m_outbox->reloadLog(); };
        m_companyStartup = [this] { m_companies->startup(); };
        m_tasksStartup = [this] { m_tasks->openTaskList(); };
    } else {
        // Edition 1 opens both of its databases while the window is built.
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

    // Edition 2's manual task form: made once the window is complete, hidden,
    // and shown again at every "Agregar Tarea".
    if (deps.edition == Edition::Two) m_tasks = new TasksPanel(*m_ctx, this);
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

void TFrmPrincipal::wireCategoryPanels()
{
    ErrorReporter& e = m_errors;
    const auto clickable = [this](QLabel* label, void (TFrmPrincipal::*reaction)()) {
        label->installEventFilter(this);
        m_clicks.insert(label, [this, reaction] { (this->*reaction)(); });
    };
    clickable(m_ui.Label1, &TFrmPrincipal::Label1Click);
    clickable(m_ui.Label11, &TFrmPrincipal::Label11Click);
    clickable(m_ui.Image5, &TFrmPrincipal::Image5Click);
    clickable(m_ui.Label18, &TFrmPrincipal::Label18Click);
    clickable(m_ui.Image6, &TFrmPrincipal::Image6Click);
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
        for (QFrame* panel : {m_ui.PnRespaldos, m_ui.PnReportesWeb, m_ui.PnRegistro})
            if (!panel->isHidden()) focusFirstControl(panel);
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
    for (QFrame* p : {m_ui.PnRespaldos, m_ui.PnReportesWeb, m_ui.PnRegistro})
        if (p != panel) p->hide();
    panel->show();
    m_ui.Image23->hide();
}

void TFrmPrincipal::PRespaldoDatosCollapse()
{
    m_ui.Image2->setPixmap(startPicture());
    m_ui.PnRespaldos->hide();
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
    if (m_deps.edition == Edition::Two)
        formCreateEdition2();
    else
        formCreateEdition1();
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
            loadSettings(*m_ctx, 13, [this] {
                m_ui.TNube->start();
                m_cloud->resetTicks();
            });
            m_backup->openList();
        }
        if (m_companyStartup) m_companyStartup();
        if (m_tasksStartup) m_tasksStartup();
    });
}

void TFrmPrincipal::formCreateEdition1()
{
    m_errors.run([this] {
        {
            const LoadingFlag loading(*m_ctx);
            loadSettings(*m_ctx, 6, [] {});
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
