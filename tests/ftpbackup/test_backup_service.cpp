// Where the backup service is: --backup-service HOST[:PORT].
#include "ftpbackup/BackupService.h"

#include <gtest/gtest.h>

using namespace dc;

TEST(BackupService, ParsesHostAndPort)
{
    const auto a = parseBackupService(QStringLiteral("127.0.0.1:2121"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(a->port, 2121);
    const auto b = parseBackupService(QStringLiteral("respaldos.ejemplo.mx"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->port, 21);

    for (const char* bad : {"", ":21", "host:", "host:0", "host:65536", "host:+21", "host:x", "[::1]:21", "a b:21",
                            "host\r\n:21"}) {
        QString why;
        EXPECT_FALSE(parseBackupService(QString::fromLatin1(bad), &why)) << bad;
        EXPECT_TRUE(why.startsWith(QStringLiteral("--backup-service "))) << why.toStdString();
    }
}
