#include "ftpbackup/FtpClient.h"

namespace dc {

FtpError::FtpError(const QString& message, int replyCode, const QString& reply)
    : std::runtime_error(message.toStdString()), m_message(message), m_replyCode(replyCode), m_reply(reply)
{
}

bool isSafeFtpArgument(const QString& name)
{
    return !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n'));
}

}  // namespace dc
