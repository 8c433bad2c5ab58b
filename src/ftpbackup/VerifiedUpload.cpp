#include "ftpbackup/VerifiedUpload.h"

#include <optional>

namespace dc {

QString partialRemoteName(const QString& remoteName)
{
    return remoteName + QStringLiteral(".kova-parcial");
}

void uploadVerified(FtpClient& client, QIODevice& source, qint64 size, const QString& remoteName,
                    const FtpClient::Progress& progress)
{
    const QString partial = partialRemoteName(remoteName);
    try {
        const qint64 sent = client.upload(source, partial, progress);
        if (sent != size) throw FtpError(QStringLiteral("Se enviaron %1 de %2 bytes").arg(sent).arg(size));
        const std::optional<qint64> stored = client.remoteSize(partial);
        if (!stored)
            throw FtpError(QStringLiteral("El servidor no informa el tamaño del archivo recibido (ni con SIZE, ni con "
                                          "MLST, ni en LIST): no se puede comprobar que llegó completo"));
        if (*stored != size) throw FtpError(QStringLiteral("El servidor guardó %1 de %2 bytes").arg(*stored).arg(size));
    } catch (const FtpError&) {
        if (client.isOpen()) {
            try {
                client.remove(partial);
            } catch (const FtpError&) {
                // The next upload of this file replaces it.
            }
        }
        throw;
    }
    // A failed rename keeps the partial file: it is whole, and it may be the
    // only copy left when the server refused to rename onto the old one.
    client.rename(partial, remoteName);
}

}  // namespace dc
