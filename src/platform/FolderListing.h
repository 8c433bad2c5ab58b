#pragma once

#include <QString>
#include <QStringList>

namespace dc {

// Appends to `list` the names of the entries of `folder` that are not plain
// directories. `folder` must already end with a separator (none is added).
// The list is never cleared and sub-folders are not entered; a missing or
// empty folder leaves it as it was. Returns false, with the reason in *why,
// when the folder cannot be read (missing, not a folder, no permission).
bool listFolderFiles(const QString& folder, QStringList& list, QString* why = nullptr);

}  // namespace dc
