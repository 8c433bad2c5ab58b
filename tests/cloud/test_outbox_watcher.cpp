// The outbox listing: what it lists, how soon it sees a change, when it
// re-reads the folder and how it reports a missing folder.
#include "cloud/OutboxListing.h"
#include "support/TempRoot.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace dc;
using dc::test::writeFile;

namespace {

struct Outbox {
    QTemporaryDir tmp;
    QString dir = tmp.path() + QStringLiteral("/Bandeja_De_Salida");
    QString savedCwd = QDir::currentPath();
    Outbox() { QDir().mkpath(dir); }
    ~Outbox() { QDir::setCurrent(savedCwd); }
    QString file(const QString& name) const { return dir + QLatin1Char('/') + name; }

    // Sets the folder's modification time, as a coarse file-system clock would leave it.
    void setStamp(qint64 msSinceEpoch) const
    {
        namespace fs = std::filesystem;
        const auto sys = std::chrono::system_clock::time_point(std::chrono::milliseconds(msSinceEpoch));
        fs::last_write_time(fs::path(dir.toStdString()), std::chrono::file_clock::from_sys(sys));
    }
    qint64 stamp() const { return QFileInfo(dir).lastModified().toMSecsSinceEpoch(); }
};

}  // namespace

TEST(OutboxListing, OrdinaryFilesOnlySortedByName)
{
    Outbox o;
    writeFile(o.file(QStringLiteral("b_ventas.xml")), "b");
    writeFile(o.file(QStringLiteral("A_catalogo.xml")), "a");
    writeFile(o.file(QStringLiteral("c sin extension")), "c");
    writeFile(o.file(QStringLiteral(".oculto.xml")), "h");
    writeFile(o.file(QStringLiteral("subcarpeta/dentro.xml")), "s");
    QDir().mkpath(o.file(QStringLiteral("vacia.xml")));  // a folder named like a file
    OutboxWatcher w(o.dir);
    const OutboxWatcher::Refresh r = w.refresh();
    EXPECT_TRUE(r.present);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(w.files(), (QStringList{QStringLiteral("A_catalogo.xml"), QStringLiteral("b_ventas.xml"),
                                      QStringLiteral("c sin extension")}));
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(o.dir).canonicalFilePath())
        << "pointing at the outbox makes it the current directory";
}

TEST(OutboxListing, AFileShowsAndGoesAtTheNextRefresh)
{
    Outbox o;
    OutboxWatcher w(o.dir);
    EXPECT_FALSE(w.refresh().changed) << "an empty folder gives an empty list";
    EXPECT_TRUE(w.files().isEmpty());
    writeFile(o.file(QStringLiteral("ventas.xml")), "x");
    EXPECT_TRUE(w.refresh().changed);
    EXPECT_EQ(w.files(), QStringList{QStringLiteral("ventas.xml")});
    QFile::remove(o.file(QStringLiteral("ventas.xml")));
    EXPECT_TRUE(w.refresh().changed);
    EXPECT_TRUE(w.files().isEmpty());
    // Replaced within the same refresh period by another name.
    writeFile(o.file(QStringLiteral("uno.xml")), "1");
    w.refresh();
    QFile::rename(o.file(QStringLiteral("uno.xml")), o.file(QStringLiteral("dos.xml")));
    EXPECT_TRUE(w.refresh().changed);
    EXPECT_EQ(w.files(), QStringList{QStringLiteral("dos.xml")});
}

TEST(OutboxListing, AnUnchangedFolderIsNotReadAgain)
{
    Outbox o;
    for (int i = 0; i < 50; ++i) writeFile(o.file(QStringLiteral("f%1.xml").arg(i, 3, 10, QLatin1Char('0'))), "x");
    o.setStamp(QDateTime::currentMSecsSinceEpoch() - 3600 * 1000);
    OutboxWatcher w(o.dir);
    w.refresh();
    ASSERT_EQ(w.reads(), 1);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(w.refresh().changed);
    EXPECT_EQ(w.reads(), 1) << "an unchanged folder was listed again";
    EXPECT_EQ(w.files().size(), 50);
    QFile::remove(o.file(QStringLiteral("f007.xml")));
    EXPECT_TRUE(w.refresh().changed);
    EXPECT_EQ(w.reads(), 2);
    EXPECT_FALSE(w.files().contains(QStringLiteral("f007.xml")));
}

TEST(OutboxListing, AReadMadeSoonAfterAChangeIsNotTrusted)
{
    // A coarse file-system clock can give a second change the same stamp as
    // the first: a read made within the settling time is made again.
    Outbox o;
    const qint64 stamp = QDateTime::currentMSecsSinceEpoch() - 3600 * 1000;
    o.setStamp(stamp);
    ASSERT_EQ(o.stamp(), stamp);
    qint64 now = stamp + 500;
    OutboxWatcher w(o.dir, [&] { return now; });
    w.refresh();
    writeFile(o.file(QStringLiteral("tarde.xml")), "x");
    o.setStamp(stamp);  // the change left the same stamp
    now = stamp + 800;
    EXPECT_TRUE(w.refresh().changed);
    EXPECT_EQ(w.files(), QStringList{QStringLiteral("tarde.xml")});

    // That second read was also too soon: it is made once more, well after the
    // change, and from then on the folder is trusted until its stamp moves.
    now = stamp + OutboxWatcher::kSettleMs + 1;
    w.refresh();
    const int reads = w.reads();
    now += 10000;
    w.refresh();
    w.refresh();
    EXPECT_EQ(w.reads(), reads);
}

TEST(OutboxListing, AMissingFolderIsReportedOnceAndTheListRecovers)
{
    Outbox o;
    writeFile(o.file(QStringLiteral("ventas.xml")), "x");
    OutboxWatcher w(o.dir);
    w.refresh();
    ASSERT_TRUE(QDir(o.dir).removeRecursively());

    OutboxWatcher::Refresh r = w.refresh();
    EXPECT_FALSE(r.present);
    EXPECT_TRUE(r.changed);
    EXPECT_TRUE(w.files().isEmpty());
    EXPECT_TRUE(r.newlyMissing.contains(QStringLiteral("Bandeja_De_Salida"))) << r.newlyMissing.toStdString();
    for (int i = 0; i < 3; ++i) {
        r = w.refresh();
        EXPECT_FALSE(r.present);
        EXPECT_FALSE(r.changed);
        EXPECT_TRUE(r.newlyMissing.isEmpty()) << "reported again";
    }

    writeFile(o.file(QStringLiteral("nuevo.xml")), "x");
    r = w.refresh();
    EXPECT_TRUE(r.present);
    EXPECT_TRUE(r.newlyMissing.isEmpty());
    EXPECT_EQ(w.files(), QStringList{QStringLiteral("nuevo.xml")});
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(o.dir).canonicalFilePath())
        << "the folder that came back is the current directory again";

    // Gone a second time: reported a second time.
    QDir(o.dir).removeRecursively();
    EXPECT_FALSE(w.refresh().newlyMissing.isEmpty());
}
