#pragma once

#include "settings/Database.h"

#include <QSqlError>
#include <QString>

namespace dc {

// What went wrong with a database, told the way a shop owner can act on it.
enum class DbFault {
    Busy,           // another program holds the database
    TooLong,        // a text longer than its column takes
    Rejected,       // another rule of the table refused the row
    CannotOpen,     // the file is missing or may not be used
    MissingObject,  // a table or a column the program needs is not there
    NotADatabase,   // the file is not a database, or it is damaged
    DiskFull,
    ReadOnly,
    DiskError,
    Other,
};

DbFault dbFaultOf(const QSqlError& error);

// A database error for the user: a Spanish sentence that says what happened
// and what to do, then the driver's own words for support, "(detalle: …)".
QString spanishDbErrorText(const QSqlError& error);

// A write that found the database held by another program for longer than
// it was willing to wait.
class DbBusyError : public DbError {
public:
    using DbError::DbError;
};

}  // namespace dc
