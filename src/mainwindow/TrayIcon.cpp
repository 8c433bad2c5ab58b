#include "mainwindow/TrayIcon.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace dc {

Q_LOGGING_CATEGORY(lcNotices, "dc.notices")

QString applicationTitle(const QString& programFileName)
{
    QString title = programFileName.left(programFileName.indexOf(QLatin1Char('.')));
    if (title.size() > 1) title = title.left(1) + title.mid(1).toLower();
    return title;
}

QString applicationTitle()
{
    // The application's name is the program file's unless it was given.
    return applicationTitle(QCoreApplication::applicationName());
}

QString trayTip(const QString& title)
{
    return title.left(127);
}

TrayIcon::TrayIcon(const QIcon& icon, const QString& title, QObject* parent)
    : QObject(parent), PopupMenu1(new QMenu), m_icon(new QSystemTrayIcon(icon, this))
{
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    OpAbrir = PopupMenu1->addAction(QStringLiteral("Abrir Aplicación"));
    OpAbrir->setObjectName(QStringLiteral("OpAbrir"));
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    DetenerAplicacin1 = PopupMenu1->addAction(QStringLiteral("Cerrar Aplicación"));
    DetenerAplicacin1->setObjectName(QStringLiteral("DetenerAplicacin1"));
    m_icon->setToolTip(trayTip(title));
    m_icon->setContextMenu(PopupMenu1);
}

TrayIcon::~TrayIcon()
{
    remove();
    delete PopupMenu1;
}

void TrayIcon::registerIcon()
{
    if (m_registered || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    m_icon->show();
    m_registered = true;
}

bool TrayIcon::notify(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon)
{
    m_lastNotice = text;
    qCInfo(lcNotices).noquote() << text;
    if (!m_registered || !QSystemTrayIcon::supportsMessages()) return false;
    m_icon->showMessage(title, text, icon, kNoticeTime);
    return true;
}

void TrayIcon::remove()
{
    if (!m_registered) return;
    m_icon->hide();
    m_registered = false;
}

}  // namespace dc
