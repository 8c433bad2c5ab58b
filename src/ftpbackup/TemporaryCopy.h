#pragma once

#include "platform/Failure.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

namespace dc {

// The temporary copy could not be made; the text says why.
class CopyError : public Failure {
public:
    using Failure::Failure;
};

// The temporary copy of a backed-up file: the file's path with ".resp" added.
QString temporaryCopyPath(const QString& file);

struct CopyOutcome {
    qint64 size = 0;  // of the copy
    QString warning;  // set when a database could not be copied consistently and was copied byte for byte
};

// Copies `source` to `copy`, replacing an older copy first (an older copy, a
// link or anything left there by a run that was ended by force, is never left
// in place of a failed one): a run claims the path first (TemporaryCopies). The copy is created exclusively and readable by
// its owner only, whatever the umask.
//
// An SQLite database is copied with SQLite's online backup, in steps, through
// a read-only connection of its own that holds one read transaction: a byte
// copy of a database in WAL mode misses the transactions still in its -wal
// file. SQLite tells a database by its 16-byte header; asking SQLite, and not
// reading the file through a handle of our own, matters: closing any other
// handle on a database file that this process has open through SQLite drops
// SQLite's locks on it (POSIX). A database that SQLite cannot copy for a reason
// other than a lock (a damaged one) is copied byte for byte through SQLite's
// own handle, and the outcome carries a warning that says so. Other files are
// copied block by block, keeping holes. `cancelled` is asked between blocks
// and steps. Throws CopyError; a partial copy is removed.
CopyOutcome makeTemporaryCopy(const QString& source, const QString& copy, const std::function<bool()>& cancelled = {});

// makeTemporaryCopy for an SQLite database only, whose consistent copy must
// be whole before it is sent. For any other file nothing is copied (an older
// copy is removed all the same) and nullopt returned: a CopyingReader then
// writes the copy as the file is sent.
std::optional<CopyOutcome> makeDatabaseCopy(const QString& source, const QString& copy,
                                            const std::function<bool()>& cancelled = {});

// Removes a temporary copy (and any journal SQLite left beside it); true when none is left.
bool removeTemporaryCopy(const QString& copy);

// The temporary copies this program made and has not removed yet. A shop may
// keep a "ventas.dat.resp" of its own beside "ventas.dat": only a copy that is
// recorded here is ever replaced or removed, and a run ended by force (Windows
// ends a process at once) leaves its copy recorded for the next run to sweep.
// A copy is recorded before it is made and forgotten once it is gone, so the
// record holds every copy on disk. The record is a small owner-only file
// (one per edition, in its data-center folder), rewritten whole each time;
// with no file named it lives in memory only. One run at a time per record.
class TemporaryCopies {
public:
    explicit TemporaryCopies(const QString& recordFile = {}) : m_file(recordFile) {}

    // Records `copy` before it is made. Throws CopyError when a file that is
    // not one of ours is there (it is never replaced) or the record cannot be
    // written.
    void claim(const QString& copy);
    // Removes one of our copies (and its journal) and forgets it once it is
    // gone; a path that is not recorded is left alone. True when none of ours is left.
    bool release(const QString& copy);
    // Removes every recorded copy, forgetting those that are gone.
    void sweep();
    // The entries of `folder` without our copies still there (and their journals).
    QStringList withoutOurs(const QString& folder, const QStringList& entries) const;

private:
    QStringList recorded() const;
    void write(const QStringList& copies);

    QString m_file;
    QStringList m_memory;
};

// Where an edition's run records its temporary copies: beside its data-center database.
QString temporaryCopyRecordFile(const QString& dataCenterDb);

}  // namespace dc
