#include "cloud/OutboxListing.h"

#include "platform/FileNames.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace dc {

QString missingFolderText(const QString& folder)
{
    return QStringLiteral("Error de entrada/salida: no existe la carpeta ") + QDir::toNativeSeparators(folder);
}

QStringList outboxFiles(const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists()) throw FolderError(missingFolderText(folder));
    QStringList files = dir.entryList({QStringLiteral("*")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    sortFileNames(files);
    return files;
}

void enterFolder(const QString& folder)
{
    if (!QFileInfo(folder).isDir() || !QDir::setCurrent(folder)) throw FolderError(missingFolderText(folder));
}

OutboxWatcher::OutboxWatcher(QString folder, std::function<qint64()> nowMs)
    : m_folder(std::move(folder)), m_now(nowMs ? std::move(nowMs) : [] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

OutboxWatcher::Refresh OutboxWatcher::refresh()
{
    Refresh r;
    const QFileInfo info(m_folder);
    QStringList files;
    try {
        enterFolder(m_folder);
        const qint64 stamp = info.lastModified().toMSecsSinceEpoch();
        r.present = true;
        m_missingReported = false;
        if (stamp == m_stamp && m_readAt - m_stamp >= kSettleMs) return r;
        const qint64 readAt = m_now();
        files = outboxFiles(m_folder);
        ++m_reads;
        m_stamp = stamp;
        m_readAt = readAt;
    } catch (const FolderError& e) {
        r.present = false;
        m_stamp = -1;
        if (!m_missingReported) {
            m_missingReported = true;
            r.newlyMissing = QString::fromStdString(e.what());
        }
    }
    if (files != m_files) {
        m_files = std::move(files);
        r.changed = true;
    }
    return r;
}

}  // namespace dc
