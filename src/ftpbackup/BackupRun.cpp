#include "ftpbackup/BackupRun.h"

#include "ftpbackup/CopyingReader.h"
#include "ftpbackup/FtpClient.h"
#include "ftpbackup/Pacing.h"
#include "ftpbackup/TemporaryCopy.h"
#include "ftpbackup/VerifiedUpload.h"
#include "platform/Clock.h"
#include "platform/FolderListing.h"

#include <QDir>
#include <QFile>

#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace dc {

namespace {

const QString kBackingUp = QStringLiteral("Respaldando... Archivo: ");
const QString kFinished = QStringLiteral("Respaldo Terminado!");
const QString kAttemptError = QStringLiteral("ERROR, intento No.");
const QString kDescription = QStringLiteral(" Desc: ");
const QString kIdle = QStringLiteral("Sin Actividad");
const QString kWrongUser = QStringLiteral("Usuario Incorrecto!");
const QString kWrongPassword = QStringLiteral("Password Incorrecto!");
const QString kMsgCancelled = QStringLiteral("Respaldo Cancelado!");
const QString kBlankCredentials =
    QStringLiteral("Por favor captura tu usuario y contraseña para poder hacer tus respaldos");
const QString kUnsendableCredentials =
    QStringLiteral("Tu usuario o tu contraseña de respaldo contiene un salto de línea y no se puede enviar al servicio; "
                   "corrígelo para poder hacer tus respaldos");

// The service refused the log-in, the user folder or the password folder,
// or the connection could not be protected: the run stops.
struct CredentialsStop {
    QString text;
    CredentialsRefusal refusal = CredentialsRefusal::ShopFolders;
};

// The client's notices go to the run while it lasts.
class NoticeRoute {
public:
    NoticeRoute(FtpClient& client, RunReport& report, QStringList& notices) : m_client(client)
    {
        client.setNoticeHandler([&report, &notices](const QString& text) {
            report.status(text);
            if (!notices.contains(text)) notices << text;
        });
    }
    ~NoticeRoute() { m_client.setNoticeHandler({}); }
    NoticeRoute(const NoticeRoute&) = delete;
    NoticeRoute& operator=(const NoticeRoute&) = delete;

private:
    FtpClient& m_client;
};

// A name or path for the error line, its line breaks shown as \r and \n.
QString escaped(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString unsendableText(const QString& what, const QString& name)
{
    return QStringLiteral(" ERROR, no se respalda ") + escaped(what) + QStringLiteral(": el nombre \"") + escaped(name)
           + QStringLiteral("\" contiene un salto de línea y no se puede enviar al servidor");
}

// Removes the file's temporary copy however its attempts end.
class CopyCleanup {
public:
    CopyCleanup(TemporaryCopies& copies, const QString& path) : m_copies(copies), m_path(path) {}
    ~CopyCleanup() { m_copies.release(m_path); }

private:
    TemporaryCopies& m_copies;
    QString m_path;
};

// The size of the whole copy that a failed attempt's reader left, to be sent
// again; nullopt when the reader did not get to make it whole.
std::optional<qint64> wholeCopyLeft(CopyingReader* reader)
{
    if (!reader || !reader->isComplete()) return std::nullopt;
    try {
        return reader->finish();
    } catch (const CopyError&) {
        return std::nullopt;
    }
}

QString folderOf(const BackupRow& row)
{
    QString folder = row.ruta;
    if (!folder.endsWith(QDir::separator()) && !folder.endsWith(QLatin1Char('/'))) folder += QDir::separator();
    return folder;
}

}  // namespace

QString filesNotBackedUpText(qsizetype count)
{
    return QStringLiteral("No se respaldaron %1 archivo(s)").arg(count);
}

BackupRun::BackupRun(FtpClient& client, const Clock& clock, Pacing& pacing, const ServiceAddress& service,
                     RunReport& report, std::atomic_bool& cancelRequested)
    : m_client(client), m_clock(clock), m_pacing(pacing), m_service(service), m_report(report), m_cancel(cancelRequested)
{
}

QString BackupRun::clockText() const
{
    return m_clock.now().toString(QStringLiteral("HH:mm"));
}

QString BackupRun::dateFolderName() const
{
    return m_clock.now().toString(QStringLiteral("ddMMyyyy"));
}

BackupResult BackupRun::run(const RunInput& input)
{
    const QDateTime started = m_clock.now();
    QStringList notices;
    BackupResult result;
    {
        const NoticeRoute route(m_client, m_report, notices);
        result = runList(input);
    }
    result.notices = notices;
    result.started = started;
    result.ended = m_clock.now();
    return result;
}

void BackupRun::leaveOut(const QString& path, const QString& why)
{
    m_result.failedFiles << path;
    m_result.failureReasons << why;
}

BackupResult BackupRun::runList(const RunInput& input)
{
    m_input = &input;
    m_result = BackupResult();
    m_remoteDepth = 0;
    m_dateFolder = dateFolderName();
    // What an earlier run ended by force left behind.
    m_copies = TemporaryCopies(input.copyRecord);
    m_copies.sweep();
    if (isBlankCredential(input.user) || isBlankCredential(input.password)) {
        m_report.message(kBlankCredentials);
        m_result.outcome = BackupOutcome::BlankCredentials;
        return m_result;
    }
    if (!isSafeFtpArgument(input.user) || !isSafeFtpArgument(input.password)) {
        m_report.message(kUnsendableCredentials);
        m_result.outcome = BackupOutcome::CredentialsStop;
        m_result.stopText = kUnsendableCredentials;
        return m_result;
    }
    // The password folder's name is the shop's password: servers echo it.
    m_client.setSecrets({input.password});
    m_client.setSecurity(input.security);
    m_client.setPassive(false);
    for (const BackupRow& row : input.rows) {
        const bool goOn = row.tipo == 1 ? backUp(Item{row.ruta, row.nombre, &row, false}) : backUpFolderRow(row);
        if (!goOn) return m_result;
    }
    // The list is done: leave the service politely.
    m_client.close();
    m_report.status(clockText() + kFinished);
    if (!m_result.failedFiles.isEmpty())
        m_report.error(filesNotBackedUpText(m_result.failedFiles.size()));
    m_result.outcome = BackupOutcome::Completed;
    return m_result;
}

bool BackupRun::backUpFolderRow(const BackupRow& row)
{
    const QString folder = folderOf(row);
    QStringList entries;
    QString why;
    if (!listFolderFiles(folder, entries, &why)) {
        // Nothing of it can be sent: a failure like a file that used up its attempts.
        const QString text = QStringLiteral("no se pudo leer la carpeta ") + QDir::toNativeSeparators(folder)
                             + QStringLiteral(": ") + why;
        m_report.error(clockText() + QStringLiteral(" ERROR, ") + text);
        leaveOut(folder, text);
        return true;
    }
    entries = m_copies.withoutOurs(folder, entries);
    if (row.tipo == 2 && !isSafeFtpArgument(row.nombre)) {
        const QString text = unsendableText(QStringLiteral("la carpeta ") + row.ruta, row.nombre);
        m_report.error(clockText() + text);
        for (const QString& entry : std::as_const(entries)) leaveOut(folder + entry, text.trimmed());
        return true;
    }
    for (const QString& entry : entries) {
        if (!backUp(Item{folder + entry, entry, &row, true})) return false;
    }
    return true;
}

bool BackupRun::checkNames(const Item& item)
{
    if (isSafeFtpArgument(item.remoteName)) return true;
    const QString text = unsendableText(item.localPath, item.remoteName);
    m_report.error(clockText() + text);
    leaveOut(item.localPath, text.trimmed());
    return false;
}

bool BackupRun::backUp(const Item& item)
{
    // Refused before any connection: five attempts could not change it.
    if (!checkNames(item)) return true;
    const QString copy = temporaryCopyPath(item.localPath);
    CopyCleanup cleanup(m_copies, copy);
    // The size of the whole copy an earlier attempt made: the later ones send it.
    std::optional<qint64> whole;
    int attempts = 0;
    bool done = false;
    bool warned = false;
    QString lastError;
    while (attempts < kAttempts && !done) {
        if (m_cancel) {
            cancelStop(item.folderEntry);
            return false;
        }
        std::unique_ptr<CopyingReader> reader;
        try {
            m_report.status(kBackingUp + item.localPath);
            const auto cancelled = [this] { return m_cancel.load(); };
            if (!whole) {
                m_copies.claim(copy);
                // A database is copied whole first; any other file is copied as it is sent.
                if (const std::optional<CopyOutcome> made = makeDatabaseCopy(item.localPath, copy, cancelled)) {
                    // A damaged database still goes, as it is; once per file is enough said.
                    if (!made->warning.isEmpty() && !std::exchange(warned, true)) m_report.error(made->warning);
                    whole = made->size;
                } else {
                    reader = std::make_unique<CopyingReader>(item.localPath, copy, cancelled);
                    reader->start();
                }
            }
            const qint64 size = whole ? *whole : reader->fileSize();
            if (item.folderEntry) m_pacing.wait(kCopyWait);
            if (!m_client.isOpen()) {
                try {
                    m_client.open(m_service.host, m_service.port, m_input->account.user, m_input->account.password);
                } catch (const FtpSecurityRefused& e) {
                    // Nothing of the account was sent; no later try would be safer.
                    throw CredentialsStop{e.text(), CredentialsRefusal::Security};
                } catch (const FtpLoginRefused& e) {
                    // Every later log-in would be refused too, and servers ban
                    // an address that keeps trying.
                    throw CredentialsStop{e.text(), CredentialsRefusal::Account};
                }
            }
            if (!m_client.isOpen()) {
                ++attempts;
                lastError = QStringLiteral("no se pudo abrir la conexión con el servicio");
                const QString n = kAttemptError + QString::number(attempts);
                m_report.error(item.folderEntry ? n : clockText() + n);
                m_pacing.wait(kStepWait);
                continue;
            }
            m_result.connected = true;
            const qint64 sent = uploadPhase(item, copy, reader.get(), size);
            done = true;
            m_result.uploadedFiles << item.localPath;
            m_result.bytesSent += sent;
        } catch (const CredentialsStop& stop) {
            reader.reset();
            m_copies.release(copy);
            m_report.message(stop.text);
            m_client.close();
            m_result.outcome = BackupOutcome::CredentialsStop;
            m_result.refusal = stop.refusal;
            m_result.stopText = stop.text;
            return false;
        } catch (const FtpCannotReplace& e) {
            // The server refuses what any later attempt would ask again: one
            // upload, not five.
            reader.reset();
            m_copies.release(copy);
            lastError = e.text();
            m_report.error(clockText() + QLatin1Char(' ') + kAttemptError + QString::number(++attempts) + kDescription
                           + lastError);
            break;
        } catch (const std::exception& e) {
            // The next connection starts in its log-in folder.
            m_client.close();
            m_remoteDepth = 0;
            ++attempts;
            lastError = errorText(e);
            m_report.error(clockText() + QLatin1Char(' ') + kAttemptError + QString::number(attempts) + kDescription
                           + lastError);
            // A whole copy is sent again; one that is not is made anew.
            if (!whole) whole = wholeCopyLeft(reader.get());
            reader.reset();
            if (!whole) m_copies.release(copy);
            m_pacing.wait(kStepWait);
        }
    }
    if (!done) leaveOut(item.localPath, lastError);
    return true;
}

qint64 BackupRun::uploadPhase(const Item& item, const QString& copy, CopyingReader* reader, qint64 size)
{
    // Back to the log-in folder; a new connection starts there too, and a
    // failed CDUP makes an attempt error, which resets the depth.
    for (int i = 0; i < m_remoteDepth; ++i) {
        m_client.leaveFolder();
        m_pacing.wait(kStepWait);
    }
    m_remoteDepth = 0;
    m_progressTotal = size;
    m_report.progress(0, size);
    m_client.setBinary();
    enterCredentialFolder(m_input->user, kWrongUser);
    enterCredentialFolder(m_input->password, kWrongPassword);
    if (item.folderEntry) m_dateFolder = dateFolderName();
    enterOrMake(m_dateFolder, true);
    if (item.folderEntry && item.row->tipo == 2) enterOrMake(item.row->nombre, false);

    const auto progress = [&](qint64 n) { m_report.progress(n, size); };
    if (reader) {
        try {
            uploadVerified(m_client, *reader, size, item.remoteName, progress);
        } catch (const FtpError&) {
            // The file could not be read or its copy written: that is what went wrong.
            if (!reader->failure().isEmpty()) throw CopyError(reader->failure());
            throw;
        }
        // Checked against what was read: the copy holds what was sent.
        return reader->finish();
    }
    QFile source(copy);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CopyError(QStringLiteral("No se pudo leer ") + QDir::toNativeSeparators(copy) + QStringLiteral(": ")
                        + source.errorString());
    uploadVerified(m_client, source, size, item.remoteName, progress);
    return size;
}

void BackupRun::enterCredentialFolder(const QString& name, const QString& stopText)
{
    try {
        m_client.enterFolder(name);
    } catch (const FtpError& e) {
        // Only the server's refusal says the folder is wrong; a lost
        // connection or a time-out is an attempt error like any other.
        if (e.replyCode() / 100 == 5) throw CredentialsStop{stopText};
        throw;
    }
    ++m_remoteDepth;
    m_pacing.wait(kStepWait);
}

void BackupRun::enterOrMake(const QString& name, bool waitAfterMaking)
{
    try {
        m_client.enterFolder(name);
    } catch (const FtpError& e) {
        if (!e.isNegativeReply()) throw;
        m_client.makeFolder(name);
        if (waitAfterMaking) m_pacing.wait(kStepWait);
        m_client.enterFolder(name);
    }
    ++m_remoteDepth;
    m_pacing.wait(kStepWait);
}

void BackupRun::cancelStop(bool folderVariant)
{
    if (!folderVariant) m_client.abort();
    m_client.close();
    if (folderVariant) m_report.message(kMsgCancelled);
    m_cancel = false;
    m_report.status(kIdle);
    m_report.progress(0, m_progressTotal);
    m_result.outcome = BackupOutcome::Cancelled;
}

RunRecord runRecordOf(const BackupResult& result, const QString& service)
{
    RunRecord r;
    r.start = result.started;
    r.end = result.ended;
    r.files = static_cast<int>(result.uploadedFiles.size());
    r.bytes = result.bytesSent;
    r.service = service;
    for (qsizetype i = 0; i < result.failedFiles.size(); ++i)
        r.failures.append({result.failedFiles[i], result.failureReasons.value(i)});
    switch (result.outcome) {
    case BackupOutcome::Completed:
        if (result.failedFiles.isEmpty()) {
            r.outcome = kOutcomeComplete;
        } else if (!result.connected && result.uploadedFiles.isEmpty()) {
            r.outcome = kOutcomeNoConnection;
            r.detail = result.failureReasons.value(0);
        } else {
            r.outcome = kOutcomeFilesLeftOut;
            r.detail = filesNotBackedUpText(result.failedFiles.size());
        }
        break;
    case BackupOutcome::Cancelled: r.outcome = kOutcomeCancelled; break;
    case BackupOutcome::CredentialsStop:
        r.outcome = result.refusal == CredentialsRefusal::Security ? kOutcomeSecurity : kOutcomeCredentials;
        r.detail = result.stopText;
        break;
    case BackupOutcome::BlankCredentials:
        r.outcome = kOutcomeCredentials;
        r.detail = QStringLiteral("Falta el usuario o la contraseña del respaldo");
        break;
    case BackupOutcome::Failed:
        r.outcome = kOutcomeFilesLeftOut;
        r.detail = result.stopText;
        break;
    }
    // What the client told on the way (passive mode, a connection in clear)
    // follows; the history cuts the whole to its column.
    if (!result.notices.isEmpty()) {
        const QString notices = result.notices.join(QStringLiteral("; "));
        r.detail = r.detail.isEmpty() ? notices : r.detail + QStringLiteral("; ") + notices;
    }
    return r;
}

}  // namespace dc
