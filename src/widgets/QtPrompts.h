#pragma once

#include "widgets/Prompts.h"

#include <QPointer>
#include <QWidget>

namespace dc {

// Prompts shown as Qt dialogs, captioned with the application title. File
// dialogs never change the process's current directory, so the tools that the
// programs start keep inheriting the outbox folder; they open in the last
// folder the user chose, at first in the user's home folder, never in the
// program's own folders.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QWidget* parent) : m_parent(parent) {}
    void inform(const QString& text) override;
    bool warnOkCancel(const QString& text) override;
    bool confirm(const QString& text) override;
    void showError(const QString& text) override;
    QStringList openFiles() override;
    QStringList openFolders() override;

private:
    QString startFolder() const;

    QPointer<QWidget> m_parent;
    QString m_lastFolder;
};

}  // namespace dc
