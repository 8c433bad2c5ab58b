#include "widgets/QtPrompts.h"

#include "widgets/Appearance.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTreeView>

namespace dc {

namespace {
QString title()
{
    return applicationTitle();
}

// Runs a dialog and puts the current directory back as it was.
template <class F>
auto keepingCurrentDir(F f)
{
    const QString cwd = QDir::currentPath();
    auto result = f();
    QDir::setCurrent(cwd);
    return result;
}
}  // namespace

void QtPrompts::inform(const QString& text)
{
    Centred<QMessageBox> box(QMessageBox::NoIcon, title(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtPrompts::warnOkCancel(const QString& text)
{
    Centred<QMessageBox> box(QMessageBox::Warning, title(), text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    return box.exec() == QMessageBox::Ok;
}

bool QtPrompts::confirm(const QString& text)
{
    Centred<QMessageBox> box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::showError(const QString& text)
{
    // The driver's or the server's own words, "(detalle: …)" at the end, are
    // for support: the box says what happened and what to do, and keeps them
    // behind "Mostrar detalles…".
    static const QLatin1String kDetail(" (detalle: ");
    const qsizetype at = text.endsWith(QLatin1Char(')')) ? text.lastIndexOf(kDetail) : -1;
    const QString sentence = at > 0 ? text.left(at) + QLatin1Char('.') : text;
    Centred<QMessageBox> box(QMessageBox::Critical, title(), sentence, QMessageBox::Ok, m_parent);
    if (at > 0) box.setDetailedText(text.mid(at + kDetail.size()).chopped(1));
    box.exec();
}

QString QtPrompts::startFolder() const
{
    return !m_lastFolder.isEmpty() && QDir(m_lastFolder).exists() ? m_lastFolder : QDir::homePath();
}

QStringList QtPrompts::openFiles()
{
    return keepingCurrentDir([this] {
        Centred<QFileDialog> dialog(m_parent, QString(), startFolder());
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setSizeGripEnabled(true);
        if (dialog.exec() != QDialog::Accepted) return QStringList();
        m_lastFolder = dialog.directory().absolutePath();
        return dialog.selectedFiles();
    });
}

QStringList QtPrompts::openFolders()
{
    return keepingCurrentDir([this] {
        Centred<QFileDialog> dialog(m_parent, QString(), startFolder());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        // The platform's folder picker takes one folder; Qt's own takes several.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        for (auto* view : dialog.findChildren<QAbstractItemView*>())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        dialog.setSizeGripEnabled(true);
        QStringList folders;
        if (dialog.exec() == QDialog::Accepted) {
            m_lastFolder = dialog.directory().absolutePath();
            for (const QString& f : dialog.selectedFiles()) folders << QDir::toNativeSeparators(QDir::cleanPath(f));
        }
        return folders;
    });
}

}  // namespace dc
