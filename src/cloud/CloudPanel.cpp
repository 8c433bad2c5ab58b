#include "cloud/CloudPanel.h"

#include "mainwindow/ErrorReporter.h"
#include "settings/SettingsRows.h"
#include "settings/SettingsStatements.h"

namespace dc {

CloudPanel::CloudPanel(WindowContext& ctx, QObject* parent) : QObject(parent), m_ctx(ctx)
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
}

void CloudPanel::store(int row, const QString& value)
{
    storeSetting(m_ctx.cnn, settingsValueUpdate(row, value));
}

int CloudPanel::intervalMinutes(int index)
{
    return index >= 0 && index <= 4 ? (index + 1) * 10 : 60;
}

void CloudPanel::CmbTiempoChange()
{
    store(RowCloudInterval, QString::number(intervalMinutes(m_ctx.ui.CmbTiempo->currentIndex())));
}

void CloudPanel::ChkNubeActivadoClick()
{
    if (m_ctx.ui.ChkNubeActivado->isChecked()) {
        storeSetting(m_ctx.cnn, cloudSwitchUpdate(true));
        m_ctx.ui.TNube->start();
        m_ticks = 0;
    } else {
        storeSetting(m_ctx.cnn, cloudSwitchUpdate(false));
        m_ctx.ui.TNube->stop();
    }
}

}  // namespace dc
