#pragma once

#include "ftpbackup/PocoFtpClient.h"

#include <QString>

#include <memory>

namespace dc {

// How every FTP client of the system is made.
struct FtpClientOptions {
    PocoFtpClient::Timeouts timeouts;
    // Certificates trusted besides the system's trust store (a test CA).
    // Empty: the file named by the environment variable kExtraCaVariable
    // when it is set, else none.
    QString extraCaFile;
    // The file where the client keeps what it learned of each server
    // (FtpServerMemoryFile; InstallRoot::ftpServerMemoryFile() for the
    // programs); empty: it remembers nothing between runs.
    QString serverMemoryFile;
};

inline constexpr char kExtraCaVariable[] = "KOVA_FTP_CA_ADICIONAL";

// The one place that makes an FTP client: the backup engine, the backup tool
// and the send tool all get theirs here, with TLS where the build has it.
std::unique_ptr<FtpClient> makeFtpClient(const FtpClientOptions& options = {});

}  // namespace dc
