#include "tools/toolsupport/ToolSupport.h"

#include "cloud/CloudLog.h"
#include "platform/ProgramOptions.h"
#include "settings/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace dc {

InstallRoot toolInstallRoot(const QString& rootOption)
{
    if (!rootOption.isEmpty()) return InstallRoot(rootOption);
    return InstallRoot(QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/..")));
}

QString notInOutbox(const InstallRoot& root)
{
    // QDir compares canonical paths (without case on Windows).
    if (QDir::current() == QDir(root.outboxDir())) return {};
    return QStringLiteral("la carpeta actual (%1) no es la bandeja de salida (%2); no se hace nada")
        .arg(QDir::toNativeSeparators(QDir::currentPath()), QDir::toNativeSeparators(root.outboxDir()));
}

QString partialExportName(const QString& fileName)
{
    return QLatin1Char('.') + fileName + QStringLiteral(".tmp");
}

bool isPartialExport(const QString& fileName)
{
    // Also QSaveFile's own temporary file beside the partial one, when the
    // file system cannot make unnamed files.
    return fileName.startsWith(QLatin1Char('.')) && fileName.contains(QStringLiteral(".xml.tmp"));
}

SingleRun::SingleRun(const QString& lockFile) : m_lock(lockFile)
{
    m_acquired = m_lock.tryLock(0);
}

QString SingleRun::refusal(const QString& busyText) const
{
    if (m_lock.error() == QLockFile::LockFailedError) return busyText;
    return QStringLiteral("no se pudo crear el archivo de bloqueo ") + QDir::toNativeSeparators(m_lock.fileName())
           + (m_lock.error() == QLockFile::PermissionError ? QStringLiteral(": permiso denegado")
                                                            : QStringLiteral(": la carpeta no existe o no se puede escribir"));
}

CloudLogWriter::CloudLogWriter(Connection& dataCenter, QString toolName, const Clock& clock)
    : m_dataCenter(dataCenter), m_toolName(std::move(toolName)), m_clock(clock)
{
}

void CloudLogWriter::write(const QString& text)
{
    QTextStream err(stderr);
    err << m_toolName << ": " << text << '\n';
    try {
        appendCloudLog(m_dataCenter, m_clock.now(), text);
    } catch (const DbError& e) {
        m_failed = true;
        err << m_toolName << ": no se pudo escribir en el registro (" << QDir::toNativeSeparators(m_dataCenter.filePath())
            << "): " << e.text() << '\n';
    }
}

bool outboxToolRoot(const QCoreApplication& app, const QString& toolName, const QString& description,
                    InstallRoot* root)
{
    ProgramOptionSet set;
    set.description = description;
    set.root = true;
    set.rootDefaultText = QStringLiteral("la carpeta sobre la del programa");
    QString why;
    const std::optional<ProgramOptions> options = parseCommandLine(app.arguments(), set, &why);
    if (!options) {
        QTextStream(stderr) << toolName << ": " << why << '\n';
        return false;
    }
    *root = toolInstallRoot(options->root);
    if (const QString refusal = notInOutbox(*root); !refusal.isEmpty()) {
        QTextStream(stderr) << toolName << ": " << refusal << '\n';
        return false;
    }
    return true;
}

std::unique_ptr<SingleRun> startOutboxTool(const QCoreApplication& app, const QString& toolName,
                                           const QString& description, const QString& busyText, InstallRoot* root)
{
    if (!outboxToolRoot(app, toolName, description, root)) return nullptr;
    auto running = std::make_unique<SingleRun>(root->toolLockFile(toolName));
    if (!running->acquired()) {
        QTextStream(stderr) << toolName << ": " << running->refusal(busyText) << '\n';
        return nullptr;
    }
    return running;
}

}  // namespace dc
