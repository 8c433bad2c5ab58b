#include "platform/ProgramOptions.h"

#include <QCommandLineParser>

namespace dc {

std::optional<ProgramOptions> parseCommandLine(const QStringList& arguments, const ProgramOptionSet& set,
                                               QString* error, QCommandLineParser* own)
{
    QCommandLineParser local;
    QCommandLineParser& parser = own ? *own : local;
    parser.setApplicationDescription(set.description);
    parser.addHelpOption();
    const QCommandLineOption root(
        QStringLiteral("root"),
        QStringLiteral("Raíz de instalación (por omisión: %1).")
            .arg(set.rootDefaultText.isEmpty() ? set.rootDefault : set.rootDefaultText),
        QStringLiteral("DIR"), set.rootDefault);
    if (set.root) parser.addOption(root);
    const QCommandLineOption service(
        QStringLiteral("backup-service"),
        set.backupServiceDefault.isEmpty()
            ? QStringLiteral("Servicio de respaldo FTP.")
            : QStringLiteral("Servicio de respaldo FTP (por omisión: %1).").arg(set.backupServiceDefault),
        QStringLiteral("HOST[:PUERTO]"));
    if (set.backupService) parser.addOption(service);
    parser.process(arguments);

    ProgramOptions options;
    if (set.root) options.root = parser.value(root);
    if (set.backupService && parser.isSet(service)) {
        const QString text = parser.value(service);
        QString why;
        options.backupService = parseServiceAddress(text, &why);
        if (!options.backupService) {
            if (error) *error = QStringLiteral("--backup-service ") + text + QStringLiteral(": ") + why;
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace dc
