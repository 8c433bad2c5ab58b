#include "settings/DbErrorText.h"

#include <QRegularExpression>

namespace dc {

namespace {

// The driver's words: what the database said and what Qt made of it.
QString driverWords(const QSqlError& error)
{
    const QString driver = error.driverText().trimmed();
    const QString db = error.databaseText().trimmed();
    if (driver.isEmpty()) return db;
    if (db.isEmpty() || db == driver) return driver;
    return db + QStringLiteral(" (") + driver + QStringLiteral(")");
}

bool mentions(const QString& text, const char* words)
{
    return text.contains(QLatin1String(words), Qt::CaseInsensitive);
}

}  // namespace

DbFault dbFaultOf(const QSqlError& error)
{
    const QString text = error.databaseText();
    // SQLite's result code (its primary part) where the driver gives it;
    // other drivers are known by their words.
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    if (numeric) {
        switch (code) {
        case 5:   // SQLITE_BUSY
        case 6: return DbFault::Busy;  // SQLITE_LOCKED
        case 19: return mentions(text, "length(") ? DbFault::TooLong : DbFault::Rejected;  // SQLITE_CONSTRAINT
        case 14: return DbFault::CannotOpen;  // SQLITE_CANTOPEN
        case 11:                              // SQLITE_CORRUPT
        case 26: return DbFault::NotADatabase;  // SQLITE_NOTADB
        case 13: return DbFault::DiskFull;      // SQLITE_FULL
        case 8: return DbFault::ReadOnly;       // SQLITE_READONLY
        case 10: return DbFault::DiskError;     // SQLITE_IOERR
        default: break;
        }
    }
    if (mentions(text, "locked") || mentions(text, "busy")) return DbFault::Busy;
    if (mentions(text, "length(")) return DbFault::TooLong;
    if (mentions(text, "constraint")) return DbFault::Rejected;
    if (mentions(text, "no such table") || mentions(text, "no such column")) return DbFault::MissingObject;
    if (mentions(text, "unable to open")) return DbFault::CannotOpen;
    if (mentions(text, "not a database") || mentions(text, "malformed")) return DbFault::NotADatabase;
    return DbFault::Other;
}

QString spanishDbErrorText(const QSqlError& error)
{
    QString sentence;
    switch (dbFaultOf(error)) {
    case DbFault::Busy:
        sentence = QStringLiteral("La base de datos está ocupada por otro programa (una herramienta KOVA o el punto de "
                                  "venta). Espera unos segundos y vuelve a intentarlo");
        break;
    case DbFault::TooLong: {
        static const QRegularExpression limit(QStringLiteral("length\\(\\w+\\)\\s*<=\\s*(\\d+)"));
        const QRegularExpressionMatch m = limit.match(error.databaseText());
        sentence = QStringLiteral("El texto es demasiado largo para guardarse")
                   + (m.hasMatch() ? QStringLiteral(": admite hasta %1 caracteres").arg(m.captured(1)) : QString())
                   + QStringLiteral(". Acórtalo y vuelve a intentarlo");
        break;
    }
    case DbFault::Rejected:
        sentence = QStringLiteral("La base de datos no aceptó el dato porque no cumple sus reglas. Revisa el valor o "
                                  "contacta a soporte");
        break;
    case DbFault::CannotOpen:
        sentence = QStringLiteral("El archivo no existe o no se tiene permiso para usarlo. Revisa la instalación o "
                                  "contacta a soporte");
        break;
    case DbFault::MissingObject:
        sentence = QStringLiteral("A la base de datos le falta una tabla o un campo que el programa necesita: la "
                                  "instalación está incompleta o dañada. Contacta a soporte");
        break;
    case DbFault::NotADatabase:
        sentence = QStringLiteral("El archivo no es una base de datos válida o está dañado. Contacta a soporte");
        break;
    case DbFault::DiskFull:
        sentence = QStringLiteral("El disco está lleno y no se pudo guardar. Libera espacio y vuelve a intentarlo");
        break;
    case DbFault::ReadOnly:
        sentence = QStringLiteral("La base de datos sólo se puede leer, no guardar. Revisa los permisos del archivo o "
                                  "contacta a soporte");
        break;
    case DbFault::DiskError:
        sentence = QStringLiteral("Hubo un error del disco al leer o escribir la base de datos. Revisa el disco o "
                                  "contacta a soporte");
        break;
    case DbFault::Other:
        sentence = QStringLiteral("La base de datos informó un error. Si se repite, contacta a soporte");
        break;
    }
    const QString words = driverWords(error);
    return words.isEmpty() ? sentence + QLatin1Char('.') : sentence + QStringLiteral(" (detalle: ") + words + QLatin1Char(')');
}

}  // namespace dc
