#include "settings/SettingsRows.h"

#include <QRegularExpression>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace dc {

namespace {
constexpr bool ascendingIds(std::span<const SettingsRowEntry> rows)
{
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i - 1].id >= rows[i].id) return false;
    return true;
}
}  // namespace

std::span<const SettingsRowEntry> settingsRows()
{
    using enum SettingsDatabase;
    using enum SettingType;
    using enum SettingWrite;
    // A new row is one line here (and its control).
    static constexpr SettingsRowEntry kRows[] = {
        {RowServer, DataCenter, "Servidor de respaldo (índice de la lista KOVA Server 1 a 23)", ListIndex, "0", Bound},
        {RowBackupUser, DataCenter, "Usuario de la cuenta de respaldo", Text, "", Bound},
        {RowBackupPassword, DataCenter, "Contraseña de la cuenta de respaldo", Text, "", Bound},
        {RowBackupTime, DataCenter, "Hora del respaldo diario (HH:MM)", TimeOfDay, "20:00", Bound},
        {RowBackupsOn, DataCenter, "Respaldos automáticos activados (1 sí, 0 no)", Switch, "0", QuotedSwitch},
        {RowSystem, DataCenter, "Sistema de punto de venta (0 PDV 4.0, 1 Refaccionaria 1.0, 2 PDV 3.0, 3 Ninguno)", ListIndex,
         "0", Bound},
        {RowCloudOn, DataCenter, "Nube KOVA activada (1 sí, 0 no)", Switch, "0", NumberSwitch},
        {RowCloudServer, DataCenter, "Servidor de la Nube KOVA", Text, "", Bound},
        {RowCloudOutUser, DataCenter, "Usuario saliente de la Nube KOVA", Text, "", Bound},
        {RowCloudOutPassword, DataCenter, "Contraseña saliente de la Nube KOVA", Text, "", Bound},
        {RowCloudInUser, DataCenter, "Usuario entrante de la Nube KOVA", Text, "", Bound},
        {RowCloudInPassword, DataCenter, "Contraseña entrante de la Nube KOVA", Text, "", Bound},
        {RowCloudInterval, DataCenter, "Tiempo de actualización de la Nube KOVA en minutos", WholeNumber, "10", Bound},
        {RowBackupTls, DataCenter,
         "Conexión segura (TLS) con el servicio de respaldo (0 no, 1 si el servidor la ofrece, 2 obligatoria)", ListIndex, "0",
         Bound},
        {RowCloudTls, DataCenter, "Conexión segura (TLS) con la Nube KOVA (0 no, 1 si el servidor la ofrece, 2 obligatoria)",
         ListIndex, "1", Bound},
        {RowSendSales, Company, "NubeVentasGenerales", Switch, "1", BranchBound},
        {RowBranchName, Company, "NubeSucursal", Text, "", Bound},
        {RowCatalogue, Company, "NubeCatalogoProductos", ListIndex, "0", BranchBound},  // 1 send, 2 download
        {RowSendStock, Company, "NubeExistencias", Switch, "0", BranchBound},
        {RowSendDetailedSales, Company, "NubeVentasDetalladas", Switch, "0", BranchBound},
    };
    static_assert(ascendingIds(kRows), "each row once, in ascending Id");
    return kRows;
}

QList<SettingsRowEntry> settingsRowsOf(SettingsDatabase database)
{
    QList<SettingsRowEntry> rows;
    for (const SettingsRowEntry& row : settingsRows())
        if (row.database == database) rows.append(row);
    return rows;
}

const SettingsRowEntry& settingsRow(int id)
{
    const std::span<const SettingsRowEntry> rows = settingsRows();
    const auto found = std::find_if(rows.begin(), rows.end(), [id](const SettingsRowEntry& r) { return r.id == id; });
    if (found == rows.end()) throw std::out_of_range("no settings row " + std::to_string(id));
    return *found;
}

int toWholeNumber(const QString& value)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok, 10);
    if (!ok) throw ConversionError(QStringLiteral("'%1' no es un valor entero válido").arg(value));
    return n;
}

QTime toTimeOfDay(const QString& value)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch m = re.match(value);
    const QTime t = m.hasMatch() ? QTime(m.captured(1).toInt(), m.captured(2).toInt(),
                                         m.captured(3).isEmpty() ? 0 : m.captured(3).toInt())
                                 : QTime();
    if (!t.isValid()) throw ConversionError(QStringLiteral("'%1' no es una hora válida").arg(value));
    return t;
}

bool toSwitch(const QString& value)
{
    if (value == QLatin1String("1")) return true;
    if (value == QLatin1String("0")) return false;
    throw ConversionError(QStringLiteral("'%1' no es 1 (sí) ni 0 (no)").arg(value));
}

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

void checkSettingValue(const SettingsRowEntry& row, const QString& value)
{
    switch (row.type) {
    case SettingType::Text: return;
    case SettingType::WholeNumber:
    case SettingType::ListIndex: toWholeNumber(value); return;
    case SettingType::TimeOfDay: toTimeOfDay(value); return;
    case SettingType::Switch: toSwitch(value); return;
    }
}

}  // namespace dc
