// When the outbox listing re-reads its folder.
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
#ifdef Q_OS_WIN
#include <windows.h>
#endif

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
#ifdef Q_OS_WIN  // std::filesystem opens no folder for writing its time there
        HANDLE h = CreateFileW(QDir::toNativeSeparators(dir).toStdWString().c_str(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        const quint64 ticks = static_cast<quint64>(msSinceEpoch) * 10'000 + 116'444'736'000'000'000ULL;  // since 1601, 100 ns
        const FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
        CloseHandle(h);
        return;
#endif
        namespace fs = std::filesystem;
        const auto sys = std::chrono::system_clock::time_point(std::chrono::milliseconds(msSinceEpoch));
        fs::last_write_time(fs::path(dir.toStdString()), std::chrono::file_clock::from_sys(sys));
    }
    qint64 stamp() const { return QFileInfo(dir).lastModified().toMSecsSinceEpoch(); }
};

}  // namespace

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
