#pragma once

#include "platform/Failure.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace dc {

// An input/output failure on a folder the system relies on.
class FolderError : public Failure {
public:
    using Failure::Failure;
};

// The files waiting in the outbox: ordinary files only (no folders, no hidden
// or system files), sorted by name as a file manager lists them (letter case
// ignored, numbers by their value). Throws FolderError when the folder is missing.
QStringList outboxFiles(const QString& folder);

// Makes `folder` the process's current directory, as pointing the outbox list
// at it does; the tools started later inherit it. Throws FolderError.
void enterFolder(const QString& folder);

// The text of the failure for a missing folder.
QString missingFolderText(const QString& folder);

// Keeps the outbox listing for the one-second refresh without re-reading an
// unchanged folder: the folder's modification time tells whether its entries
// may have changed. A read is trusted only once it was made well after the
// folder's last change, so a change that lands within the same timestamp
// (coarse file-system clocks) is still seen at the next refresh.
//
// A missing folder empties the listing and is reported once (newlyMissing is
// set on the first refresh that finds it gone); when the folder comes back the
// listing recovers by itself.
class OutboxWatcher {
public:
    struct Refresh {
        bool present = false;  // the folder exists and is now the current directory
        bool changed = false;  // files() differs from what the previous refresh gave
        QString newlyMissing;  // the failure's text, on the first refresh without the folder
    };

    // `nowMs` gives the wall-clock time in milliseconds since the epoch.
    explicit OutboxWatcher(QString folder, std::function<qint64()> nowMs = {});

    // Points at the folder: enters it and re-reads its files if they may have changed.
    Refresh refresh();

    const QString& folder() const { return m_folder; }
    const QStringList& files() const { return m_files; }
    // How many times the folder's entries were read.
    int reads() const { return m_reads; }

    // How long after a change a read must have been made to be trusted.
    static constexpr qint64 kSettleMs = 2000;

private:
    QString m_folder;
    std::function<qint64()> m_now;
    QStringList m_files;
    qint64 m_stamp = -1;   // the folder's modification time at the last read
    qint64 m_readAt = 0;   // when that read was made
    bool m_missingReported = false;
    int m_reads = 0;
};

}  // namespace dc
