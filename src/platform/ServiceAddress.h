#pragma once

#include <QString>

#include <optional>

namespace dc {

// Where a network service is: the FTP backup service, the cloud server.
struct ServiceAddress {
    QString host;
    quint16 port = 21;
    QString toString() const { return host + QLatin1Char(':') + QString::number(port); }
};

// Parses "HOST[:PORT]" (IPv4 address or host name; port 1 to 65535, 21 when
// left out). Returns nullopt and fills *why with the reason when the text is
// not valid.
std::optional<ServiceAddress> parseServiceAddress(const QString& text, QString* why = nullptr);

}  // namespace dc
