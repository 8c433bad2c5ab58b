#include "widgets/Pictures.h"

#include <QPainter>
#include <QPixmapCache>

// The pictures live in the widget kit's resources; a static library must
// register them itself.
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace dc {

namespace {

QPixmap resource(const QString& name)
{
    initResources();
    QPixmap pixmap;
    if (!QPixmapCache::find(name, &pixmap)) {
        pixmap = QPixmap(QStringLiteral(":/dc/") + name);
        QPixmapCache::insert(name, pixmap);
    }
    return pixmap;
}

}  // namespace

QPixmap startPicture() { return resource(QStringLiteral("start.png")); }
QPixmap workPicture() { return resource(QStringLiteral("work.png")); }
QPixmap logoPicture() { return resource(QStringLiteral("logo.png")); }
QPixmap backupPicture() { return resource(QStringLiteral("backup.png")); }
QPixmap logPicture() { return resource(QStringLiteral("log.png")); }
QPixmap addPicture() { return resource(QStringLiteral("add.png")); }
QPixmap programPicture() { return resource(QStringLiteral("app.png")); }

QPixmap historyPicture()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 2.5));
    p.setBrush(QColor(0xf4, 0xf8, 0xff));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(16, 8));
    p.drawLine(QPointF(16, 16), QPointF(22, 19));
    return picture;
}

}  // namespace dc
