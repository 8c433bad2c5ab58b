// Plain files on Windows: names are UTF-16, and what QFileInfo tells apart as
// a link (a symbolic link, a shortcut, a junction) is never opened.
#include "platform/PlainFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace dc {

namespace {

FileStamp stampOf(const QFileInfo& info)
{
    return FileStamp{info.size(), info.lastModified().toMSecsSinceEpoch() * 1'000'000, 0, 0};
}

EntryKind kindOf(const QFileInfo& info)
{
    if (info.isSymLink() || info.isJunction()) return EntryKind::Link;
    if (info.isDir()) return EntryKind::Folder;
    if (info.isFile()) return EntryKind::Plain;
    return EntryKind::Special;
}

}  // namespace

std::optional<std::vector<FolderEntry>> readFolder(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists()) return std::nullopt;
    std::vector<FolderEntry> entries;
    const QFileInfoList infos =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& info : infos) {
        FolderEntry entry;
        entry.name = info.fileName();
        entry.validName = entry.name.isValidUtf16();
        entry.hidden = info.isHidden();
        entry.kind = kindOf(info);
        if (entry.kind == EntryKind::Plain) entry.stamp = stampOf(info);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<FileStamp> plainFileStamp(const QString& path)
{
    const QFileInfo info(path);
    if (kindOf(info) != EntryKind::Plain) return std::nullopt;
    return stampOf(info);
}

bool openPlainFile(const QString& path, QFile& file, FileStamp& stamp, QString& why)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        why = QStringLiteral("no existe");
        return false;
    }
    if (kindOf(info) != EntryKind::Plain) {
        why = kindOf(info) == EntryKind::Link ? QStringLiteral("es un enlace simbólico") : QStringLiteral("no es un archivo ordinario");
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        why = file.errorString();
        return false;
    }
    stamp = stampOf(info);
    return true;
}

}  // namespace dc
