#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace dc {

// An input/output failure on a folder the system relies on.
class FolderError : public std::runtime_error {
public:
    explicit FolderError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// The files waiting in the outbox: ordinary files only (no folders, no hidden
// or system files), sorted by name. Throws FolderError when the folder is missing.
QStringList outboxFiles(const QString& folder);

// Makes `folder` the process's current directory, as pointing the outbox list
// at it does; the tools started later inherit it. Throws FolderError.
void enterFolder(const QString& folder);

}  // namespace dc
