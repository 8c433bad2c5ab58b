#include "cloud/OutboxListing.h"

#include <QDir>
#include <QFileInfo>

namespace dc {

namespace {
QString missing(const QString& folder)
{
    return QStringLiteral("Error de entrada/salida: no existe la carpeta ") + QDir::toNativeSeparators(folder);
}
}  // namespace

QStringList outboxFiles(const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists()) throw FolderError(missing(folder));
    return dir.entryList({QStringLiteral("*")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

void enterFolder(const QString& folder)
{
    if (!QFileInfo(folder).isDir() || !QDir::setCurrent(folder)) throw FolderError(missing(folder));
}

}  // namespace dc
