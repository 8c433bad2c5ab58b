#include "ftpbackup/VerifiedUpload.h"

#include <QCryptographicHash>

#include <optional>

namespace dc {

namespace {

// The longest name most servers' file systems take, in bytes of UTF-8.
constexpr qsizetype kMaxNameBytes = 255;

QString withEnding(const QString& name, const QString& ending)
{
    if (name.toUtf8().size() + ending.toUtf8().size() <= kMaxNameBytes) return name + ending;
    const QString fingerprint =
        QLatin1Char('~')
        + QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    const qsizetype room = kMaxNameBytes - ending.toUtf8().size() - fingerprint.size();
    QString start;
    for (qsizetype i = 0; i < name.size();) {
        // Whole characters only (a surrogate pair is one).
        const qsizetype width = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString next = name.mid(i, width);
        if (start.toUtf8().size() + next.toUtf8().size() > room) break;
        start += next;
        i += width;
    }
    return start + fingerprint + ending;
}

QString quotedName(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// Step 3 on a server that did not rename onto `name` in one step.
void replaceAside(FtpClient& client, const QString& partial, const QString& name, const FtpError& refusal)
{
    const QString kept = QStringLiteral("; la copia nueva quedó completa en el servidor como ") + quotedName(partial);
    if (client.isFolder(name))
        throw FtpCannotReplace(QStringLiteral("En el servidor hay una carpeta llamada ") + quotedName(name)
                                   + QStringLiteral(" donde va el archivo: bórrala o cámbiale el nombre") + kept,
                               refusal.replyCode(), refusal.reply());
    if (!client.remoteSize(name))
        throw FtpCannotReplace(QStringLiteral("El servidor no permite renombrar archivos (") + refusal.reply()
                                   + QStringLiteral(") y el archivo no puede tomar su nombre") + kept,
                               refusal.replyCode(), refusal.reply());
    // A copy set aside by a run that was cut: the name holds a whole copy
    // now, so that one is stale.
    const QString aside = asideRemoteName(name);
    client.removeIfPresent(aside);
    try {
        client.rename(name, aside);
    } catch (const FtpError& e) {
        if (!e.isNegativeReply()) throw;
        throw FtpCannotReplace(QStringLiteral("El servidor no permite reemplazar ") + quotedName(name)
                                   + QStringLiteral(" ni cambiarle el nombre (") + e.reply()
                                   + QStringLiteral("): queda la copia anterior") + kept,
                               e.replyCode(), e.reply());
    }
    try {
        client.rename(partial, name);
    } catch (const FtpError&) {
        if (client.isOpen()) {
            try {
                client.rename(aside, name);
            } catch (const FtpError&) {
                // The old copy stays whole under the aside name.
            }
        }
        throw;
    }
    try {
        client.removeIfPresent(aside);
    } catch (const FtpError&) {
        // The new copy is in place; the old one goes the next time.
    }
}

}  // namespace

QString partialRemoteName(const QString& remoteName)
{
    return withEnding(remoteName, QStringLiteral(".kova-parcial"));
}

QString asideRemoteName(const QString& remoteName)
{
    return withEnding(remoteName, QStringLiteral(".kova-anterior"));
}

qint64 uploadVerified(FtpClient& client, QIODevice& source, qint64 size, const QString& remoteName,
                      const FtpClient::Progress& progress)
{
    const QString partial = partialRemoteName(remoteName);
    client.removeIfPresent(partial);
    qint64 sent = 0;
    try {
        sent = client.upload(source, partial, progress);
        if (size >= 0 && sent != size) throw FtpError(QStringLiteral("Se enviaron %1 de %2 bytes").arg(sent).arg(size));
        const std::optional<qint64> stored = client.remoteSize(partial);
        if (!stored)
            throw FtpError(QStringLiteral("El servidor no informa el tamaño del archivo recibido (ni con SIZE, ni con "
                                          "MLST, ni en LIST): no se puede comprobar que llegó completo"));
        if (*stored != sent) throw FtpError(QStringLiteral("El servidor guardó %1 de %2 bytes").arg(*stored).arg(sent));
    } catch (const FtpError& e) {
        // A folder of that name refuses every upload the same way.
        if (e.isNegativeReply() && client.isOpen() && client.isFolder(partial))
            throw FtpCannotReplace(QStringLiteral("En el servidor hay una carpeta llamada ") + quotedName(partial)
                                       + QStringLiteral(" que impide enviar ") + quotedName(remoteName)
                                       + QStringLiteral(": bórrala o cámbiale el nombre"),
                                   e.replyCode(), e.reply());
        if (client.isOpen()) {
            try {
                client.removeIfPresent(partial);
            } catch (const FtpError&) {
                // The next upload of this file removes it first.
            }
        }
        throw;
    }
    try {
        client.rename(partial, remoteName);
    } catch (const FtpError& e) {
        if (!e.isNegativeReply() || !client.isOpen()) throw;
        replaceAside(client, partial, remoteName, e);
    }
    return sent;
}

}  // namespace dc
