#include "ftpbackup/BackupJob.h"

#include "backup/BackupListStore.h"
#include "backup/RunHistory.h"
#include "ftpbackup/FtpClientFactory.h"
#include "ftpbackup/TemporaryCopy.h"
#include "platform/Failure.h"
#include "platform/InstallRoot.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"

#include <QSqlQuery>

namespace dc {

BackupEngine::Parts BackupJob::engineParts(const InstallRoot& root, int edition,
                                           const std::optional<ServiceAddress>& service)
{
    BackupEngine::Parts parts;
    parts.service = service.value_or(defaultBackupService());
    FtpClientOptions ftp;
    ftp.serverMemoryFile = root.ftpServerMemoryFile(edition);
    parts.client = makeFtpClient(ftp);
    return parts;
}

BackupJob::BackupJob(Connection& dataCenter, BackupEngine::Parts parts)
    : m_dataCenter(dataCenter), m_engine(std::make_unique<BackupEngine>(std::move(parts)))
{
}

BackupJob::~BackupJob() = default;

BackupRequest BackupJob::request()
{
    BackupRequest request;
    request.rows = BackupListStore(m_dataCenter).rows();
    request.security = storedFtpSecurity(m_dataCenter, RowBackupTls);
    request.copyRecord = temporaryCopyRecordFile(m_dataCenter.filePath());
    return request;
}

BackupRequest BackupJob::requestWithStoredLogin()
{
    BackupRequest request = this->request();
    QSqlQuery q = m_dataCenter.query(QStringLiteral("select Id, Valor from tbl_app_configuracion where Id between 1 and 5"));
    while (q.next()) {
        const int id = q.value(0).toInt();
        const QString value = q.value(1).toString();
        if (id == RowServer) {
            bool ok = false;
            request.serverIndex = value.trimmed().toInt(&ok);
            if (!ok)
                throw DbError(QStringLiteral("el servidor de respaldo guardado (\"") + value
                              + QStringLiteral("\") no es un número"));
        } else if (id == RowBackupUser) {
            request.user = value;
        } else if (id == RowBackupPassword) {
            request.password = value;
        }
    }
    return request;
}

QString BackupJob::record(const BackupResult& result)
{
    try {
        RunHistory(m_dataCenter).record(runRecordOf(result, m_engine->service().toString()));
        return {};
    } catch (const std::exception& e) {
        return kMsgHistoryNotWritten + errorText(e);
    }
}

}  // namespace dc
