#include "ftpbackup/FtpClientFactory.h"

#include "ftpbackup/FtpTls.h"

namespace dc {

std::unique_ptr<FtpClient> makeFtpClient(const FtpClientOptions& options)
{
    QString extraCa = options.extraCaFile;
    if (extraCa.isEmpty()) extraCa = qEnvironmentVariable(kExtraCaVariable);
    return std::make_unique<PocoFtpClient>(options.timeouts, makeFtpTls(extraCa));
}

}  // namespace dc
