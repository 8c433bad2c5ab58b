// A build without a TLS library: the FTP client has no TLS.
#include "ftpbackup/FtpTls.h"

namespace dc {

int systemStoreAuthorities()
{
    return 0;
}

std::unique_ptr<FtpTls> makeFtpTls(const QString& /*extraCaFile*/)
{
    return nullptr;
}

}  // namespace dc
