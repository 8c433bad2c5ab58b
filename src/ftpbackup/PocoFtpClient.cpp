#include "ftpbackup/PocoFtpClient.h"

#include <Poco/Error.h>
#include <Poco/Exception.h>
#include <Poco/Net/DialogSocket.h>
#include <Poco/Net/FTPClientSession.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/SocketStream.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Timespan.h>

#include <QDir>
#include <QFile>

#include <csignal>
#include <vector>

namespace dc {

// Off unless asked for: QT_LOGGING_RULES="dc.ftp.debug=true".
Q_LOGGING_CATEGORY(lcFtp, "dc.ftp", QtWarningMsg)

namespace {

constexpr int kBlockSize = 64 * 1024;
// How often a wait on the network looks at the abort flag.
constexpr std::chrono::milliseconds kSlice{100};

Poco::Timespan span(std::chrono::milliseconds ms)
{
    return Poco::Timespan(static_cast<Poco::Timespan::TimeDiff>(ms.count()) * 1000);
}

QString seconds(std::chrono::milliseconds ms)
{
    return QString::number(static_cast<double>(ms.count()) / 1000.0);
}

QString text(const std::string& s)
{
    QString t = QString::fromStdString(s);
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t.trimmed();
}

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

const QString kCancelled = QStringLiteral("Operación cancelada");

// How an upload's source is named in a message: its file's path.
QString sourceName(const QIODevice& source)
{
    if (const auto* f = qobject_cast<const QFileDevice*>(&source)) return QDir::toNativeSeparators(f->fileName());
    return QStringLiteral("el archivo local");
}

// A peer that closes a socket we write to must give an error, not end the process.
void ignoreBrokenPipe()
{
#if defined(SIGPIPE)
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
#endif
}

}  // namespace

// Poco's session, with the data connection made here: PORT, the command,
// then at most the data-connection time-out for the server to connect.
class PocoFtpClient::Session final : public Poco::Net::FTPClientSession {
public:
    Session(const Poco::Net::StreamSocket& socket, PocoFtpClient& owner)
        : FTPClientSession(socket, false), m_owner(owner)
    {
    }
    ~Session() override { forgetTransfer(); }

    Poco::Net::DialogSocket& control() { return *_pControlSocket; }
    // Lets go of the transfer's stream without reading a reply.
    void forgetTransfer()
    {
        delete _pDataStream;
        _pDataStream = nullptr;
    }

protected:
    Poco::Net::StreamSocket establishDataConnection(const std::string& command, const std::string& arg) override
    {
        return m_owner.openDataConnection(command, arg);
    }

private:
    PocoFtpClient& m_owner;
};

PocoFtpClient::PocoFtpClient() : PocoFtpClient(Timeouts{}) {}

PocoFtpClient::PocoFtpClient(const Timeouts& timeouts) : m_timeouts(timeouts)
{
    ignoreBrokenPipe();
}

PocoFtpClient::~PocoFtpClient()
{
    drop();
}

void PocoFtpClient::fail(const QString& message, int code, const QString& reply)
{
    throw FtpError(message, code, reply);
}

void PocoFtpClient::throwIfAborted() const
{
    std::lock_guard lock(m_mutex);
    if (m_aborted) throw FtpError(kCancelled);
}

template <class F>
auto PocoFtpClient::guarded(const QString& what, F&& fn) -> decltype(fn())
{
    try {
        return fn();
    } catch (const FtpError&) {
        throw;
    } catch (const Poco::TimeoutException&) {
        drop();
        fail(what + QStringLiteral(": el servidor no respondió en ") + seconds(m_timeouts.reply) + QStringLiteral(" segundos"));
    } catch (const Poco::Exception& e) {
        bool aborted;
        {
            std::lock_guard lock(m_mutex);
            aborted = m_aborted;
        }
        drop();
        if (aborted) fail(kCancelled);
        fail(what + QStringLiteral(": se perdió la conexión con el servidor (") + text(e.displayText()) + QLatin1Char(')'));
    }
}

Poco::Net::StreamSocket PocoFtpClient::connectControl(const QString& host, quint16 port)
{
    const QString where = host + QLatin1Char(':') + QString::number(port);
    Poco::Net::SocketAddress address;
    try {
        address = Poco::Net::SocketAddress(Poco::Net::SocketAddress::IPv4, host.toStdString(), port);
    } catch (const Poco::Exception& e) {
        fail(QStringLiteral("No se encontró el servidor ") + where + QStringLiteral(" (") + text(e.displayText()) + QLatin1Char(')'));
    }
    Poco::Net::StreamSocket socket(Poco::Net::SocketAddress::IPv4);
    {
        std::lock_guard lock(m_mutex);
        if (m_aborted) fail(kCancelled);
        m_controlSocket = std::make_unique<Poco::Net::StreamSocket>(socket);
    }
    try {
        socket.connectNB(address);
        const auto deadline = std::chrono::steady_clock::now() + m_timeouts.connect;
        while (!socket.poll(span(kSlice), Poco::Net::Socket::SELECT_WRITE | Poco::Net::Socket::SELECT_ERROR)) {
            throwIfAborted();
            if (std::chrono::steady_clock::now() >= deadline)
                fail(QStringLiteral("No se pudo conectar con ") + where + QStringLiteral(": no hubo respuesta en ")
                     + seconds(m_timeouts.connect) + QStringLiteral(" segundos"));
        }
        throwIfAborted();
        if (const int err = socket.impl()->socketError())
            fail(QStringLiteral("No se pudo conectar con ") + where + QStringLiteral(": ")
                 + text(Poco::Error::getMessage(err)));
        socket.setBlocking(true);
        socket.setNoDelay(true);
    } catch (const Poco::Exception& e) {
        fail(QStringLiteral("No se pudo conectar con ") + where + QStringLiteral(": ") + text(e.displayText()));
    }
    return socket;
}

void PocoFtpClient::open(const QString& host, quint16 port, const QString& user, const QString& password)
{
    if (!isSafeFtpArgument(user) || !isSafeFtpArgument(password))
        fail(QStringLiteral("El usuario o la contraseña de la cuenta contiene un salto de línea; no se envía al servidor"));
    drop();
    try {
        const Poco::Net::StreamSocket socket = connectControl(host, port);
        guarded(QStringLiteral("Conexión"), [&] {
            m_session = std::make_unique<Session>(socket, *this);
            m_session->setTimeout(span(m_timeouts.reply));
            m_session->setPassive(false, false);  // active mode, PORT (not EPRT)
        });
        const Reply greeting = readReply();
        if (greeting.code / 100 != 2)
            fail(QStringLiteral("El servidor no aceptó la conexión (") + greeting.text + QLatin1Char(')'), greeting.code,
                 greeting.text);
        Reply r = exchange("USER", user);
        if (r.code / 100 == 3) r = exchange("PASS", password);
        if (r.code / 100 != 2)
            fail(QStringLiteral("El servidor no aceptó la cuenta ") + quoted(user) + QStringLiteral(" (") + r.text
                     + QLatin1Char(')'),
                 r.code, r.text);
        m_open = true;
    } catch (...) {
        drop();
        throw;
    }
}

bool PocoFtpClient::isOpen() const
{
    return m_open;
}

void PocoFtpClient::close()
{
    bool healthy;
    {
        std::lock_guard lock(m_mutex);
        healthy = !m_aborted;
    }
    if (m_session && m_open && healthy) {
        try {
            m_session->control().setReceiveTimeout(span(m_timeouts.quitReply));
            exchange("QUIT", QString());
        } catch (...) {
            // Closing goes on whatever the server answers.
        }
    }
    drop();
}

void PocoFtpClient::drop()
{
    {
        std::lock_guard lock(m_mutex);
        for (auto* s : {m_dataSocket.get(), m_controlSocket.get()}) {
            if (!s) continue;
            try {
                s->shutdown();
            } catch (...) {
            }
        }
        m_dataSocket.reset();
        m_controlSocket.reset();
    }
    m_open = false;
    m_session.reset();
}

void PocoFtpClient::abort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    // shutdown() wakes a thread blocked in send or receive on these sockets;
    // the thread that uses them closes them.
    for (auto* s : {m_dataSocket.get(), m_controlSocket.get()}) {
        if (!s) continue;
        try {
            s->shutdown();
        } catch (...) {
        }
    }
}

void PocoFtpClient::clearAbort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = false;
}

PocoFtpClient::Reply PocoFtpClient::readReply()
{
    if (!m_session) fail(QStringLiteral("No hay conexión con el servidor"));
    Reply r = guarded(QStringLiteral("Respuesta del servidor"), [&] {
        std::string response;
        const int code = m_session->control().receiveStatusMessage(response);
        return Reply{code, text(response)};
    });
    qCDebug(lcFtp).noquote() << "<-" << r.text;
    if (r.code == 0) {
        bool aborted;
        {
            std::lock_guard lock(m_mutex);
            aborted = m_aborted;
        }
        drop();
        fail(aborted ? kCancelled : QStringLiteral("El servidor cerró la conexión"));
    }
    return r;
}

PocoFtpClient::Reply PocoFtpClient::exchange(const std::string& verb, const QString& arg)
{
    if (!m_session) fail(QStringLiteral("No hay conexión con el servidor"));
    if (!isSafeFtpArgument(arg))
        fail(QStringLiteral("El nombre ") + quoted(arg) + QStringLiteral(" contiene un salto de línea; no se envía al servidor"));
    throwIfAborted();
    const QString shown = verb == "PASS" ? QStringLiteral("****") : arg;
    if (shown.isEmpty())
        qCDebug(lcFtp).noquote() << "->" << QString::fromStdString(verb);
    else
        qCDebug(lcFtp).noquote() << "->" << QString::fromStdString(verb) << shown;
    guarded(QString::fromStdString(verb), [&] {
        if (arg.isEmpty())
            m_session->control().sendMessage(verb);
        else
            m_session->control().sendMessage(verb, arg.toStdString());
    });
    return readReply();
}

PocoFtpClient::Reply PocoFtpClient::command(const std::string& verb, const QString& arg, int expectedClass,
                                            const QString& what)
{
    const Reply r = exchange(verb, arg);
    if (r.code / 100 != expectedClass) fail(what + QStringLiteral(" (") + r.text + QLatin1Char(')'), r.code, r.text);
    return r;
}

void PocoFtpClient::enterFolder(const QString& name)
{
    command("CWD", name, 2, QStringLiteral("No se pudo entrar a la carpeta ") + quoted(name));
}

void PocoFtpClient::leaveFolder()
{
    command("CDUP", QString(), 2, QStringLiteral("No se pudo subir de carpeta"));
}

void PocoFtpClient::makeFolder(const QString& name)
{
    command("MKD", name, 2, QStringLiteral("No se pudo crear la carpeta ") + quoted(name));
}

void PocoFtpClient::setBinary()
{
    command("TYPE", QStringLiteral("I"), 2, QStringLiteral("El servidor no aceptó el tipo binario"));
}

Poco::Net::StreamSocket PocoFtpClient::openDataConnection(const std::string& verb, const std::string& arg)
{
    const Poco::Net::SocketAddress local = guarded(QStringLiteral("PORT"), [&] {
        return m_session->control().address();
    });
    Poco::Net::ServerSocket listener = guarded(QStringLiteral("PORT"), [&] {
        return Poco::Net::ServerSocket(Poco::Net::SocketAddress(local.host(), 0), 1);
    });
    const Poco::UInt16 port = listener.address().port();
    QString hostPort = QString::fromStdString(local.host().toString());
    hostPort.replace(QLatin1Char('.'), QLatin1Char(','));
    hostPort += QLatin1Char(',') + QString::number(port / 256) + QLatin1Char(',') + QString::number(port % 256);
    command("PORT", hostPort, 2, QStringLiteral("El servidor no aceptó el puerto de datos"));
    const QString name = QString::fromStdString(arg);
    command(verb, name, 1, QStringLiteral("El servidor no aceptó el archivo ") + quoted(name));

    const auto deadline = std::chrono::steady_clock::now() + m_timeouts.dataConnection;
    while (!guarded(QStringLiteral("Conexión de datos"),
                    [&] { return listener.poll(span(kSlice), Poco::Net::Socket::SELECT_READ); })) {
        throwIfAborted();
        if (std::chrono::steady_clock::now() >= deadline)
            fail(QStringLiteral("El servidor no abrió la conexión de datos en ") + seconds(m_timeouts.dataConnection)
                 + QStringLiteral(" segundos"));
    }
    Poco::Net::StreamSocket data = guarded(QStringLiteral("Conexión de datos"), [&] {
        Poco::Net::StreamSocket s = listener.acceptConnection();
        s.setSendTimeout(span(m_timeouts.reply));
        return s;
    });
    std::lock_guard lock(m_mutex);
    if (m_aborted) {
        data.close();
        fail(kCancelled);
    }
    m_dataSocket = std::make_unique<Poco::Net::StreamSocket>(data);
    return data;
}

void PocoFtpClient::sendBlock(Poco::Net::StreamSocket& data, const char* bytes, int length)
{
    int done = 0;
    while (done < length) {
        int n = 0;
        try {
            n = data.sendBytes(bytes + done, length - done);
        } catch (const Poco::TimeoutException&) {
            fail(QStringLiteral("El servidor dejó de recibir datos durante ") + seconds(m_timeouts.reply)
                 + QStringLiteral(" segundos"));
        } catch (const Poco::Exception& e) {
            throwIfAborted();
            fail(QStringLiteral("Se cortó la conexión de datos (") + text(e.displayText()) + QLatin1Char(')'));
        }
        if (n <= 0) {
            throwIfAborted();
            fail(QStringLiteral("Se cortó la conexión de datos"));
        }
        done += n;
    }
}

qint64 PocoFtpClient::upload(QIODevice& file, const QString& remoteName, const Progress& progress)
{
    if (!isSafeFtpArgument(remoteName))
        fail(QStringLiteral("El nombre ") + quoted(remoteName) + QStringLiteral(" contiene un salto de línea; no se envía al servidor"));
    const QString localPath = sourceName(file);
    if (!m_session) fail(QStringLiteral("No hay conexión con el servidor"));
    throwIfAborted();

    qint64 sent = 0;
    try {
        guarded(QStringLiteral("STOR"), [&] { m_session->beginUpload(remoteName.toStdString()); });
        Poco::Net::StreamSocket data;
        {
            std::lock_guard lock(m_mutex);
            if (!m_dataSocket) fail(kCancelled);
            data = *m_dataSocket;
        }
        std::vector<char> block(kBlockSize);
        for (;;) {
            const qint64 n = file.read(block.data(), kBlockSize);
            if (n < 0)
                fail(QStringLiteral("No se pudo leer ") + localPath + QStringLiteral(": ") + file.errorString());
            if (n == 0) break;
            sendBlock(data, block.data(), static_cast<int>(n));
            sent += n;
            if (progress) progress(sent);
        }
        // Closing our end tells the server the file is complete; then its reply.
        {
            std::lock_guard lock(m_mutex);
            m_dataSocket.reset();
        }
        guarded(QStringLiteral("STOR"), [&] { data.close(); });
        m_session->forgetTransfer();
        const Reply done = readReply();
        if (done.code / 100 != 2)
            fail(QStringLiteral("El servidor no completó la recepción de ") + quoted(remoteName) + QStringLiteral(" (")
                     + done.text + QLatin1Char(')'),
                 done.code, done.text);
    } catch (...) {
        // Whatever failed, the control connection is out of step now.
        drop();
        throw;
    }
    return sent;
}

std::optional<qint64> PocoFtpClient::remoteSize(const QString& name)
{
    const Reply r = exchange("SIZE", name);
    if (r.code == 213) {
        bool ok = false;
        const qint64 size = r.text.mid(4).trimmed().toLongLong(&ok);
        if (!ok) fail(QStringLiteral("Respuesta de SIZE no válida (") + r.text + QLatin1Char(')'), r.code, r.text);
        return size;
    }
    if (r.code == 500 || r.code == 502 || r.code == 504) return std::nullopt;  // not offered
    fail(QStringLiteral("El servidor no informó el tamaño de ") + quoted(name) + QStringLiteral(" (") + r.text
             + QLatin1Char(')'),
         r.code, r.text);
}

}  // namespace dc
