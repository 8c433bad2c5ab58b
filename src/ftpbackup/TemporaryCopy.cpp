#include "ftpbackup/TemporaryCopy.h"

#include "ftpbackup/CopyingReader.h"
#include "settings/SqlDialect.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace dc {

namespace {

// The smallest SQLite database with any content is one 512-byte page.
constexpr qint64 kSmallestDatabase = 512;
constexpr qint64 kBlock = 256 * 1024;
// Pages per step of a database copy: a few MiB at most, so that a cancel is
// seen within a fraction of a second.
constexpr int kPagesPerStep = 256;
// A database locked by a writer is waited for as long as kBusyPolicy says,
// in slices short enough to see a cancel at once.
constexpr int kLockSliceMs = 20;
const QString kJournal = QStringLiteral("-journal");
// The first field of the record file.
constexpr quint32 kRecordMagic = 0x4b435254;  // "KCRT"

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool isCancelled(const std::function<bool()>& cancelled)
{
    return cancelled && cancelled();
}

// Gives the next block of the source into `into`: the bytes read, 0 at the
// end. Throws CopyError.
using ReadBlock = std::function<qint64(char* into, qint64 max)>;

void copyBytes(const ReadBlock& read, const QString& copy, const std::function<bool()>& cancelled)
{
    QString why;
    {
        CopyWriter out(copy);
        try {
            std::vector<char> block(kBlock);
            for (;;) {
                if (isCancelled(cancelled)) throw CopyError(kOperationCancelled);
                const qint64 n = read(block.data(), kBlock);
                if (n == 0) break;
                out.write(block.data(), n);
            }
            out.finish();
            return;
        } catch (const CopyError& e) {
            why = e.text();
        }
    }
    // Closed first: Windows removes no open file.
    removeTemporaryCopy(copy);
    throw CopyError(why);
}

bool isLock(int code)
{
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

// One SQLite connection of its own, for this thread only. It goes through the
// same SQLite library as Qt's driver, so SQLite keeps sharing its locks on a
// file with the process's other connections.
class SqliteConnection {
public:
    SqliteConnection(const QString& path, int flags)
    {
        // SQLite takes UTF-8 names on every platform.
        m_code = sqlite3_open_v2(QFileInfo(path).absoluteFilePath().toUtf8().constData(), &m_db, flags, nullptr);
    }
    ~SqliteConnection() { sqlite3_close_v2(m_db); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    sqlite3* db() const { return m_db; }
    bool isOpen() const { return m_code == SQLITE_OK; }
    QString error() const { return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(m_code)); }
    // Runs a statement, its rows ignored; the result code.
    int exec(const char* sql) { return m_code = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }
    int code() const { return m_code; }

private:
    sqlite3* m_db = nullptr;
    int m_code = SQLITE_OK;
};

// SQLite's own handle on the open database file: reading through it leaves
// SQLite's locks alone.
class SqliteFileReader {
public:
    SqliteFileReader(SqliteConnection& c, const QString& path) : m_path(path)
    {
        if (sqlite3_file_control(c.db(), "main", SQLITE_FCNTL_FILE_POINTER, &m_file) != SQLITE_OK || !m_file
            || !m_file->pMethods || m_file->pMethods->xFileSize(m_file, &m_size) != SQLITE_OK)
            throw CopyError(QStringLiteral("No se pudo leer ") + native(path));
    }
    bool startsWith(const char* text, int n)
    {
        std::vector<char> head(static_cast<size_t>(n));
        return m_size >= n && m_file->pMethods->xRead(m_file, head.data(), n, 0) == SQLITE_OK
               && std::memcmp(head.data(), text, static_cast<size_t>(n)) == 0;
    }
    qint64 read(char* into, qint64 max)
    {
        const qint64 n = std::min<qint64>(max, m_size - m_offset);
        if (n <= 0) return 0;
        if (m_file->pMethods->xRead(m_file, into, static_cast<int>(n), m_offset) != SQLITE_OK)
            throw CopyError(QStringLiteral("No se pudo leer ") + native(m_path));
        m_offset += n;
        return n;
    }

private:
    QString m_path;
    sqlite3_file* m_file = nullptr;
    sqlite3_int64 m_size = 0;
    sqlite3_int64 m_offset = 0;
};

// Waits for a writer's lock in short slices, giving up on a cancel.
int onBusy(void* cancelled, int count)
{
    if (isCancelled(*static_cast<const std::function<bool()>*>(cancelled)) || count * kLockSliceMs >= kBusyPolicy.waitMs)
        return 0;
    sqlite3_sleep(kLockSliceMs);
    return 1;
}

// Copies the open source database into `copy` with the online backup, in
// steps. The result code of the step that ended it (SQLITE_DONE when whole);
// `cancelled` stops it with SQLITE_INTERRUPT. Nothing is left of a copy that
// is not whole.
int backUpDatabase(SqliteConnection& src, const QString& copy, const std::function<bool()>& cancelled, QString* why)
{
    {
        // Owner-only from the start: SQLite writes into the file made here.
        const CopyWriter made(copy);
    }
    int code = SQLITE_OK;
    {
        SqliteConnection dest(copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW);
        // A temporary copy needs no journal: a copy that is not whole is removed.
        if (dest.isOpen() && dest.exec("PRAGMA journal_mode=OFF") == SQLITE_OK && dest.exec("PRAGMA synchronous=OFF") == SQLITE_OK) {
            if (sqlite3_backup* backup = sqlite3_backup_init(dest.db(), "main", src.db(), "main")) {
                do {
                    code = isCancelled(cancelled) ? SQLITE_INTERRUPT : sqlite3_backup_step(backup, kPagesPerStep);
                } while (code == SQLITE_OK);
                sqlite3_backup_finish(backup);
                if (code != SQLITE_DONE && code != SQLITE_INTERRUPT) *why = QString::fromUtf8(sqlite3_errstr(code));
            } else {
                code = sqlite3_errcode(dest.db());
                *why = dest.error();
            }
        } else {
            code = dest.code();
            *why = dest.error();
        }
    }
    if (code != SQLITE_DONE) removeTemporaryCopy(copy);
    return code;
}

// Copies an SQLite database consistently; false when the file is not one.
// A database that cannot be copied that way for a reason other than a lock
// is copied byte for byte, and `warning` says so.
bool copyIfDatabase(const QString& source, const QString& copy, const std::function<bool()>& cancelled, QString* warning)
{
    SqliteConnection src(source, SQLITE_OPEN_READONLY);
    if (!src.isOpen())
        throw CopyError(QStringLiteral("No se pudo abrir ") + native(source) + QStringLiteral(": ") + src.error());
    sqlite3_busy_handler(src.db(), onBusy, const_cast<void*>(static_cast<const void*>(&cancelled)));
    // One read transaction for the whole copy: the steps see one state of
    // the database however the shop's programs write meanwhile.
    QString why;
    int code = src.exec("BEGIN");
    if (code == SQLITE_OK) code = src.exec("SELECT count(*) FROM sqlite_master");
    if (code != SQLITE_OK) {
        why = src.error();
    } else {
        code = backUpDatabase(src, copy, cancelled, &why);
        if (code == SQLITE_DONE) return true;
    }
    if (code == SQLITE_INTERRUPT || isCancelled(cancelled)) throw CopyError(kOperationCancelled);
    if (isLock(code))
        throw CopyError(QStringLiteral("No se pudo copiar la base de datos ") + native(source) + QStringLiteral(": ") + why);

    SqliteFileReader reader(src, source);
    const bool looksLikeDatabase = reader.startsWith("SQLite format 3", 16);
    if ((code & 0xff) == SQLITE_NOTADB && !looksLikeDatabase) return false;
    copyBytes([&](char* into, qint64 max) { return reader.read(into, max); }, copy, cancelled);
    const bool damaged = (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
    *warning = QStringLiteral("Advertencia: la base de datos %1 %2 (%3); se respalda tal como está")
                   .arg(native(source),
                        damaged ? QStringLiteral("está dañada") : QStringLiteral("no se pudo copiar de forma consistente"),
                        why);
    return true;
}

}  // namespace

QString temporaryCopyPath(const QString& file)
{
    return file + QStringLiteral(".resp");
}

bool removeTemporaryCopy(const QString& copy)
{
    bool gone = true;
    for (const QString& path : {copy, copy + kJournal}) {
        QFile::remove(path);
        const QFileInfo info(path);
        gone = gone && !info.exists() && !info.isSymLink();
    }
    return gone;
}

QString temporaryCopyRecordFile(const QString& dataCenterDb)
{
    return QFileInfo(dataCenterDb).dir().filePath(QStringLiteral("copias_temporales_respaldo.dat"));
}

QStringList TemporaryCopies::recorded() const
{
    if (m_file.isEmpty()) return m_memory;
    // A missing or unreadable record holds nothing: nothing is removed on its word.
    QFile f(m_file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QDataStream in(&f);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    QStringList copies;
    in >> magic >> copies;
    if (in.status() != QDataStream::Ok || magic != kRecordMagic) return {};
    // Only ever a temporary copy's name, whatever the file says.
    const QString suffix = temporaryCopyPath(QString());
    copies.removeIf([&](const QString& copy) { return !copy.endsWith(suffix) || copy.size() == suffix.size(); });
    return copies;
}

void TemporaryCopies::write(const QStringList& copies)
{
    if (m_file.isEmpty()) {
        m_memory = copies;
        return;
    }
    // Written whole beside it and put in its place: a run ended in the
    // middle leaves the previous record.
    QSaveFile f(m_file);
    bool ok = f.open(QIODevice::WriteOnly) && f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (ok) {
        // The paths as UTF-16 whatever they hold: line breaks, unpaired surrogates.
        QDataStream out(&f);
        out.setVersion(QDataStream::Qt_6_0);
        out << kRecordMagic << copies;
        ok = out.status() == QDataStream::Ok && f.commit();
    }
    if (!ok)
        throw CopyError(QStringLiteral("No se pudo anotar las copias temporales en ") + native(m_file) + QStringLiteral(": ")
                        + f.errorString());
}

void TemporaryCopies::claim(const QString& copy)
{
    QStringList copies = recorded();
    if (copies.contains(copy)) return;
    for (const QString& path : {copy, copy + kJournal}) {
        const QFileInfo there(path);
        if (there.exists() || there.isSymLink())
            throw CopyError(QStringLiteral("Ya existe %1, un archivo que no hizo este programa; no se reemplaza. "
                                           "Cámbiale el nombre para respaldar este archivo")
                                .arg(native(path)));
    }
    copies << copy;
    write(copies);
}

bool TemporaryCopies::release(const QString& copy)
{
    QStringList copies = recorded();
    if (!copies.contains(copy)) return true;
    if (!removeTemporaryCopy(copy)) return false;
    copies.removeAll(copy);
    try {
        write(copies);
    } catch (const CopyError&) {
        // Still recorded: the next run's sweep finds nothing there to remove.
    }
    return true;
}

void TemporaryCopies::sweep()
{
    const QStringList copies = recorded();
    QStringList left;
    for (const QString& copy : copies)
        if (!removeTemporaryCopy(copy)) left << copy;
    if (left == copies) return;
    try {
        write(left);
    } catch (const CopyError&) {
        // Tried again at the next sweep.
    }
}

QStringList TemporaryCopies::withoutOurs(const QString& folder, const QStringList& entries) const
{
    const QStringList list = recorded();
    const QSet<QString> ours(list.begin(), list.end());
    QStringList kept;
    for (const QString& e : entries) {
        const QString path = folder + e;
        if (ours.contains(path) || (path.endsWith(kJournal) && ours.contains(path.chopped(kJournal.size())))) continue;
        kept << e;
    }
    return kept;
}

CopyOutcome makeTemporaryCopy(const QString& source, const QString& copy, const std::function<bool()>& cancelled)
{
    if (std::optional<CopyOutcome> made = makeDatabaseCopy(source, copy, cancelled)) return *made;
    CopyingReader reader(source, copy, cancelled);
    reader.start();
    std::vector<char> block(kBlock);
    while (reader.read(block.data(), kBlock) > 0) {
    }
    return CopyOutcome{reader.finish(), {}};
}

std::optional<CopyOutcome> makeDatabaseCopy(const QString& source, const QString& copy, const std::function<bool()>& cancelled)
{
    if (!removeTemporaryCopy(copy))
        throw CopyError(QStringLiteral("No se pudo reemplazar la copia temporal ") + native(copy));
    const QFileInfo info(source);
    if (!info.exists()) throw CopyError(QStringLiteral("No se encontró el archivo ") + native(source));
    if (!info.isFile()) throw CopyError(native(source) + QStringLiteral(" no es un archivo"));
    CopyOutcome outcome;
    if (info.size() < kSmallestDatabase || !copyIfDatabase(source, copy, cancelled, &outcome.warning)) return std::nullopt;
    const QFileInfo made(copy);
    if (!made.isFile()) throw CopyError(QStringLiteral("No se pudo crear la copia temporal ") + native(copy));
    outcome.size = made.size();
    return outcome;
}

}  // namespace dc
