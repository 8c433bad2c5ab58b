#include "cloud/CloudPanel.h"

#include "cloud/OutboxLogPanel.h"
#include "mainwindow/ErrorReporter.h"
#include "platform/ProcessControl.h"
#include "settings/SettingsRows.h"
#include "settings/SettingsStatements.h"
#include "settings/SettingsWriter.h"

#include <QFileInfo>

namespace dc {

CloudPanel::CloudPanel(WindowContext& ctx, OutboxLogPanel& outbox, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_outbox(outbox)
{
    MainWindowUi& ui = ctx.ui;
    ErrorReporter& e = ctx.errors;
    const std::pair<QLineEdit*, int> texts[] = {
        {ui.TxtServidor, RowCloudServer},        {ui.TxtUsuarioSaliente, RowCloudOutUser},
        {ui.TxtPassSaliente, RowCloudOutPassword}, {ui.TxtUsuarioEntrante, RowCloudInUser},
        {ui.TxtPassEntrante, RowCloudInPassword},
    };
    for (const auto& [box, row] : texts)
        connect(box, &QLineEdit::textChanged, this, e.guard([this, row = row](const QString& t) { store(row, t); }));
    connect(ui.CmbTiempo, &QComboBox::currentIndexChanged, this, e.guard([this](int) { CmbTiempoChange(); }));
    connect(ui.ChkNubeActivado, &QCheckBox::toggled, this, e.guard([this](bool) { ChkNubeActivadoClick(); }));
    connect(ui.TNube, &QTimer::timeout, this, e.guard([this] { TNubeTimer(); }));
    connect(ui.BtnGenera, &QPushButton::clicked, this, e.guard([this] { BtnGeneraClick(); }));
    connect(ui.BtnEnvia, &QPushButton::clicked, this, e.guard([this] { BtnEnviaClick(); }));
}

void CloudPanel::store(int row, const QString& value)
{
    m_ctx.settings.store(m_ctx.cnn, settingsValueUpdate(row, value));
}

int CloudPanel::intervalMinutes() const
{
    return CloudCycle::intervalMinutes(m_ctx.ui.CmbTiempo->currentIndex());
}

void CloudPanel::CmbTiempoChange()
{
    store(RowCloudInterval, QString::number(intervalMinutes()));
}

void CloudPanel::ChkNubeActivadoClick()
{
    if (m_ctx.ui.ChkNubeActivado->isChecked()) {
        m_ctx.settings.store(m_ctx.cnn, cloudSwitchUpdate(true));
        m_ctx.ui.TNube->start();
        m_cycle.restart();
    } else {
        m_ctx.settings.store(m_ctx.cnn, cloudSwitchUpdate(false));
        m_ctx.ui.TNube->stop();
    }
}

void CloudPanel::TNubeTimer()
{
    // Without the outbox (reported once) the minute is not counted: the tools
    // would not find it as their current directory.
    if (!m_outbox.refreshOutbox()) return;
    m_outbox.reloadLog();
    switch (m_cycle.tick(intervalMinutes())) {
    case CycleStep::Generate: BtnGeneraClick(); break;
    case CycleStep::Send: BtnEnviaClick(); break;
    case CycleStep::Nothing: break;
    }
}

// The tools are started minimised without taking the focus, inherit the
// outbox as their current directory and are never waited for; one that cannot
// be started is told beside the tray icon, with the reason, and tried again at
// the next point of the cycle.
void CloudPanel::startTool(const QString& tool, const QString& what)
{
    QString why;
    if (!m_ctx.launcher.start(tool, WindowMode::MinimizedNoActivate, &why))
        m_ctx.notify(QStringLiteral("No se pudo iniciar la herramienta de %1 %2 (%3). Se intentará de nuevo en el "
                                    "siguiente ciclo de la Nube KOVA.")
                         .arg(what, QFileInfo(tool).fileName(), why));
}

void CloudPanel::BtnGeneraClick()
{
    startTool(m_ctx.root.generateTool(), QStringLiteral("generación"));
}

void CloudPanel::BtnEnviaClick()
{
    startTool(m_ctx.root.sendTool(), QStringLiteral("envío"));
}

}  // namespace dc
