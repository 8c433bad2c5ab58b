#include "ftpbackup/PocoFtpClient.h"

#include "ftpbackup/FtpTls.h"

#include <Poco/Error.h>
#include <Poco/Exception.h>
#include <Poco/Net/DialogSocket.h>
#include <Poco/Net/FTPClientSession.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketDefs.h>
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
// A listing longer than this is not read to its end.
constexpr qsizetype kMaxListing = 16 * 1024 * 1024;
const QString kMask = QStringLiteral("****");
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

using SteadyClock = std::chrono::steady_clock;

// A send or receive on a non-blocking socket that has nothing to do yet.
bool wouldBlock(const Poco::Exception& e)
{
    return e.code() == POCO_EAGAIN || e.code() == POCO_EWOULDBLOCK;
}

std::optional<qint64> toSize(const QString& digits)
{
    bool ok = false;
    const qint64 size = digits.toLongLong(&ok);
    if (!ok || size < 0) return std::nullopt;
    return size;
}

// The size fact of an MLST reply: its fact line is " type=file;size=123;... name".
std::optional<qint64> sizeInMlst(const QString& lines)
{
    for (const QString& line : lines.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char(' '))) continue;
        const QString facts = line.mid(1).section(QLatin1Char(' '), 0, 0);
        for (const QString& fact : facts.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (fact.startsWith(QLatin1String("size="), Qt::CaseInsensitive)) return toSize(fact.mid(5));
    }
    return std::nullopt;
}

// The port of an EPSV reply: "229 Entering Extended Passive Mode (|||6446|)".
std::optional<quint16> portInEpsv(const QString& reply)
{
    const qsizetype open = reply.indexOf(QLatin1Char('('));
    if (open < 0 || open + 1 >= reply.size()) return std::nullopt;
    const QChar d = reply.at(open + 1);
    const QStringList fields = reply.mid(open + 1).section(QLatin1Char(')'), 0, 0).split(d);
    if (fields.size() != 5) return std::nullopt;
    bool ok = false;
    const uint port = fields[3].toUInt(&ok);
    if (!ok || port < 1 || port > 65535) return std::nullopt;
    return static_cast<quint16>(port);
}

// The port of a PASV reply: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)",
// the six numbers with or without the brackets. Its address is not used: the
// data goes to the server of the control connection (an address behind the
// server's router would not be reachable).
// Read by hand: this runs on the run's thread, and a QRegularExpression match
// there leaves a thread-local JIT stack whose destructor, in the Windows build
// (emulated TLS), crashes at the thread's end while it holds the runtime's key
// lock, so that the program then never ends.
std::optional<quint16> portInPasv(const QString& reply)
{
    const QString text = reply.mid(4);
    const auto inNumbers = [](QChar c) { return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(','); };
    for (qsizetype start = 0; start < text.size();) {
        if (!inNumbers(text.at(start))) {
            ++start;
            continue;
        }
        qsizetype end = start;
        while (end < text.size() && inNumbers(text.at(end))) ++end;
        const QStringList fields = text.mid(start, end - start).split(QLatin1Char(','));
        start = end;
        if (fields.size() != 6) continue;
        uint values[6] = {};
        bool all = true;
        for (int i = 0; i < 6 && all; ++i) values[i] = fields[i].toUInt(&all);
        if (!all) continue;
        const uint high = values[4];
        const uint low = values[5];
        if (high > 255 || low > 255 || high * 256 + low == 0) return std::nullopt;
        return static_cast<quint16>(high * 256 + low);
    }
    return std::nullopt;
}

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

std::optional<qint64> sizeInListing(const QString& listing, const QString& name)
{
    const QString tail = QLatin1Char(' ') + name;
    for (QString line : listing.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (!line.endsWith(tail)) continue;
        const QStringList fields = line.chopped(tail.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // "-rw-r--r-- 1 owner group 1234 Mar 14 10:25 name": the size comes
        // before the three date fields (some servers leave out the group).
        if (fields.size() >= 5 && fields.first().startsWith(QLatin1Char('-'))) return toSize(fields[fields.size() - 4]);
        // "03-14-26  10:25AM  1234 name" (a folder says <DIR> instead).
        if (fields.size() == 3) return toSize(fields[2]);
    }
    return std::nullopt;
}

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

PocoFtpClient::PocoFtpClient(const Timeouts& timeouts, std::unique_ptr<FtpTls> tls)
    : m_timeouts(timeouts), m_tls(std::move(tls))
{
    ignoreBrokenPipe();
}

PocoFtpClient::~PocoFtpClient()
{
    drop();
}

void PocoFtpClient::fail(const QString& message, int code, const QString& reply)
{
    throw FtpError(masked(message), code, masked(reply));
}

void PocoFtpClient::setSecrets(const QStringList& secrets)
{
    m_secrets = secrets;
}

void PocoFtpClient::setSecurity(FtpSecurity security)
{
    m_security = security;
}

void PocoFtpClient::setPassive(bool passive)
{
    m_passive = passive;
}

bool PocoFtpClient::isPassive() const
{
    return m_passive;
}

void PocoFtpClient::setNoticeHandler(Notice notice)
{
    m_notice = std::move(notice);
}

void PocoFtpClient::setServerMemory(std::shared_ptr<FtpServerMemory> memory)
{
    m_memory = std::move(memory);
}

void PocoFtpClient::notify(const QString& text)
{
    trace("--", text);
    if (m_notice) m_notice(text);
}

QString PocoFtpClient::masked(QString text) const
{
    QStringList all = m_secrets;
    all << m_loginPassword;
    for (const QString& secret : std::as_const(all)) {
        if (secret.isEmpty()) continue;
        text.replace(secret, kMask, Qt::CaseInsensitive);
        // A quoted path in a reply doubles the quotes of a name.
        if (secret.contains(QLatin1Char('"')))
            text.replace(QString(secret).replace(QLatin1String("\""), QLatin1String("\"\"")), kMask, Qt::CaseInsensitive);
    }
    return text;
}

void PocoFtpClient::trace(const char* direction, const QString& line) const
{
    if (lcFtp().isDebugEnabled()) qCDebug(lcFtp).noquote() << direction << masked(line);
}

bool PocoFtpClient::aborted() const
{
    std::lock_guard lock(m_mutex);
    return m_aborted;
}

void PocoFtpClient::throwIfAborted() const
{
    if (aborted()) throw FtpError(kOperationCancelled);
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
        fail(what + QStringLiteral(": el servidor no respondió en ") + seconds(m_timeouts.reply)
             + QStringLiteral(" segundos; revisa la conexión a Internet"));
    } catch (const Poco::Exception& e) {
        const bool cancelled = aborted();
        drop();
        if (cancelled) fail(kOperationCancelled);
        fail(what + QStringLiteral(": se perdió la conexión con el servidor; revisa la conexión a Internet (detalle: ")
             + text(e.displayText()) + QLatin1Char(')'));
    }
}

Poco::Net::StreamSocket PocoFtpClient::connectSocket(const Poco::Net::SocketAddress& address, const QString& where,
                                                     std::chrono::milliseconds timeout,
                                                     std::unique_ptr<Poco::Net::StreamSocket>& shared)
{
    Poco::Net::StreamSocket socket(Poco::Net::SocketAddress::IPv4);
    {
        std::lock_guard lock(m_mutex);
        if (m_aborted) fail(kOperationCancelled);
        shared = std::make_unique<Poco::Net::StreamSocket>(socket);
    }
    try {
        socket.connectNB(address);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!socket.poll(span(kSlice), Poco::Net::Socket::SELECT_WRITE | Poco::Net::Socket::SELECT_ERROR)) {
            throwIfAborted();
            if (std::chrono::steady_clock::now() >= deadline)
                fail(QStringLiteral("No se pudo conectar con ") + where + QStringLiteral(": no hubo respuesta en ")
                     + seconds(timeout) + QStringLiteral(" segundos; revisa la conexión a Internet"));
        }
        throwIfAborted();
        if (const int err = socket.impl()->socketError())
            fail(QStringLiteral("No se pudo conectar con ") + where
                 + QStringLiteral(": el servidor no aceptó la conexión; revisa la conexión a Internet y el servidor de "
                                  "respaldo elegido (detalle: ")
                 + text(Poco::Error::getMessage(err)) + QLatin1Char(')'));
        socket.setBlocking(true);
        socket.setNoDelay(true);
    } catch (const Poco::Exception& e) {
        fail(QStringLiteral("No se pudo conectar con ") + where
             + QStringLiteral(": revisa la conexión a Internet y el servidor de respaldo elegido (detalle: ")
             + text(e.displayText()) + QLatin1Char(')'));
    }
    return socket;
}

Poco::Net::StreamSocket PocoFtpClient::connectControl(const QString& host, quint16 port)
{
    const QString where = host + QLatin1Char(':') + QString::number(port);
    Poco::Net::SocketAddress address;
    try {
        address = Poco::Net::SocketAddress(Poco::Net::SocketAddress::IPv4, host.toStdString(), port);
    } catch (const Poco::Exception& e) {
        fail(QStringLiteral("No se encontró el servidor ") + where
             + QStringLiteral(": revisa la conexión a Internet y el servidor de respaldo elegido (detalle: ")
             + text(e.displayText()) + QLatin1Char(')'));
    }
    return connectSocket(address, where, m_timeouts.connect, m_controlSocket);
}

FtpTls::Wait PocoFtpClient::handshakeWait(const Poco::Net::StreamSocket& plain, const QString& where)
{
    const auto deadline = SteadyClock::now() + m_timeouts.reply;
    return [this, plain, where, deadline](bool forWrite) {
        const int mode = (forWrite ? Poco::Net::Socket::SELECT_WRITE : Poco::Net::Socket::SELECT_READ)
                         | Poco::Net::Socket::SELECT_ERROR;
        const bool ready = guarded(QStringLiteral("Conexión segura"), [&] { return plain.poll(span(kSlice), mode); });
        throwIfAborted();
        if (!ready && SteadyClock::now() >= deadline)
            fail(QStringLiteral("No se pudo establecer la conexión segura con ") + where
                 + QStringLiteral(": el servidor no respondió en ") + seconds(m_timeouts.reply) + QStringLiteral(" segundos"));
    };
}

void PocoFtpClient::open(const QString& host, quint16 port, const QString& user, const QString& password)
{
    if (!isSafeFtpArgument(user) || !isSafeFtpArgument(password))
        fail(QStringLiteral("El usuario o la contraseña de la cuenta contiene un salto de línea; no se envía al servidor"));
    drop();
    m_loginPassword = password;
    try {
        const Poco::Net::StreamSocket socket = connectControl(host, port);
        guarded(QStringLiteral("Conexión"), [&] {
            m_session = std::make_unique<Session>(socket, *this);
            m_session->setTimeout(span(m_timeouts.reply));
        });
        const Reply greeting = readReply();
        if (greeting.code / 100 != 2)
            fail(QStringLiteral("El servidor no aceptó la conexión (") + greeting.text + QLatin1Char(')'), greeting.code,
                 greeting.text);
        const bool secured = secureControl(host, host + QLatin1Char(':') + QString::number(port));
        Reply r = exchange("USER", user);
        if (r.code / 100 == 3) r = exchange("PASS", password);
        if (r.code / 100 != 2) {
            const QString message =
                QStringLiteral("El servidor no aceptó la cuenta ") + quoted(user) + QStringLiteral(" (") + r.text + QLatin1Char(')');
            if (r.code / 100 == 5) throw FtpLoginRefused(masked(message), r.code, masked(r.text));
            fail(message, r.code, r.text);
        }
        if (secured) protectData();
        m_open = true;
    } catch (...) {
        drop();
        throw;
    }
}

bool PocoFtpClient::secureControl(const QString& host, const QString& where)
{
    if (m_security == FtpSecurity::Off) return false;
    if (!m_tls) {
        if (m_security == FtpSecurity::Required)
            throw FtpLoginRefused(QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS) y la "
                                                 "conexión con ") + where
                                  + QStringLiteral(" debe ser segura: no se conectó"));
        if (!std::exchange(m_noTlsNoticeGiven, true))
            notify(QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS): la conexión con ")
                   + where + QStringLiteral(" va sin cifrar"));
        return false;
    }
    const Reply auth = exchange("AUTH", QStringLiteral("TLS"));
    if (auth.code / 100 != 2) {
        if (m_security == FtpSecurity::WhenOffered) {
            trace("--", QStringLiteral("el servidor no ofrece TLS: la conexión va sin cifrar"));
            return false;
        }
        throw FtpLoginRefused(masked(QStringLiteral("El servidor ") + where
                                     + QStringLiteral(" no ofrece conexión segura (TLS), que es obligatoria para este "
                                                      "servicio: no se envió la cuenta (")
                                     + auth.text + QLatin1Char(')')),
                              auth.code, masked(auth.text));
    }
    // The handshake steps without blocking (a cancel or the time-out ends
    // it); then the replies are read as before, through TLS.
    Poco::Net::StreamSocket plain = m_session->control();
    guarded(QStringLiteral("Conexión segura"), [&] { plain.setBlocking(false); });
    const Poco::Net::StreamSocket secure = m_tls->startControl(plain, host, where, handshakeWait(plain, where));
    guarded(QStringLiteral("Conexión segura"), [&] {
        plain.setBlocking(true);
        m_session->control() = secure;
    });
    trace("--", QStringLiteral("conexión segura (TLS) con ") + where);
    return true;
}

void PocoFtpClient::protectData()
{
    Reply r = exchange("PBSZ", QStringLiteral("0"));
    if (r.code / 100 == 2) r = exchange("PROT", QStringLiteral("P"));
    if (r.code / 100 == 2) {
        m_protectData = true;
        return;
    }
    if (m_security == FtpSecurity::Required)
        throw FtpLoginRefused(masked(QStringLiteral("El servidor no protege la transferencia de archivos (PROT P), que es "
                                                    "obligatoria para este servicio (")
                                     + r.text + QLatin1Char(')')),
                              r.code, masked(r.text));
    // Offered for the log-in only: the account went protected, the files go plain.
    notify(QStringLiteral("El servidor no protege la transferencia de archivos: la cuenta va cifrada, los archivos "
                          "van sin cifrar (") + masked(r.text) + QLatin1Char(')'));
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
            {
                // Through the plain connection: a protected one waits on it too.
                std::lock_guard lock(m_mutex);
                if (m_controlSocket) m_controlSocket->setReceiveTimeout(span(m_timeouts.quitReply));
            }
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
    m_protectData = false;
    m_epsvRefused = false;
    m_dataIo.reset();
    m_session.reset();
}

void PocoFtpClient::abort()
{
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    // shutdown() wakes a thread blocked in send or receive on these sockets;
    // the thread that uses them closes them. They are the plain connections:
    // a TLS session on top belongs to that thread alone.
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
        return Reply{code, text(response), QString::fromStdString(response)};
    });
    trace("<-", r.text);
    if (r.code == 0) {
        const bool cancelled = aborted();
        drop();
        fail(cancelled ? kOperationCancelled : QStringLiteral("El servidor cerró la conexión"));
    }
    return r;
}

PocoFtpClient::Reply PocoFtpClient::exchange(const std::string& verb, const QString& arg)
{
    if (!m_session) fail(QStringLiteral("No hay conexión con el servidor"));
    if (!isSafeFtpArgument(arg))
        fail(QStringLiteral("El nombre ") + quoted(arg) + QStringLiteral(" contiene un salto de línea; no se envía al servidor"));
    throwIfAborted();
    const QString shown = verb == "PASS" ? kMask : arg;
    trace("->", shown.isEmpty() ? QString::fromStdString(verb) : QString::fromStdString(verb) + QLatin1Char(' ') + shown);
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

void PocoFtpClient::remove(const QString& name)
{
    command("DELE", name, 2, QStringLiteral("No se pudo borrar ") + quoted(name));
}

void PocoFtpClient::rename(const QString& from, const QString& to)
{
    const QString what = QStringLiteral("No se pudo renombrar ") + quoted(from) + QStringLiteral(" a ") + quoted(to);
    command("RNFR", from, 3, what);
    const Reply refused = exchange("RNTO", to);
    if (refused.code / 100 == 2) return;
    if (refused.code / 100 != 5) fail(what + QStringLiteral(" (") + refused.text + QLatin1Char(')'), refused.code, refused.text);
    // Some servers do not rename onto an existing name: the old file goes
    // first. When it cannot go, nothing has changed.
    const Reply removed = exchange("DELE", to);
    if (removed.code / 100 != 2)
        fail(what + QStringLiteral(" (") + refused.text + QLatin1Char(')'), refused.code, refused.text);
    command("RNFR", from, 3, what);
    command("RNTO", to, 2, what);
}

void PocoFtpClient::dataConnectionFailed(const QString& message, int code, const QString& reply)
{
    if (!m_passive) {
        // For the rest of the run: the shop's router or firewall keeps the
        // server from connecting back.
        m_passive = true;
        notify(kPassiveModeNotice);
    }
    throw FtpDataConnectionError(masked(message), code, masked(reply));
}

void PocoFtpClient::startTransfer(const std::string& verb, const QString& name)
{
    const Reply r = exchange(verb, name);
    if (r.code == 425 || r.code == 426)
        dataConnectionFailed(QStringLiteral("El servidor no pudo abrir la conexión de datos (") + r.text + QLatin1Char(')'),
                             r.code, r.text);
    if (r.code / 100 != 1)
        fail(QStringLiteral("El servidor no aceptó el archivo ") + quoted(name) + QStringLiteral(" (") + r.text
                 + QLatin1Char(')'),
             r.code, r.text);
}

Poco::Net::StreamSocket PocoFtpClient::activeDataConnection(const std::string& verb, const QString& name)
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
    const Reply r = exchange("PORT", hostPort);
    if (r.code / 100 != 2)
        dataConnectionFailed(QStringLiteral("El servidor no aceptó el puerto de datos (") + r.text + QLatin1Char(')'),
                             r.code, r.text);
    startTransfer(verb, name);

    const auto deadline = std::chrono::steady_clock::now() + m_timeouts.dataConnection;
    while (!guarded(QStringLiteral("Conexión de datos"),
                    [&] { return listener.poll(span(kSlice), Poco::Net::Socket::SELECT_READ); })) {
        throwIfAborted();
        if (std::chrono::steady_clock::now() >= deadline) {
            // Its refusal may still come: the control connection is out of step.
            drop();
            dataConnectionFailed(QStringLiteral("El servidor no abrió la conexión de datos en ")
                                 + seconds(m_timeouts.dataConnection) + QStringLiteral(" segundos"));
        }
    }
    Poco::Net::StreamSocket data = guarded(QStringLiteral("Conexión de datos"), [&] { return listener.acceptConnection(); });
    std::lock_guard lock(m_mutex);
    if (m_aborted) {
        data.close();
        fail(kOperationCancelled);
    }
    m_dataSocket = std::make_unique<Poco::Net::StreamSocket>(data);
    return data;
}

Poco::Net::StreamSocket PocoFtpClient::passiveDataConnection(const std::string& verb, const QString& name)
{
    std::optional<quint16> port;
    if (!m_epsvRefused) {
        const Reply epsv = exchange("EPSV", QString());
        if (epsv.code == 229) {
            port = portInEpsv(epsv.text);
            if (!port) dataConnectionFailed(QStringLiteral("Respuesta no válida a EPSV (") + epsv.text + QLatin1Char(')'));
        } else {
            m_epsvRefused = true;  // for this session: PASV from now on
        }
    }
    if (!port) {
        const Reply pasv = exchange("PASV", QString());
        if (pasv.code != 227)
            dataConnectionFailed(QStringLiteral("El servidor no aceptó el modo pasivo (") + pasv.text + QLatin1Char(')'),
                                 pasv.code, pasv.text);
        port = portInPasv(pasv.text);
        if (!port) dataConnectionFailed(QStringLiteral("Respuesta no válida a PASV (") + pasv.text + QLatin1Char(')'));
    }
    const Poco::Net::IPAddress host = guarded(QStringLiteral("Conexión de datos"), [&] {
        return m_session->control().peerAddress().host();
    });
    const QString where = QString::fromStdString(host.toString()) + QLatin1Char(':') + QString::number(*port);
    Poco::Net::StreamSocket data;
    try {
        data = connectSocket(Poco::Net::SocketAddress(host, *port), where, m_timeouts.dataConnection, m_dataSocket);
    } catch (const FtpError& e) {
        if (aborted()) throw;
        dataConnectionFailed(QStringLiteral("Conexión de datos: ") + e.text());
    }
    startTransfer(verb, name);
    return data;
}

Poco::Net::StreamSocket PocoFtpClient::openDataConnection(const std::string& verb, const std::string& arg)
{
    const QString name = QString::fromStdString(arg);
    Poco::Net::StreamSocket plain = m_passive ? passiveDataConnection(verb, name) : activeDataConnection(verb, name);
    // Every wait on it polls: a server that stops is noticed after the reply
    // time-out without progress, and a cancel within a slice.
    guarded(QStringLiteral("Conexión de datos"), [&] {
        plain.setSendTimeout(span(m_timeouts.reply));
        plain.setReceiveTimeout(span(m_timeouts.reply));
        plain.setBlocking(false);
    });
    Poco::Net::StreamSocket data = plain;
    if (m_protectData) {
        const QString where = QStringLiteral("la conexión de datos");
        data = m_tls->startData(plain, m_session->control(), handshakeWait(plain, where));
    }
    m_dataIo = std::make_unique<Poco::Net::StreamSocket>(data);
    return data;
}

void PocoFtpClient::closeData(Poco::Net::StreamSocket& plain, Poco::Net::StreamSocket& data, const QString& what)
{
    // Closing our end says that the data is complete (on a protected
    // connection the TLS close goes first). The connection is let go only
    // once the server has closed its end: a socket closed with bytes unread
    // (the TLS session tickets, say) is reset, and a reset makes the server
    // drop what it had not read yet.
    const auto deadline = SteadyClock::now() + m_timeouts.reply;
    const auto waitFor = [&](int mode) {
        for (;;) {
            const bool ready = guarded(what, [&] { return plain.poll(span(kSlice), mode | Poco::Net::Socket::SELECT_ERROR); });
            throwIfAborted();
            if (ready) return true;
            if (SteadyClock::now() >= deadline) return false;
        }
    };
    try {
        if (data.secure() && waitFor(Poco::Net::Socket::SELECT_WRITE)) data.shutdown();
        plain.shutdownSend();
    } catch (const Poco::Exception&) {
        // The server closed first: nothing more to tell it.
    }
    std::vector<char> sink(4096);
    while (waitFor(Poco::Net::Socket::SELECT_READ)) {
        int n = -1;
        try {
            n = plain.receiveBytes(sink.data(), static_cast<int>(sink.size()));
        } catch (const Poco::Exception& e) {
            if (!wouldBlock(e)) break;  // reset after the server's close: done too
        }
        if (n == 0) break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_dataSocket.reset();
    }
    m_dataIo.reset();
    try {
        data.close();
    } catch (const Poco::Exception&) {
    }
}

void PocoFtpClient::sendBlock(Poco::Net::StreamSocket& data, const char* bytes, int length)
{
    // The socket does not block: a server that stops reading is noticed
    // after the reply time-out without progress, and a cancel within a slice.
    int done = 0;
    auto deadline = SteadyClock::now() + m_timeouts.reply;
    while (done < length) {
        int n = -1;
        try {
            if (data.poll(span(kSlice), Poco::Net::Socket::SELECT_WRITE | Poco::Net::Socket::SELECT_ERROR))
                n = data.sendBytes(bytes + done, length - done);
        } catch (const Poco::Exception& e) {
            throwIfAborted();
            if (!wouldBlock(e))
                fail(QStringLiteral("Se cortó la conexión de datos; revisa la conexión a Internet (detalle: ")
                     + text(e.displayText()) + QLatin1Char(')'));
        }
        throwIfAborted();
        if (n == 0) fail(QStringLiteral("Se cortó la conexión de datos"));
        if (n > 0) {
            done += n;
            deadline = SteadyClock::now() + m_timeouts.reply;
        } else if (SteadyClock::now() >= deadline) {
            fail(QStringLiteral("El servidor dejó de recibir datos: no aceptó nada en ") + seconds(m_timeouts.reply)
                 + QStringLiteral(" segundos"));
        }
    }
}

int PocoFtpClient::receiveSome(Poco::Net::StreamSocket& data, char* bytes, int length, const QString& what)
{
    return guarded(what, [&] {
        try {
            // Negative: a TLS record is not complete yet.
            return std::max(data.receiveBytes(bytes, length), -1);
        } catch (const Poco::Exception& e) {
            if (wouldBlock(e)) return -1;
            throw;
        }
    });
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
        Poco::Net::StreamSocket plain;
        {
            std::lock_guard lock(m_mutex);
            if (!m_dataSocket || !m_dataIo) fail(kOperationCancelled);
            plain = *m_dataSocket;
        }
        Poco::Net::StreamSocket data = *m_dataIo;
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
        closeData(plain, data, QStringLiteral("STOR"));
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
    // Servers differ: some lack SIZE, some answer it 550 for a file they
    // hold (ASCII mode, a setting), some lack MLST too.
    const Reply size = exchange("SIZE", name);
    if (size.code == 213)
        if (const std::optional<qint64> n = toSize(size.text.mid(4).trimmed())) return n;
    const Reply mlst = exchange("MLST", name);
    if (mlst.code / 100 == 2)
        if (const std::optional<qint64> n = sizeInMlst(mlst.lines)) return n;
    if (const std::optional<QString> list = listing()) return sizeInListing(*list, name);
    return std::nullopt;
}

std::optional<QString> PocoFtpClient::listing()
{
    QByteArray bytes;
    try {
        Poco::Net::StreamSocket data = openDataConnection("LIST", std::string());
        Poco::Net::StreamSocket plain;
        {
            std::lock_guard lock(m_mutex);
            if (!m_dataSocket) fail(kOperationCancelled);
            plain = *m_dataSocket;
        }
        std::vector<char> block(kBlockSize);
        auto deadline = SteadyClock::now() + m_timeouts.reply;
        for (;;) {
            const bool ready = guarded(QStringLiteral("LIST"), [&] {
                return data.poll(span(kSlice), Poco::Net::Socket::SELECT_READ | Poco::Net::Socket::SELECT_ERROR);
            });
            throwIfAborted();
            const int n = ready ? receiveSome(data, block.data(), kBlockSize, QStringLiteral("LIST")) : -1;
            throwIfAborted();
            if (n == 0) break;
            if (n < 0) {
                if (SteadyClock::now() >= deadline)
                    fail(QStringLiteral("El servidor dejó de enviar la lista de archivos: no envió nada en ")
                         + seconds(m_timeouts.reply) + QStringLiteral(" segundos"));
                continue;
            }
            bytes.append(block.data(), n);
            if (bytes.size() > kMaxListing) fail(QStringLiteral("La lista de archivos del servidor es demasiado larga"));
            deadline = SteadyClock::now() + m_timeouts.reply;
        }
        closeData(plain, data, QStringLiteral("LIST"));
        const Reply done = readReply();
        if (done.code / 100 != 2) return std::nullopt;
    } catch (const FtpError& e) {
        // A refusal of PORT, EPSV, PASV or LIST leaves the session in step;
        // anything else puts it out of step.
        if (e.isNegativeReply() && m_open) return std::nullopt;
        drop();
        throw;
    } catch (...) {
        drop();
        throw;
    }
    return QString::fromUtf8(bytes);
}

}  // namespace dc
