#include "window/TrayIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>

namespace dc {

Q_LOGGING_CATEGORY(lcNotices, "dc.notices")

QString trayTip(const QString& text)
{
    return text.left(127);
}

namespace {

// The icon with a warning sign in its lower right quarter: an amber
// triangle with an exclamation mark, readable at the notification area's size.
QIcon withWarningBadge(const QIcon& icon)
{
    QPixmap picture = icon.pixmap(64, 64);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(28, 28, 36, 34);
    QPainterPath triangle;
    triangle.moveTo(badge.center().x(), badge.top());
    triangle.lineTo(badge.right(), badge.bottom());
    triangle.lineTo(badge.left(), badge.bottom());
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x40, 0x00), 2.5));
    p.setBrush(QColor(0xff, 0xb0, 0x00));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(badge.center().x(), badge.top() + 11), QPointF(badge.center().x(), badge.bottom() - 12));
    p.drawPoint(QPointF(badge.center().x(), badge.bottom() - 5));
    return QIcon(picture);
}

}  // namespace

TrayIcon::TrayIcon(const QIcon& icon, const QString& title, QObject* parent)
    : QObject(parent), PopupMenu1(new QMenu), m_icon(new QSystemTrayIcon(icon, this)), m_title(title), m_plain(icon)
{
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    OpAbrir = PopupMenu1->addAction(QStringLiteral("Abrir Aplicación"));
    OpAbrir->setObjectName(QStringLiteral("OpAbrir"));
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    DetenerAplicacin1 = PopupMenu1->addAction(QStringLiteral("Cerrar Aplicación"));
    DetenerAplicacin1->setObjectName(QStringLiteral("DetenerAplicacin1"));
    m_icon->setToolTip(trayTip(title));
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::TrayIconCallback);
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

void TrayIcon::showBackupState(const QString& state, bool behind)
{
    m_icon->setToolTip(trayTip(m_title + QLatin1Char('\n') + state));
    if (behind == m_warning) return;
    m_warning = behind;
    m_icon->setIcon(behind ? withWarningBadge(m_plain) : m_plain);
}

void TrayIcon::TrayIconCallback(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Context) return;
    PopupMenu1->popup(QCursor::pos());
}

void TrayIcon::remove()
{
    if (!m_registered) return;
    m_icon->hide();
    m_registered = false;
}

}  // namespace dc
