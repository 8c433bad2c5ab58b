#include "ftpbackup/FtpClientFactory.h"

#include "ftpbackup/FtpServerMemoryFile.h"
#include "ftpbackup/FtpTls.h"

namespace dc {

std::unique_ptr<FtpClient> makeFtpClient(const FtpClientOptions& options)
{
    QString extraCa = options.extraCaFile;
    if (extraCa.isEmpty()) extraCa = qEnvironmentVariable(kExtraCaVariable);
    auto client = std::make_unique<PocoFtpClient>(options.timeouts, makeFtpTls(extraCa));
    if (!options.serverMemoryFile.isEmpty())
        client->setServerMemory(std::make_shared<FtpServerMemoryFile>(options.serverMemoryFile));
    return client;
}

}  // namespace dc
