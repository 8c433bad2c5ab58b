#pragma once

#include "ftpbackup/FtpClient.h"

#include <QString>

namespace dc {

// The facts of each server (by host and port) kept in a small text file that
// only its owner may read, one line per server:
//     <host>:<port> <active|epsv|pasv|unknown> <tls|no-tls>
// Every call reads the file anew, so what another program of the system
// learned counts at once; every change writes the whole file to a new one
// that then takes the old one's place, so a reader never sees half a file
// (when two programs write at once, the last one wins). A missing file, or
// one that is damaged or too large, knows nothing; a line that cannot be
// read is left out. Host names count without regard to letter case.
class FtpServerMemoryFile final : public FtpServerMemory {
public:
    // At most this many servers are kept; the one learned longest ago goes first.
    static constexpr int kMaxServers = 64;
    // A larger file is no file of this program's: it knows nothing.
    static constexpr qint64 kMaxFileSize = 64 * 1024;

    explicit FtpServerMemoryFile(const QString& path) : m_path(path) {}

    QString path() const { return m_path; }

    FtpServerFacts recall(const QString& host, quint16 port) const override;
    void remember(const QString& host, quint16 port, const FtpServerFacts& facts) override;

private:
    const QString m_path;
};

}  // namespace dc
