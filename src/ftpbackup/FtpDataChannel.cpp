#include "ftpbackup/FtpDataChannel.h"

#include "platform/FileToSocket.h"

#include <Poco/Error.h>
#include <Poco/Exception.h>
#include <Poco/Net/SocketImpl.h>
#include <Poco/Timespan.h>

#include <QDir>
#include <QFileDevice>

#include <vector>

namespace dc {

namespace {

using DataClock = std::chrono::steady_clock;

// Blocks that stay in the processor's cache while they are read, written to
// the temporary copy and sent (1 MiB blocks measured twice as slow for 1 GiB).
constexpr qint64 kSendBlock = 64 * 1024;
constexpr qint64 kFileChunk = 1024 * 1024;
constexpr int kReceiveBlock = 256 * 1024;

Poco::Timespan toSpan(std::chrono::milliseconds ms)
{
    return Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(ms.count()) * 1000);
}

QString stallSeconds(std::chrono::milliseconds ms)
{
    return QString::number(static_cast<double>(ms.count()) / 1000.0);
}

bool isWouldBlock(const Poco::Exception& e)
{
    return e.code() == POCO_EAGAIN || e.code() == POCO_EWOULDBLOCK;
}

QString sourceOf(const QIODevice& source)
{
    if (const auto* f = qobject_cast<const QFileDevice*>(&source)) return QDir::toNativeSeparators(f->fileName());
    return QStringLiteral("el archivo local");
}

[[noreturn]] void dataCut(const QString& detail)
{
    throw FtpError(QStringLiteral("Se cortó la conexión de datos; revisa la conexión a Internet (detalle: ") + detail
                   + QLatin1Char(')'));
}

}  // namespace

FtpDataChannel::FtpDataChannel(Poco::Net::StreamSocket plain, Poco::Net::StreamSocket data, const Limits& limits,
                               Aborted aborted)
    : m_plain(std::move(plain)), m_data(std::move(data)), m_limits(limits), m_aborted(std::move(aborted))
{
}

void FtpDataChannel::throwIfAborted() const
{
    if (m_aborted && m_aborted()) throw FtpError(kOperationCancelled);
}

bool FtpDataChannel::waitReady(int mode)
{
    bool ready = false;
    try {
        ready = m_plain.poll(toSpan(m_limits.slice), mode | Poco::Net::Socket::SELECT_ERROR);
    } catch (const Poco::Exception& e) {
        throwIfAborted();
        dataCut(QString::fromStdString(e.displayText()));
    }
    throwIfAborted();
    return ready;
}

qint64 FtpDataChannel::send(QIODevice& source, const FtpClient::Progress& progress)
{
    qint64 sent = 0;
    if (!m_data.secure()) {
        bool unsupported = false;
        sent = sendFromFile(source, progress, &unsupported);
        if (!unsupported) return sent;
    }
    std::vector<char> block(static_cast<size_t>(kSendBlock));
    for (;;) {
        throwIfAborted();
        const qint64 n = source.read(block.data(), kSendBlock);
        if (n < 0) throw FtpError(QStringLiteral("No se pudo leer ") + sourceOf(source) + QStringLiteral(": ") + source.errorString());
        if (n == 0) break;
        sendBlock(block.data(), n);
        sent += n;
        if (progress) progress(sent);
    }
    return sent;
}

qint64 FtpDataChannel::sendFromFile(QIODevice& source, const FtpClient::Progress& progress, bool* unsupported)
{
    auto* file = qobject_cast<QFileDevice*>(&source);
    const int handle = file ? file->handle() : -1;
    *unsupported = true;
    if (handle < 0 || source.isSequential()) return 0;
    qint64 offset = source.pos();
    qint64 sent = 0;
    auto deadline = DataClock::now() + m_limits.stall;
    for (;;) {
        throwIfAborted();
        const FileToSocket r = sendFileBytes(static_cast<qintptr>(m_plain.impl()->sockfd()), handle, offset, kFileChunk);
        switch (r.result) {
        case FileToSocket::Result::Unsupported:
            if (sent == 0) return 0;  // nothing went: read and send instead
            dataCut(QStringLiteral("el sistema dejó de enviar el archivo"));
        case FileToSocket::Result::Failed:
            *unsupported = false;
            dataCut(QString::fromStdString(Poco::Error::getMessage(r.error)));
        case FileToSocket::Result::EndOfFile:
            *unsupported = false;
            source.seek(offset);
            return sent;
        case FileToSocket::Result::Sent:
            *unsupported = false;
            offset += r.sent;
            sent += r.sent;
            deadline = DataClock::now() + m_limits.stall;
            if (progress) progress(sent);
            break;
        case FileToSocket::Result::WouldBlock:
            *unsupported = false;
            if (!waitReady(Poco::Net::Socket::SELECT_WRITE) && DataClock::now() >= deadline)
                throw FtpError(QStringLiteral("El servidor dejó de recibir datos: no aceptó nada en ") + stallSeconds(m_limits.stall)
                               + QStringLiteral(" segundos"));
            break;
        }
    }
}

void FtpDataChannel::sendBlock(const char* bytes, qint64 length)
{
    // The socket does not block: a server that stops reading is noticed
    // after the stall time without progress, and a cancel within a slice.
    qint64 done = 0;
    auto deadline = DataClock::now() + m_limits.stall;
    while (done < length) {
        int n = -1;
        try {
            n = m_data.sendBytes(bytes + done, static_cast<int>(std::min<qint64>(length - done, 1 << 30)));
        } catch (const Poco::Exception& e) {
            throwIfAborted();
            if (!isWouldBlock(e)) dataCut(QString::fromStdString(e.displayText()));
        }
        throwIfAborted();
        if (n == 0) throw FtpError(QStringLiteral("Se cortó la conexión de datos"));
        if (n > 0) {
            done += n;
            deadline = DataClock::now() + m_limits.stall;
            continue;
        }
        if (!waitReady(Poco::Net::Socket::SELECT_WRITE) && DataClock::now() >= deadline)
            throw FtpError(QStringLiteral("El servidor dejó de recibir datos: no aceptó nada en ") + stallSeconds(m_limits.stall)
                           + QStringLiteral(" segundos"));
    }
}

QByteArray FtpDataChannel::receiveAll(qsizetype maxBytes, const QString& what)
{
    QByteArray bytes;
    std::vector<char> block(kReceiveBlock);
    auto deadline = DataClock::now() + m_limits.stall;
    for (;;) {
        int n = -1;
        if (waitReady(Poco::Net::Socket::SELECT_READ)) {
            try {
                // Negative: a TLS record is not complete yet.
                n = std::max(m_data.receiveBytes(block.data(), kReceiveBlock), -1);
            } catch (const Poco::Exception& e) {
                throwIfAborted();
                if (!isWouldBlock(e)) dataCut(QString::fromStdString(e.displayText()));
            }
        }
        throwIfAborted();
        if (n == 0) return bytes;
        if (n < 0) {
            if (DataClock::now() >= deadline)
                throw FtpError(what + QStringLiteral(": el servidor dejó de enviar datos; no envió nada en ")
                               + stallSeconds(m_limits.stall) + QStringLiteral(" segundos"));
            continue;
        }
        if (bytes.size() + n > maxBytes)
            throw FtpError(what + QStringLiteral(": el servidor envió más de %1 MiB").arg(maxBytes / (1024 * 1024)));
        bytes.append(block.data(), n);
        deadline = DataClock::now() + m_limits.stall;
    }
}

void FtpDataChannel::close()
{
    // Closing our end says that the data is complete (on a protected
    // connection the TLS close goes first). The connection is let go once
    // the server has closed its end: a socket closed with bytes unread (the
    // TLS session tickets, say) is reset, and a reset makes the server drop
    // what it had not read yet. A server that keeps sending is not waited
    // for beyond what it may fairly send, nor beyond the stall time.
    const auto deadline = DataClock::now() + m_limits.stall;
    const auto waitFor = [&](int mode) {
        while (!waitReady(mode))
            if (DataClock::now() >= deadline) return false;
        return true;
    };
    try {
        if (m_data.secure() && waitFor(Poco::Net::Socket::SELECT_WRITE)) m_data.shutdown();
        m_plain.shutdownSend();
    } catch (const Poco::Exception&) {
        // The server closed first: nothing more to tell it.
    }
    std::vector<char> sink(64 * 1024);
    qsizetype drained = 0;
    while (drained <= m_limits.closeDrainBytes && waitFor(Poco::Net::Socket::SELECT_READ)) {
        int n = -1;
        try {
            n = m_plain.receiveBytes(sink.data(), static_cast<int>(sink.size()));
        } catch (const Poco::Exception& e) {
            if (!isWouldBlock(e)) break;  // reset after the server's close: done too
        }
        if (n == 0) break;
        if (n > 0) drained += n;
    }
    try {
        m_data.close();
    } catch (const Poco::Exception&) {
    }
}

std::optional<Poco::Net::StreamSocket> FtpDataChannel::acceptFrom(Poco::Net::ServerSocket& listener,
                                                                  const Poco::Net::IPAddress& peer,
                                                                  std::chrono::milliseconds timeout, const Limits& limits,
                                                                  const Aborted& aborted)
{
    const auto deadline = DataClock::now() + timeout;
    for (;;) {
        const bool ready = listener.poll(toSpan(limits.slice), Poco::Net::Socket::SELECT_READ);
        if (aborted && aborted()) throw FtpError(kOperationCancelled);
        if (ready) {
            Poco::Net::SocketAddress from;
            Poco::Net::StreamSocket s = listener.acceptConnection(from);
            // Only the server may deliver the data: anyone else who finds the
            // port open is turned away.
            if (from.host() == peer) return s;
            s.close();
        }
        if (DataClock::now() >= deadline) return std::nullopt;
    }
}

}  // namespace dc
