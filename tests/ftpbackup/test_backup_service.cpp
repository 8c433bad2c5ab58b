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

TEST(BackupService, OnlyTheFirstFourServerIndexesChooseAnAccount)
{
    EXPECT_EQ(accountForServerIndex(0)->password, QStringLiteral("bqt275"));
    for (int i : {1, 2, 3}) EXPECT_EQ(accountForServerIndex(i)->password, QStringLiteral("Vukt#Almacena4827"));
    for (int i : {-1, 4, 7, 22}) EXPECT_FALSE(accountForServerIndex(i)) << i;
}
