#include "panels/CloudPanel.h"

#include "panels/OutboxLogPanel.h"
#include "platform/ServiceAddress.h"
#include "settings/SettingsRows.h"
#include "widgets/ErrorReporter.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"
#include "platform/ProcessControl.h"
#include "settings/SettingsStatements.h"
#include "settings/SettingsWriter.h"

#include <QFileInfo>

namespace dc {

CloudPanel::CloudPanel(WindowContext& ctx, OutboxLogPanel& outbox, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_outbox(outbox), m_sendFailures(ctx.cnn)
{
    m_ui.TNube = timer(parent ? parent : this, "TNube", 60000);
    connect(m_ui.TNube, &QTimer::timeout, this, ctx.errors.guard([this] { TNubeTimer(); }));
}

PanelPlace CloudPanel::place() const
{
    // The cloud settings share the backup settings' picture.
    return {"PReportesWeb", "PnReportesWeb", QStringLiteral("Configuración"), "Label11", "Image5", backupPicture()};
}

void CloudPanel::build(QWidget* p)
{
    CloudPanelUi& ui = m_ui;
    ui.ChkNubeActivado = makeControl<QCheckBox>(p, "ChkNubeActivado", 12, 7, 114, 17);
    ui.ChkNubeActivado->setText(QStringLiteral("Activar Nube KOVA"));
    ui.BtnEnvia = button(p, "BtnEnvia", QStringLiteral("Envia"), 167, 8, 75, 25);
    ui.BtnEnvia->hide();
    ui.BtnGenera = button(p, "BtnGenera", QStringLiteral("Genera"), 248, 8, 75, 25);
    ui.BtnGenera->hide();
    ui.Label24 = heading(p, "Label24", QStringLiteral("Configuración Saliente"), 14, 26);
    ui.Shape6 = line(p, "Shape6", 14, 39, 292, 2);
    ui.Label22 = label(p, "Label22", QStringLiteral("Usuario:"), 13, 48);
    ui.TxtUsuarioSaliente = edit(p, "TxtUsuarioSaliente", 59, 45, 85, 21);
    ui.Label21 = label(p, "Label21", QStringLiteral("Contraseña:"), 150, 48);
    ui.TxtPassSaliente = edit(p, "TxtPassSaliente", 216, 45, 85, 21, true);
    ui.Label16 = label(p, "Label16", QStringLiteral("Servidor:"), 333, 28);
    ui.TxtServidor = edit(p, "TxtServidor", 332, 45, 121, 21);
    ui.Label23 = heading(p, "Label23", QStringLiteral("Configuración Entrante"), 13, 71);
    ui.Shape5 = line(p, "Shape5", 13, 84, 292, 2);
    ui.Label15 = label(p, "Label15", QStringLiteral("Usuario:"), 13, 93);
    ui.TxtUsuarioEntrante = edit(p, "TxtUsuarioEntrante", 59, 90, 85, 21);
    ui.Label14 = label(p, "Label14", QStringLiteral("Contraseña:"), 150, 93);
    ui.TxtPassEntrante = edit(p, "TxtPassEntrante", 216, 90, 85, 21, true);
    ui.Label12 = label(p, "Label12", QStringLiteral("Tiempo de Actualización:"), 332, 71);
    QStringList minutes;
    for (int m = 10; m <= 60; m += 10) minutes << QStringLiteral("%1 Minutos").arg(m);
    ui.CmbTiempo = list(p, "CmbTiempo", minutes, 333, 90, 116, 21);
    ui.CmbTiempo->setCurrentIndex(0);

    ErrorReporter& e = m_ctx.errors;
    const std::pair<QLineEdit*, int> texts[] = {
        {ui.TxtServidor, RowCloudServer},        {ui.TxtUsuarioSaliente, RowCloudOutUser},
        {ui.TxtPassSaliente, RowCloudOutPassword}, {ui.TxtUsuarioEntrante, RowCloudInUser},
        {ui.TxtPassEntrante, RowCloudInPassword},
    };
    for (const auto& [box, row] : texts) box->setMaxLength(settingValueMaxLength(SettingsDatabase::DataCenter));
    for (const auto& [box, row] : texts)
        connect(box, &QLineEdit::textChanged, this, e.guard([this, row = row](const QString& t) { store(row, t); }));
    connect(ui.CmbTiempo, &QComboBox::currentIndexChanged, this, e.guard([this](int) { CmbTiempoChange(); }));
    connect(ui.ChkNubeActivado, &QCheckBox::toggled, this, e.guard([this](bool) { ChkNubeActivadoClick(); }));
    connect(ui.BtnGenera, &QPushButton::clicked, this, e.guard([this] { BtnGeneraClick(); }));
    connect(ui.BtnEnvia, &QPushButton::clicked, this, e.guard([this] { BtnEnviaClick(); }));
}

QList<QWidget*> CloudPanel::tabOrder() const
{
    const CloudPanelUi& ui = m_ui;
    return {ui.ChkNubeActivado, ui.TxtUsuarioSaliente, ui.TxtPassSaliente, ui.TxtServidor, ui.TxtUsuarioEntrante,
            ui.TxtPassEntrante, ui.CmbTiempo};
}

QList<int> CloudPanel::settingsRows() const
{
    return {RowCloudOn,     RowCloudServer,      RowCloudOutUser, RowCloudOutPassword,
            RowCloudInUser, RowCloudInPassword, RowCloudInterval};
}

void CloudPanel::loadSetting(int row, const QString& value)
{
    CloudPanelUi& ui = m_ui;
    switch (row) {
    case RowCloudOn:
        if (value == QStringLiteral("1")) {
            ui.ChkNubeActivado->setChecked(true);
            ui.TNube->start();
            resetTicks();
        }
        break;
    case RowCloudServer: ui.TxtServidor->setText(value); break;
    case RowCloudOutUser: ui.TxtUsuarioSaliente->setText(value); break;
    case RowCloudOutPassword: ui.TxtPassSaliente->setText(value); break;
    case RowCloudInUser: ui.TxtUsuarioEntrante->setText(value); break;
    case RowCloudInPassword: ui.TxtPassEntrante->setText(value); break;
    case RowCloudInterval: {
        const QStringList minutes = {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                                     QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("60")};
        const int index = minutes.indexOf(value);
        if (index >= 0) selectItem(ui.CmbTiempo, index);
        break;
    }
    default: break;
    }
}

void CloudPanel::store(int row, const QString& value)
{
    m_ctx.settings.store(m_ctx.cnn, settingsValueUpdate(row, value));
}

int CloudPanel::intervalMinutes() const
{
    return CloudCycle::intervalMinutes(m_ui.CmbTiempo->currentIndex());
}

void CloudPanel::CmbTiempoChange()
{
    store(RowCloudInterval, QString::number(intervalMinutes()));
}

void CloudPanel::ChkNubeActivadoClick()
{
    if (m_ui.ChkNubeActivado->isChecked()) {
        m_ctx.settings.store(m_ctx.cnn, cloudSwitchUpdate(true));
        m_ui.TNube->start();
        m_cycle.restart();
        // The switch stays on; the owner is told what the send tool will miss.
        const QString missing = missingForSending();
        if (m_ctx.loading == 0 && !missing.isEmpty()) m_ctx.notify(kNoticeCloudIncomplete.arg(missing));
    } else {
        m_ctx.settings.store(m_ctx.cnn, cloudSwitchUpdate(false));
        m_ui.TNube->stop();
    }
}

QString CloudPanel::missingForSending() const
{
    QStringList missing;
    const QString server = m_ui.TxtServidor->text().trimmed();
    QString why;
    if (server.isEmpty())
        missing << QStringLiteral("falta el servidor");
    else if (!parseServiceAddress(server, &why))
        missing << QStringLiteral("el servidor «%1» no es válido (%2)").arg(server, why);
    if (m_ui.TxtUsuarioSaliente->text().trimmed().isEmpty()) missing << QStringLiteral("falta el usuario saliente");
    if (m_ui.TxtPassSaliente->text().isEmpty()) missing << QStringLiteral("falta la contraseña saliente");
    return missing.join(QStringLiteral(", "));
}

void CloudPanel::TNubeTimer()
{
    // Without the outbox (reported once) the minute is not counted: the tools
    // would not find it as their current directory.
    if (!m_outbox.refreshOutbox()) return;
    m_outbox.reloadLog();
    // A send that failed is told beside the tray icon, once for each cause.
    for (const QString& cause : m_sendFailures.newCauses()) m_ctx.notify(kNoticeSendFailed.arg(cause));
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
    if (!m_ctx.launcher.start(tool, WindowMode::MinimizedNoActivate, m_ui.BtnGenera->window()->winId(), &why))
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
