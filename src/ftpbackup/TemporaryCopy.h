#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

namespace dc {

// The temporary copy could not be made; the text says why.
class CopyError : public std::runtime_error {
public:
    explicit CopyError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// The temporary copy of a backed-up file: the file's path with ".resp" added.
QString temporaryCopyPath(const QString& file);

// Copies `source` to `copy`, replacing an older copy first (an older copy is
// never left in place of a failed one), and returns the copy's size.
//
// An SQLite database is copied with VACUUM INTO through its own read-only
// SQLite connection: a byte copy of a database in WAL mode misses the
// transactions still in its -wal file. SQLite tells a database by its 16-byte
// header; asking SQLite, and not reading the header through a file handle of
// our own, matters: closing any other handle on a database file that this
// process has open through SQLite drops SQLite's locks on it (POSIX). Other
// files are copied block by block, keeping holes, and `cancelled` is asked
// between blocks. Throws CopyError; a partial copy is removed.
qint64 makeTemporaryCopy(const QString& source, const QString& copy, const std::function<bool()>& cancelled = {});

// Removes a temporary copy; true when none is left.
bool removeTemporaryCopy(const QString& copy);

}  // namespace dc
