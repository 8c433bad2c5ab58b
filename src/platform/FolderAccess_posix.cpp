#include "platform/FolderAccess.h"

#include "platform/Failure.h"

namespace dc {

QString accountSid(const QString& /*accountName*/)
{
    throw Failure(QStringLiteral("Las cuentas de Windows solo existen en Windows; aquí las carpetas de la instalación son solo de su dueño"));
}

void applyFolderAccess(const QString& /*folder*/, FolderKind /*kind*/, const QStringList& /*accountSids*/) {}

}  // namespace dc
