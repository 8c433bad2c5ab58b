// Plain files on POSIX: names are bytes (read with readdir, told apart as
// UTF-8 or not), entries are looked at with lstat, and files are opened with
// O_NOFOLLOW | O_NONBLOCK and confirmed with fstat on the open descriptor.
#include "platform/PlainFile.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dc {

namespace {

FileStamp stampOf(const struct stat& st)
{
    return FileStamp{static_cast<qint64>(st.st_size),
                     static_cast<qint64>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                     static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

EntryKind kindOf(mode_t mode)
{
    if (S_ISREG(mode)) return EntryKind::Plain;
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Special;
}

// The name as text; bytes that are not UTF-8 (and control bytes) as \xNN.
QString nameOf(const QByteArray& raw, bool& valid)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8(raw);
    valid = !utf8.hasError();
    if (valid) return name;
    name.clear();
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f)
            name += QLatin1Char(c);
        else
            name += QStringLiteral("\\x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return name;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

std::optional<std::vector<FolderEntry>> readFolder(const QString& folder)
{
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return std::nullopt;
    const int dirFd = ::dirfd(dir);
    std::vector<FolderEntry> entries;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray raw(e->d_name);
        if (raw == "." || raw == "..") continue;
        struct stat st {};
        if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
        FolderEntry entry;
        entry.name = nameOf(raw, entry.validName);
        entry.hidden = raw.startsWith('.');
        entry.kind = kindOf(st.st_mode);
        if (entry.kind == EntryKind::Plain) entry.stamp = stampOf(st);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

std::optional<FileStamp> plainFileStamp(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return stampOf(st);
}

bool openPlainFile(const QString& path, QFile& file, FileStamp& stamp, QString& why)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = errno == ELOOP ? QStringLiteral("es un enlace simbólico") : systemError(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = QStringLiteral("no es un archivo ordinario");
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        why = systemError(errno);
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        why = file.errorString();
        ::close(fd);
        return false;
    }
    stamp = stampOf(st);
    return true;
}

}  // namespace dc
