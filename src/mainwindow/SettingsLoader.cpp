#include "mainwindow/SettingsLoader.h"

#include "mainwindow/WindowContext.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "settings/SettingsStatements.h"

#include <QSignalBlocker>

namespace dc {

namespace {

// Selects an item without running the list's reaction; a number outside the
// list selects none.
void selectItem(QComboBox* box, int index)
{
    const QSignalBlocker block(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

void loadSettings(WindowContext& ctx, int lastRow, const std::function<void()>& cloudOn)
{
    MainWindowUi& ui = ctx.ui;
    QSqlQuery q = ctx.cnn.query(QLatin1String(kSettingsSelect) + QStringLiteral(" order by Id"));
    // Read every row first: the reactions below write to the same table.
    QList<std::pair<QString, QString>> rows;
    while (q.next()) rows.append({q.value(QStringLiteral("Id")).toString(), q.value(QStringLiteral("Valor")).toString()});
    q = QSqlQuery();

    for (const auto& [id, valor] : rows) {
        for (int row = 1; row <= lastRow; ++row) {
            if (id != QString::number(row)) continue;
            switch (row) {
            case RowServer: selectItem(ui.CmbServer, toWholeNumber(valor)); break;
            case RowBackupUser: ui.txtusuario->setText(valor); break;
            case RowBackupPassword: ui.txtpass->setText(valor); break;
            case RowBackupTime: {
                const QSignalBlocker block(ui.HR1);
                ui.HR1->setTime(toTimeOfDay(valor));
                break;
            }
            case RowBackupsOn: ui.ChkActivaRespaldos->setChecked(valor != QStringLiteral("0")); break;
            case RowSystem: selectItem(ui.CmbSistema, toWholeNumber(valor)); break;
            case RowCloudOn:
                if (valor == QStringLiteral("1")) {
                    ui.ChkNubeActivado->setChecked(true);
                    cloudOn();
                }
                break;
            case RowCloudServer: ui.TxtServidor->setText(valor); break;
            case RowCloudOutUser: ui.TxtUsuarioSaliente->setText(valor); break;
            case RowCloudOutPassword: ui.TxtPassSaliente->setText(valor); break;
            case RowCloudInUser: ui.TxtUsuarioEntrante->setText(valor); break;
            case RowCloudInPassword: ui.TxtPassEntrante->setText(valor); break;
            case RowCloudInterval: {
                const QStringList minutes = {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                                             QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("60")};
                const int index = minutes.indexOf(valor);
                if (index >= 0) selectItem(ui.CmbTiempo, index);
                break;
            }
            default: break;
            }
        }
    }
}

}  // namespace dc
