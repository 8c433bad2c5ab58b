#include "ftpbackup/FtpClient.h"

namespace dc {

FtpError::FtpError(const QString& text, int replyCode, const QString& reply)
    : Failure(text), m_replyCode(replyCode), m_reply(reply)
{
}

bool isSafeFtpArgument(const QString& name)
{
    return !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n'));
}

}  // namespace dc
