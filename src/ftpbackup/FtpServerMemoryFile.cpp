#include "ftpbackup/FtpServerMemoryFile.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <QSaveFile>
#include <QThread>

#include <array>
#include <optional>

namespace dc {

namespace {

using Mode = FtpServerFacts::DataMode;

const std::array<QPair<Mode, QLatin1String>, 4> kModeNames{{
    {Mode::Unknown, QLatin1String("unknown")},
    {Mode::Active, QLatin1String("active")},
    {Mode::Epsv, QLatin1String("epsv")},
    {Mode::Pasv, QLatin1String("pasv")},
}};
const QLatin1String kTls("tls");
const QLatin1String kNoTls("no-tls");

using Entry = QPair<QString, FtpServerFacts>;  // "host:port" and its facts

// "host:port" in lower case; empty for a host that cannot go into a line.
QString keyOf(const QString& host, quint16 port)
{
    if (host.isEmpty() || port == 0) return {};
    for (const QChar c : host)
        if (c.isSpace() || c.unicode() < 0x20) return {};
    return host.toLower() + QLatin1Char(':') + QString::number(port);
}

std::optional<Entry> parseLine(const QString& line)
{
    const QStringList fields = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() != 3) return std::nullopt;
    const qsizetype colon = fields[0].lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return std::nullopt;
    bool ok = false;
    const uint port = fields[0].mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) return std::nullopt;
    const QString key = keyOf(fields[0].left(colon), static_cast<quint16>(port));
    if (key.isEmpty()) return std::nullopt;
    FtpServerFacts facts;
    bool known = false;
    for (const auto& [mode, name] : kModeNames) {
        if (fields[1] == name) {
            facts.mode = mode;
            known = true;
        }
    }
    if (!known) return std::nullopt;
    if (fields[2] == kTls)
        facts.offeredTls = true;
    else if (fields[2] != kNoTls)
        return std::nullopt;
    return Entry{key, facts};
}

QString lineOf(const Entry& e)
{
    QLatin1String mode = kModeNames[0].second;
    for (const auto& [m, name] : kModeNames)
        if (m == e.second.mode) mode = name;
    return e.first + QLatin1Char(' ') + mode + QLatin1Char(' ') + (e.second.offeredTls ? kTls : kNoTls)
           + QLatin1Char('\n');
}

// Windows keeps a file that another program is replacing from being opened
// for a moment: a few short tries before it counts as unreadable.
constexpr int kTries = 20;
constexpr unsigned long kTryPauseMs = 10;

// The entries of the file; nullopt when it is there but cannot be read now.
std::optional<QList<Entry>> tryReadEntries(const QString& path)
{
    QList<Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists()) return entries;
        return std::nullopt;
    }
    if (file.size() > FtpServerMemoryFile::kMaxFileSize) return entries;
    const QByteArray bytes = file.read(FtpServerMemoryFile::kMaxFileSize + 1);
    if (bytes.size() > FtpServerMemoryFile::kMaxFileSize || bytes.contains('\0')) return entries;
    const QString text = QString::fromUtf8(bytes);
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const std::optional<Entry> e = parseLine(line.toString());
        if (!e) continue;
        // A name twice: the later line is the newer one.
        entries.removeIf([&](const Entry& old) { return old.first == e->first; });
        entries.append(*e);
    }
    return entries;
}

std::optional<QList<Entry>> readEntries(const QString& path)
{
    for (int i = 0;; ++i) {
        if (std::optional<QList<Entry>> entries = tryReadEntries(path)) return entries;
        if (i + 1 >= kTries) return std::nullopt;
        QThread::msleep(kTryPauseMs);
    }
}

}  // namespace

FtpServerFacts FtpServerMemoryFile::recall(const QString& host, quint16 port) const
{
    const QString key = keyOf(host, port);
    if (key.isEmpty()) return {};
    for (const Entry& e : readEntries(m_path).value_or(QList<Entry>()))
        if (e.first == key) return e.second;
    return {};
}

void FtpServerMemoryFile::remember(const QString& host, quint16 port, const FtpServerFacts& facts)
{
    const QString key = keyOf(host, port);
    if (key.isEmpty()) return;
    // A file that cannot be read now is not written over: what it holds of
    // the other servers would be lost.
    const std::optional<QList<Entry>> read = readEntries(m_path);
    if (!read) return;
    QList<Entry> entries = *read;
    for (const Entry& e : std::as_const(entries))
        if (e.first == key && e.second == facts) return;  // nothing new: the file stays as it is
    entries.removeIf([&](const Entry& e) { return e.first == key; });
    entries.append({key, facts});
    while (entries.size() > kMaxServers) entries.removeFirst();

    QByteArray bytes;
    for (const Entry& e : std::as_const(entries)) bytes += lineOf(e).toUtf8();
    // A new file that takes the old one's place only once it is whole (on
    // Windows not while another program reads the old one: a few tries).
    for (int i = 0; i < kTries; ++i) {
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly)) return;
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            return;
        }
        if (file.commit()) return;
        QThread::msleep(kTryPauseMs);
    }
}

}  // namespace dc
