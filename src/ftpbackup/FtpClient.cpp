#include "ftpbackup/FtpClient.h"

namespace dc {

FtpError::FtpError(const QString& text, int replyCode, const QString& reply)
    : Failure(text), m_replyCode(replyCode), m_reply(reply)
{
}

std::optional<FtpSecurity> parseFtpSecurity(const QString& stored)
{
    const QString t = stored.trimmed();
    if (t == QLatin1String("0")) return FtpSecurity::Off;
    if (t == QLatin1String("1")) return FtpSecurity::WhenOffered;
    if (t == QLatin1String("2")) return FtpSecurity::Required;
    return std::nullopt;
}

bool isSafeFtpArgument(const QString& name)
{
    return !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n'));
}

}  // namespace dc
