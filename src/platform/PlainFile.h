#pragma once

#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace dc {

// Files taken from a folder that others can write into: what an entry is,
// seen without following links, and opening one only when it is an ordinary
// file (never what a link points at, never blocking on a FIFO or a device).

enum class EntryKind {
    Plain,    // an ordinary file
    Folder,
    Link,     // a symbolic link (or a junction), whatever it points at
    Special,  // a FIFO, a device, a socket
};

// What a file was at one moment: equal stamps mean that it was neither
// changed nor replaced by another file in between.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;  // since the epoch
    quint64 device = 0;     // with `inode`, which file it is; 0 where the system gives none
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
    qint64 modifiedMs() const { return modifiedNs / 1'000'000; }
};

struct FolderEntry {
    QString name;            // as read; when it is not a valid name, its odd bytes are shown as \xNN
    bool validName = true;   // the name can be told to others (UTF-8 where names are bytes)
    bool hidden = false;     // a leading dot (POSIX), the hidden or system attribute (Windows)
    EntryKind kind = EntryKind::Plain;
    FileStamp stamp;         // ordinary files only
};

// Every entry of `folder` but "." and "..", as the folder lists them (no
// order), each one looked at without following links. Nothing when the
// folder cannot be read.
std::optional<std::vector<FolderEntry>> readFolder(const QString& folder);

// The stamp of the ordinary file at `path`, not following a link; nothing
// when there is no ordinary file there.
std::optional<FileStamp> plainFileStamp(const QString& path);

// Opens `path` for reading, unbuffered, only when it is an ordinary file
// itself: not through a link, without blocking on a FIFO or a device. `stamp`
// gets what the open file is. False with the reason (Spanish) in `why`.
bool openPlainFile(const QString& path, QFile& file, FileStamp& stamp, QString& why);

}  // namespace dc
