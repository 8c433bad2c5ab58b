#include "window/SettingsLoader.h"

#include "widgets/Panel.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "settings/SettingsStatements.h"


namespace dc {

void loadSettings(Connection& cnn, int lastRow, const QList<Panel*>& panels)
{
    QSqlQuery q = cnn.query(QLatin1String(kSettingsSelect) + QStringLiteral(" order by Id"));
    // Read every row first: the reactions below write to the same table.
    QList<std::pair<QString, QString>> rows;
    while (q.next()) rows.append({q.value(QStringLiteral("Id")).toString(), q.value(QStringLiteral("Valor")).toString()});
    q = QSqlQuery();

    for (const auto& [id, valor] : rows) {
        for (int row = 1; row <= lastRow; ++row) {
            if (id != QString::number(row)) continue;
            for (Panel* panel : panels)
                if (panel->settingsRows().contains(row)) panel->loadSetting(row, valor);
        }
    }
}

}  // namespace dc
