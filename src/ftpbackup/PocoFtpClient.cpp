#include "ftpbackup/PocoFtpClient.h"

#include "ftpbackup/FtpTls.h"

#include <Poco/Error.h>
#include <Poco/Exception.h>
#include <Poco/Net/DialogSocket.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Timespan.h>

#include <csignal>

namespace dc {

// Off unless asked for: QT_LOGGING_RULES="dc.ftp.debug=true".
Q_LOGGING_CATEGORY(lcFtp, "dc.ftp", QtWarningMsg)

namespace {

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

QString pocoText(const std::string& s)
{
    return QString::fromStdString(s).simplified();
}

using SteadyClock = std::chrono::steady_clock;

std::optional<qint64> sizeInSizeReply(const QString& text)
{
    const QString digits = text.mid(4).trimmed();
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    if (!ok || n < 0) return std::nullopt;
    return n;
}

// A peer that closes a socket we write to must give an error, not end the process.
void ignoreBrokenPipe()
{
#if defined(SIGPIPE)
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
#endif
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber();
}

}  // namespace

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
    throw FtpError(message, code, reply);
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
    m_mode = passive ? DataMode::Epsv : DataMode::Active;
    m_fellBack = false;
}

bool PocoFtpClient::isPassive() const
{
    return m_mode != DataMode::Active;
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

void PocoFtpClient::remember()
{
    if (m_memory) m_memory->remember(m_host, m_port, m_facts);
}

QString PocoFtpClient::shown(const QString& name) const
{
    for (const QString& secret : m_secrets)
        if (!secret.isEmpty() && name == secret) return QLatin1Char('"') + kMask + QLatin1Char('"');
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString PocoFtpClient::masked(QString text) const
{
    for (const QString& secret : m_secrets) {
        if (secret.isEmpty()) continue;
        // A quoted path in a reply doubles the quotes of a name.
        QStringList forms{secret};
        if (secret.contains(QLatin1Char('"'))) forms << QString(secret).replace(QLatin1String("\""), QLatin1String("\"\""));
        for (const QString& form : forms) {
            for (qsizetype at = text.indexOf(form); at >= 0; at = text.indexOf(form, at)) {
                const qsizetype end = at + form.size();
                const bool alone = (at == 0 || !isWordChar(text[at - 1])) && (end >= text.size() || !isWordChar(text[end]));
                if (alone) {
                    text.replace(at, form.size(), kMask);
                    at += kMask.size();
                } else {
                    at = end;
                }
            }
        }
    }
    return text;
}

void PocoFtpClient::trace(const char* direction, const QString& line) const
{
    if (lcFtp().isDebugEnabled()) qCDebug(lcFtp).noquote() << direction << line;
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
             + pocoText(e.displayText()) + QLatin1Char(')'));
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
        const auto deadline = SteadyClock::now() + timeout;
        while (!socket.poll(span(kSlice), Poco::Net::Socket::SELECT_WRITE | Poco::Net::Socket::SELECT_ERROR)) {
            throwIfAborted();
            if (SteadyClock::now() >= deadline)
                fail(QStringLiteral("No se pudo conectar con ") + where + QStringLiteral(": no hubo respuesta en ")
                     + seconds(timeout) + QStringLiteral(" segundos; revisa la conexión a Internet"));
        }
        throwIfAborted();
        if (const int err = socket.impl()->socketError())
            fail(QStringLiteral("No se pudo conectar con ") + where
                 + QStringLiteral(": el servidor no aceptó la conexión; revisa la conexión a Internet y el servidor de "
                                  "respaldo elegido (detalle: ")
                 + pocoText(Poco::Error::getMessage(err)) + QLatin1Char(')'));
        socket.setBlocking(true);
        socket.setNoDelay(true);
    } catch (const Poco::Exception& e) {
        fail(QStringLiteral("No se pudo conectar con ") + where
             + QStringLiteral(": revisa la conexión a Internet y el servidor de respaldo elegido (detalle: ")
             + pocoText(e.displayText()) + QLatin1Char(')'));
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
             + pocoText(e.displayText()) + QLatin1Char(')'));
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
    m_secrets.removeAll(password);
    if (!password.isEmpty()) m_secrets << password;
    m_host = host;
    m_port = port;
    m_facts = m_memory ? m_memory->recall(host, port) : FtpServerFacts();
    // A run starts with the kind of data connection that last worked with
    // this server, and keeps to what it learns itself once one failed.
    if (!m_fellBack && m_facts.mode != DataMode::Unknown) m_mode = m_facts.mode;
    try {
        const Poco::Net::StreamSocket socket = connectControl(host, port);
        guarded(QStringLiteral("Conexión"), [&] {
            m_control = std::make_unique<Poco::Net::DialogSocket>(socket);
            m_control->setReceiveTimeout(span(m_timeouts.reply));
            m_control->setSendTimeout(span(m_timeouts.reply));
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
                QStringLiteral("El servidor no aceptó la cuenta ") + shown(user) + QStringLiteral(" (") + r.text + QLatin1Char(')');
            if (r.code / 100 == 5) throw FtpLoginRefused(message, r.code, r.text);
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
            throw FtpSecurityRefused(QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS) y la "
                                                    "conexión con ") + where
                                     + QStringLiteral(" debe ser segura: no se conectó"));
        if (!std::exchange(m_noTlsNoticeGiven, true))
            notify(QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS): la conexión con ")
                   + where + QStringLiteral(" va sin cifrar"));
        return false;
    }
    const Reply auth = exchange("AUTH", QStringLiteral("TLS"));
    if (auth.code / 100 != 2) {
        if (m_security == FtpSecurity::Required)
            throw FtpSecurityRefused(QStringLiteral("El servidor ") + where
                                         + QStringLiteral(" no ofrece conexión segura (TLS), que es obligatoria para este "
                                                          "servicio: no se envió la cuenta (")
                                         + auth.text + QLatin1Char(')'),
                                     auth.code, auth.text);
        // A server that offered TLS before and does not now may not be the
        // same server: the account does not go in clear to it.
        if (m_facts.offeredTls)
            throw FtpSecurityRefused(QStringLiteral("El servidor ") + where
                                         + QStringLiteral(" ofrecía conexión segura (TLS) y ahora no la ofrece: no se envió "
                                                          "la cuenta. Si el servidor cambió, elige la conexión sin cifrar en la "
                                                          "configuración (")
                                         + auth.text + QLatin1Char(')'),
                                     auth.code, auth.text);
        notify(clearTextNotice(where));
        return false;
    }
    // The handshake steps without blocking (a cancel or the time-out ends
    // it); then the replies are read as before, through TLS.
    Poco::Net::StreamSocket plain = *m_control;
    guarded(QStringLiteral("Conexión segura"), [&] { plain.setBlocking(false); });
    const Poco::Net::StreamSocket secure = m_tls->startControl(plain, host, where, handshakeWait(plain, where));
    guarded(QStringLiteral("Conexión segura"), [&] {
        plain.setBlocking(true);
        *m_control = secure;
    });
    trace("--", QStringLiteral("conexión segura (TLS) con ") + where);
    if (!m_facts.offeredTls) {
        m_facts.offeredTls = true;
        remember();
    }
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
        throw FtpSecurityRefused(QStringLiteral("El servidor no protege la transferencia de archivos (PROT P), que es "
                                                "obligatoria para este servicio (")
                                     + r.text + QLatin1Char(')'),
                                 r.code, r.text);
    // Offered for the log-in only: the account went protected, the files go plain.
    notify(QStringLiteral("El servidor no protege la transferencia de archivos: la cuenta va cifrada, los archivos "
                          "van sin cifrar (") + r.text + QLatin1Char(')'));
}

bool PocoFtpClient::isOpen() const
{
    return m_open;
}

void PocoFtpClient::close()
{
    if (m_control && m_open && !aborted()) {
        try {
            m_control->setReceiveTimeout(span(m_timeouts.quitReply));
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
    m_control.reset();
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

QString PocoFtpClient::readLine()
{
    // One byte at a time from the socket's buffer, so that a line without
    // end is cut off at its bound, whatever the server keeps sending.
    QByteArray line;
    for (;;) {
        const int c = m_control->get();
        if (c < 0) return line.isEmpty() ? QString() : QString::fromUtf8(line);
        if (c == '\n') break;
        if (line.size() > FtpReplyReader::kMaxLineBytes) {
            drop();
            fail(QStringLiteral("El servidor envió una respuesta demasiado larga (más de %1 KiB en una línea)")
                     .arg(FtpReplyReader::kMaxLineBytes / 1024));
        }
        line.append(static_cast<char>(c));
    }
    if (line.endsWith('\r')) line.chop(1);
    // An empty line still counts as one: the reader sees it.
    return line.isEmpty() ? QStringLiteral(" ") : QString::fromUtf8(line);
}

PocoFtpClient::Reply PocoFtpClient::readReply()
{
    if (!m_control) fail(QStringLiteral("No hay conexión con el servidor"));
    m_reader.reset();
    for (;;) {
        const QString line = guarded(QStringLiteral("Respuesta del servidor"), [&] { return readLine(); });
        if (line.isNull()) {
            const bool cancelled = aborted();
            drop();
            fail(cancelled ? kOperationCancelled : QStringLiteral("El servidor cerró la conexión"));
        }
        const FtpReplyReader::Step step = m_reader.add(line);
        if (step == FtpReplyReader::Step::Done) break;
        if (step == FtpReplyReader::Step::TooLong) {
            drop();
            fail(QStringLiteral("El servidor envió una respuesta demasiado larga (más de %1 líneas o %2 KiB); se cerró la "
                                "conexión")
                     .arg(FtpReplyReader::kMaxLines)
                     .arg(FtpReplyReader::kMaxBytes / 1024));
        }
        if (step == FtpReplyReader::Step::Malformed) {
            drop();
            fail(QStringLiteral("El servidor envió una respuesta que no es de FTP: ") + masked(line.left(200)));
        }
    }
    Reply r{m_reader.reply().code, m_reader.reply().lines, masked(m_reader.reply().text())};
    trace("<-", r.text);
    return r;
}

PocoFtpClient::Reply PocoFtpClient::exchange(const std::string& verb, const QString& arg)
{
    if (!m_control) fail(QStringLiteral("No hay conexión con el servidor"));
    if (!isSafeFtpArgument(arg))
        fail(QStringLiteral("El nombre ") + shown(arg) + QStringLiteral(" contiene un salto de línea; no se envía al servidor"));
    throwIfAborted();
    const QString shownArg = verb == "PASS" || m_secrets.contains(arg) ? kMask : arg;
    trace("->", arg.isEmpty() ? QString::fromStdString(verb) : QString::fromStdString(verb) + QLatin1Char(' ') + shownArg);
    guarded(QString::fromStdString(verb), [&] {
        if (arg.isEmpty())
            m_control->sendMessage(verb);
        else
            m_control->sendMessage(verb, arg.toStdString());
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
    command("CWD", name, 2, QStringLiteral("No se pudo entrar a la carpeta ") + shown(name));
}

void PocoFtpClient::leaveFolder()
{
    command("CDUP", QString(), 2, QStringLiteral("No se pudo subir de carpeta"));
}

void PocoFtpClient::makeFolder(const QString& name)
{
    command("MKD", name, 2, QStringLiteral("No se pudo crear la carpeta ") + shown(name));
}

void PocoFtpClient::setBinary()
{
    command("TYPE", QStringLiteral("I"), 2, QStringLiteral("El servidor no aceptó el tipo binario"));
}

void PocoFtpClient::remove(const QString& name)
{
    command("DELE", name, 2, QStringLiteral("No se pudo borrar ") + shown(name));
}

bool PocoFtpClient::removeIfPresent(const QString& name)
{
    const Reply r = exchange("DELE", name);
    if (r.code / 100 == 2) return true;
    if (r.code == 550 || r.code == 450) return false;
    fail(QStringLiteral("No se pudo borrar ") + shown(name) + QStringLiteral(" (") + r.text + QLatin1Char(')'), r.code, r.text);
}

void PocoFtpClient::rename(const QString& from, const QString& to)
{
    const QString what = QStringLiteral("No se pudo renombrar ") + shown(from) + QStringLiteral(" a ") + shown(to);
    command("RNFR", from, 3, what);
    command("RNTO", to, 2, what);
}

bool PocoFtpClient::isFolder(const QString& name)
{
    const Reply r = exchange("CWD", name);
    if (r.code / 100 != 2) return false;
    command("CDUP", QString(), 2, QStringLiteral("No se pudo salir de la carpeta ") + shown(name));
    return true;
}

void PocoFtpClient::dataConnectionFailed(const QString& message, int code, const QString& reply)
{
    // The next data connection tries the next kind: the shop's router or
    // firewall may keep the server from connecting back, the server's from
    // being reached at the port it gives.
    m_fellBack = true;
    switch (m_mode) {
    case DataMode::Unknown:
    case DataMode::Active:
        m_mode = DataMode::Epsv;
        notify(kPassiveModeNotice);
        break;
    case DataMode::Epsv: m_mode = DataMode::Pasv; break;
    case DataMode::Pasv: m_mode = DataMode::Active; break;
    }
    throw FtpDataConnectionError(message, code, reply);
}

void PocoFtpClient::dataModeWorked()
{
    if (m_facts.mode == m_mode) return;
    m_facts.mode = m_mode;
    remember();
}

void PocoFtpClient::startTransfer(const std::string& verb, const QString& name)
{
    const Reply r = exchange(verb, name);
    if (r.code == 425 || r.code == 426)
        dataConnectionFailed(QStringLiteral("El servidor no pudo abrir la conexión de datos (") + r.text + QLatin1Char(')'),
                             r.code, r.text);
    if (r.code / 100 != 1)
        fail(QStringLiteral("El servidor no aceptó el archivo ") + shown(name) + QStringLiteral(" (") + r.text
                 + QLatin1Char(')'),
             r.code, r.text);
}

FtpDataChannel::Limits PocoFtpClient::dataLimits() const
{
    FtpDataChannel::Limits limits;
    limits.stall = m_timeouts.reply;
    limits.slice = kSlice;
    return limits;
}

Poco::Net::StreamSocket PocoFtpClient::activeDataConnection(const std::string& verb, const QString& name)
{
    const Poco::Net::SocketAddress local = guarded(QStringLiteral("PORT"), [&] { return m_controlSocket->address(); });
    const Poco::Net::IPAddress server = guarded(QStringLiteral("PORT"), [&] { return m_controlSocket->peerAddress().host(); });
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
    const std::optional<Poco::Net::StreamSocket> data = guarded(QStringLiteral("Conexión de datos"), [&] {
        return FtpDataChannel::acceptFrom(listener, server, m_timeouts.dataConnection, dataLimits(),
                                          [this] { return aborted(); });
    });
    if (!data) {
        // Its refusal may still come: the control connection is out of step.
        drop();
        dataConnectionFailed(QStringLiteral("El servidor no abrió la conexión de datos en ")
                             + seconds(m_timeouts.dataConnection) + QStringLiteral(" segundos"));
    }
    std::lock_guard lock(m_mutex);
    if (m_aborted) fail(kOperationCancelled);
    m_dataSocket = std::make_unique<Poco::Net::StreamSocket>(*data);
    return *data;
}

Poco::Net::StreamSocket PocoFtpClient::passiveDataConnection(const std::string& verb, const QString& name)
{
    std::optional<quint16> port;
    if (m_mode == DataMode::Epsv) {
        const Reply epsv = exchange("EPSV", QString());
        if (epsv.code == 229) port = portInEpsvReply(epsv.lines.value(0));
        // Refused or not understood: PASV, now and for the rest of the run.
        if (!port) m_mode = DataMode::Pasv;
    }
    if (!port) {
        const Reply pasv = exchange("PASV", QString());
        if (pasv.code != 227)
            dataConnectionFailed(QStringLiteral("El servidor no aceptó el modo pasivo (") + pasv.text + QLatin1Char(')'),
                                 pasv.code, pasv.text);
        port = portInPasvReply(pasv.lines.value(0));
        if (!port) dataConnectionFailed(QStringLiteral("Respuesta no válida a PASV (") + pasv.text + QLatin1Char(')'));
    }
    const Poco::Net::IPAddress host = guarded(QStringLiteral("Conexión de datos"), [&] {
        return m_controlSocket->peerAddress().host();
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

FtpDataChannel PocoFtpClient::openDataChannel(const std::string& verb, const QString& name)
{
    if (!m_control) fail(QStringLiteral("No hay conexión con el servidor"));
    if (m_mode == DataMode::Unknown) m_mode = DataMode::Active;
    Poco::Net::StreamSocket plain =
        m_mode == DataMode::Active ? activeDataConnection(verb, name) : passiveDataConnection(verb, name);
    dataModeWorked();
    // Every wait on it polls: a server that stops is noticed after the reply
    // time-out without progress, and a cancel within a slice.
    guarded(QStringLiteral("Conexión de datos"), [&] {
        plain.setBlocking(false);
        plain.setNoDelay(false);
    });
    Poco::Net::StreamSocket data = plain;
    if (m_protectData) data = m_tls->startData(plain, *m_control, handshakeWait(plain, QStringLiteral("la conexión de datos")));
    return FtpDataChannel(plain, data, dataLimits(), [this] { return aborted(); });
}

void PocoFtpClient::releaseData()
{
    std::lock_guard lock(m_mutex);
    m_dataSocket.reset();
}

bool PocoFtpClient::transferFailed(const FtpError& e, bool started)
{
    // A refusal before any data (the transfer command, PORT, EPSV or PASV
    // answered 4xx/5xx) or the server's own failure reply after the data
    // leaves the session in step; anything else puts it out of step.
    const bool inStep = e.isNegativeReply() && m_open && (!started || !m_dataSocket);
    releaseData();
    if (!inStep) drop();
    return inStep;
}

qint64 PocoFtpClient::upload(QIODevice& file, const QString& remoteName, const Progress& progress)
{
    if (!isSafeFtpArgument(remoteName))
        fail(QStringLiteral("El nombre ") + shown(remoteName) + QStringLiteral(" contiene un salto de línea; no se envía al servidor"));
    if (!m_control) fail(QStringLiteral("No hay conexión con el servidor"));
    throwIfAborted();
    qint64 sent = 0;
    bool started = false;
    try {
        FtpDataChannel channel = openDataChannel("STOR", remoteName);
        started = true;
        sent = channel.send(file, progress);
        channel.close();
        releaseData();
        const Reply done = readReply();
        if (done.code / 100 != 2)
            fail(QStringLiteral("El servidor no completó la recepción de ") + shown(remoteName) + QStringLiteral(" (")
                     + done.text + QLatin1Char(')'),
                 done.code, done.text);
    } catch (const FtpError& e) {
        transferFailed(e, started);
        throw;
    } catch (...) {
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
        if (const std::optional<qint64> n = sizeInSizeReply(size.lines.value(0))) return n;
    const Reply mlst = exchange("MLST", name);
    if (mlst.code / 100 == 2)
        if (const std::optional<qint64> n = sizeInMlstReply(mlst.lines)) return n;
    if (const std::optional<QString> list = listing()) return sizeInListing(*list, name);
    return std::nullopt;
}

std::optional<QString> PocoFtpClient::listing()
{
    QByteArray bytes;
    bool started = false;
    try {
        FtpDataChannel channel = openDataChannel("LIST", QString());
        started = true;
        bytes = channel.receiveAll(kMaxListing, QStringLiteral("Lista de archivos"));
        channel.close();
        releaseData();
        const Reply done = readReply();
        if (done.code / 100 != 2) return std::nullopt;
    } catch (const FtpError& e) {
        if (transferFailed(e, started)) return std::nullopt;
        throw;
    } catch (...) {
        drop();
        throw;
    }
    return QString::fromUtf8(bytes);
}

}  // namespace dc
