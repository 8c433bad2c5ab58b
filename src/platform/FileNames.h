#pragma once

#include <QString>
#include <QStringList>

namespace dc {

// The platform's rules for file names.

// The name part of a path: on Windows the text after the last "\", "/" or
// ":" (a drive letter); elsewhere the text after the last "/", since "\" and
// ":" are ordinary characters of a name there ("Corte 10:30.pdf").
QString fileNamePart(const QString& path);

// Whether two names are the same file name: without regard to letter case on
// Windows, exactly elsewhere.
bool sameFileName(const QString& a, const QString& b);

// The path by which the programs of the machine underneath see `path`: under
// Wine, which runs Windows programs on Linux, the Linux path of a Windows one
// (what `winepath -u` tells; an ODBC driver there is Linux's, reached through
// Wine's ODBC); the path itself everywhere else.
QString hostPath(const QString& path);

// Sorts names as a file manager lists them: letter case ignored, and runs of
// digits compared by their value ("venta_2" before "venta_10").
void sortFileNames(QStringList& names);

}  // namespace dc
