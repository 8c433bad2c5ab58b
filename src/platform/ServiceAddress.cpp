#include "platform/ServiceAddress.h"

namespace dc {

std::optional<ServiceAddress> parseServiceAddress(const QString& text, QString* why)
{
    const auto refuse = [&](const QString& reason) -> std::optional<ServiceAddress> {
        if (why) *why = reason;
        return std::nullopt;
    };
    ServiceAddress address;
    QString host = text.trimmed();
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QString portText = host.mid(colon + 1);
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+')))
            return refuse(QStringLiteral("el puerto debe ser un número de 1 a 65535"));
        address.port = static_cast<quint16>(port);
        host.truncate(colon);
    }
    if (host.isEmpty()) return refuse(QStringLiteral("falta el servidor"));
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_')))
            return refuse(QStringLiteral("el servidor debe ser una dirección IPv4 o un nombre de host"));
    }
    address.host = host;
    return address;
}

}  // namespace dc
