#include "platform/FolderListing.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dc;

TEST(FolderListing, ListsEverythingButPlainDirectoriesOneLevelDeep)
{
    QTemporaryDir dir;
    const QString f = dir.path() + QDir::separator();
    test::writeFile(f + QStringLiteral("b.txt"), "b");
    test::writeFile(f + QStringLiteral(".oculto"), "h");
    test::writeFile(f + QStringLiteral("con espacio ñ.pdf"), "x");
    test::writeFile(f + QStringLiteral("sub/dentro.txt"), "no");       // plain directory: skipped, not entered
    QDir().mkpath(f + QStringLiteral(".escondida"));                    // hidden directory: listed
    QDir().mkpath(f + QStringLiteral("solo_lectura"));                  // read-only directory: listed
    QFile::setPermissions(f + QStringLiteral("solo_lectura"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile::link(f + QStringLiteral("b.txt"), f + QStringLiteral("enlace"));

    QStringList list{QStringLiteral("previo")};
    listFolderFiles(f, list);
    QStringList got = list.mid(1);
    got.sort();
    EXPECT_EQ(list.first(), QStringLiteral("previo")) << "the list must never be cleared";
    EXPECT_EQ(got, (QStringList{QStringLiteral(".escondida"), QStringLiteral(".oculto"), QStringLiteral("b.txt"),
                               QStringLiteral("con espacio ñ.pdf"), QStringLiteral("enlace"),
                               QStringLiteral("solo_lectura")}));
    QFile::setPermissions(f + QStringLiteral("solo_lectura"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(FolderListing, MissingFolderOrNoSeparatorLeavesTheListAlone)
{
    QTemporaryDir dir;
    test::writeFile(dir.filePath(QStringLiteral("a.txt")), "a");
    QStringList list{QStringLiteral("x")};
    QString why;
    EXPECT_FALSE(listFolderFiles(dir.path() + QStringLiteral("/no_existe/"), list, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(list, QStringList{QStringLiteral("x")});
    // Without the trailing separator the folder name runs into the pattern: nothing matches.
    listFolderFiles(dir.path(), list);
    EXPECT_EQ(list, QStringList{QStringLiteral("x")});
}
