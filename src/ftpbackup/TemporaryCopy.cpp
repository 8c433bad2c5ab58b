#include "ftpbackup/TemporaryCopy.h"

#include "settings/Database.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <vector>

namespace dc {

namespace {

// The smallest SQLite database with any content is one 512-byte page.
constexpr qint64 kSmallestDatabase = 512;
constexpr qint64 kBlock = 256 * 1024;
// SQLITE_NOTADB: the file does not start with the SQLite header.
const QString kNotADatabase = QStringLiteral("26");

QAtomicInt g_copyConnections;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool allZero(const char* p, qint64 n)
{
    if (n <= 0) return true;
    if (n < 8) return std::all_of(p, p + n, [](char c) { return c == 0; });
    static const char zeros[8] = {};
    return std::memcmp(p, zeros, 8) == 0 && std::memcmp(p, p + 8, static_cast<size_t>(n - 8)) == 0;
}

// A read-only SQLite connection of its own on one file, for this thread only.
class ReadOnlyDatabase {
public:
    explicit ReadOnlyDatabase(const QString& path)
        : m_name(QStringLiteral("backup-copy#") + QString::number(g_copyConnections.fetchAndAddRelaxed(1)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?mode=ro"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        m_open = db.open();
        if (!m_open) m_error = sqlErrorText(db.lastError());
    }
    ~ReadOnlyDatabase()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isOpen() const { return m_open; }
    QString openError() const { return m_error; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_open = false;
    QString m_error;
};

// Copies a database through SQLite; false when the file is not a database.
bool copyIfDatabase(const QString& source, const QString& copy)
{
    ReadOnlyDatabase src(source);
    if (!src.isOpen())
        throw CopyError(QStringLiteral("No se pudo abrir ") + native(source) + QStringLiteral(": ") + src.openError());
    {
        QSqlQuery probe(src.db());
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            if (probe.lastError().nativeErrorCode() == kNotADatabase) return false;
            throw CopyError(QStringLiteral("No se pudo leer la base de datos ") + native(source) + QStringLiteral(": ")
                            + sqlErrorText(probe.lastError()));
        }
    }
    QSqlQuery vacuum(src.db());
    if (!vacuum.prepare(QStringLiteral("VACUUM INTO ?"))) {
        throw CopyError(QStringLiteral("No se pudo copiar la base de datos ") + native(source) + QStringLiteral(": ")
                        + sqlErrorText(vacuum.lastError()));
    }
    vacuum.addBindValue(QFileInfo(copy).absoluteFilePath());
    if (!vacuum.exec()) {
        const QString why = sqlErrorText(vacuum.lastError());
        QFile::remove(copy);
        throw CopyError(QStringLiteral("No se pudo copiar la base de datos ") + native(source) + QStringLiteral(": ") + why);
    }
    return true;
}

void copyBytes(const QString& source, const QString& copy, const std::function<bool()>& cancelled)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw CopyError(QStringLiteral("No se pudo leer ") + native(source) + QStringLiteral(": ") + in.errorString());
    QFile out(copy);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        throw CopyError(QStringLiteral("No se pudo crear la copia temporal ") + native(copy) + QStringLiteral(": ")
                        + out.errorString());
    const auto failed = [&](const QString& why) {
        out.close();
        QFile::remove(copy);
        throw CopyError(why);
    };
    std::vector<char> block(kBlock);
    qint64 total = 0;
    for (;;) {
        if (cancelled && cancelled()) failed(QStringLiteral("Copia cancelada"));
        const qint64 n = in.read(block.data(), kBlock);
        if (n < 0) failed(QStringLiteral("No se pudo leer ") + native(source) + QStringLiteral(": ") + in.errorString());
        if (n == 0) break;
        if (allZero(block.data(), n)) {
            // Leave a hole: sparse files stay sparse and cost no disk.
            if (!out.seek(total + n)) failed(QStringLiteral("No se pudo escribir ") + native(copy) + QStringLiteral(": ") + out.errorString());
        } else if (out.write(block.data(), n) != n) {
            failed(QStringLiteral("No se pudo escribir ") + native(copy) + QStringLiteral(": ") + out.errorString());
        }
        total += n;
    }
    if (out.size() != total && !out.resize(total))
        failed(QStringLiteral("No se pudo escribir ") + native(copy) + QStringLiteral(": ") + out.errorString());
    if (!out.flush()) failed(QStringLiteral("No se pudo escribir ") + native(copy) + QStringLiteral(": ") + out.errorString());
}

}  // namespace

QString temporaryCopyPath(const QString& file)
{
    return file + QStringLiteral(".resp");
}

bool removeTemporaryCopy(const QString& copy)
{
    QFile::remove(copy);
    const QFileInfo info(copy);
    return !info.exists() && !info.isSymLink();
}

qint64 makeTemporaryCopy(const QString& source, const QString& copy, const std::function<bool()>& cancelled)
{
    if (!removeTemporaryCopy(copy))
        throw CopyError(QStringLiteral("No se pudo reemplazar la copia temporal ") + native(copy));
    const QFileInfo info(source);
    if (!info.exists()) throw CopyError(QStringLiteral("No se encontró el archivo ") + native(source));
    if (!info.isFile()) throw CopyError(native(source) + QStringLiteral(" no es un archivo"));
    if (info.size() < kSmallestDatabase || !copyIfDatabase(source, copy)) copyBytes(source, copy, cancelled);
    const QFileInfo made(copy);
    if (!made.isFile()) throw CopyError(QStringLiteral("No se pudo crear la copia temporal ") + native(copy));
    return made.size();
}

}  // namespace dc
