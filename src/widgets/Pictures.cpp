#include "widgets/Pictures.h"

#include <QPainter>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmapCache>

#include <future>
#include <iterator>

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

// The large pictures, each read on a thread of its own while the program starts.
const char* const kPreloaded[] = {"start.png", "work.png", "logo.png"};

struct Preload {
    std::future<QImage> ready[std::size(kPreloaded)];
};

Preload& preload()
{
    static Preload p;
    return p;
}

QPixmap resource(const QString& name)
{
    initResources();
    QPixmap pixmap;
    if (QPixmapCache::find(name, &pixmap)) return pixmap;
    QImage image;
    Preload& p = preload();
    for (std::size_t i = 0; i < std::size(kPreloaded); ++i)
        if (name == QLatin1String(kPreloaded[i]) && p.ready[i].valid()) image = p.ready[i].get();
    if (image.isNull()) image = QImage(QStringLiteral(":/dc/") + name);
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(name, pixmap);
    return pixmap;
}

}  // namespace

void preloadPictures()
{
    initResources();
    // The image readers' shared state is made here, before the reading's
    // own: a program that ends at once (a wrong option) waits for the reading
    // in the latter's destructor while the former is still there.
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    Preload& p = preload();
    if (p.ready[0].valid()) return;
    for (std::size_t i = 0; i < std::size(kPreloaded); ++i)
        p.ready[i] = std::async(std::launch::async, [i] { return QImage(QStringLiteral(":/dc/") + QLatin1String(kPreloaded[i])); });
    // However the program ends, the reading is over before the application
    // object goes (the image readers go with it).
    qAddPostRoutine([] {
        for (auto& image : preload().ready)
            if (image.valid()) image.wait();
    });
}

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
