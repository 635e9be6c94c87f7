#include "selection/FileList.h"

#include <gtest/gtest.h>

TEST(FileListRules, TheSeparatorIsLeftOutOnlyAfterATrailingSlash) {
    EXPECT_EQ(FileList::SeparatorFor(QStringLiteral("/forms")), QStringLiteral("/"));
    EXPECT_EQ(FileList::SeparatorFor(QStringLiteral("/forms/")), QString());
    EXPECT_EQ(FileList::SeparatorFor(QStringLiteral("/")), QString());
    EXPECT_EQ(FileList::SeparatorFor(QString()), QStringLiteral("/")) << "an empty directory is the root";
    EXPECT_EQ(FileList::SeparatorFor(QStringLiteral("C:\\forms\\")), QStringLiteral("/"))
        << "a backslash separates nothing on this platform";
}

TEST(FileListRules, AFileNameIsWhatFollowsTheLastSlash) {
    EXPECT_EQ(FileList::ExtractFileName(QStringLiteral("/forms/a.Ebf")), QStringLiteral("a.Ebf"));
    EXPECT_EQ(FileList::ExtractFileName(QStringLiteral("/forms//a.Ebf")), QStringLiteral("a.Ebf"));
    EXPECT_EQ(FileList::ExtractFileName(QStringLiteral("a.Ebf")), QStringLiteral("a.Ebf"));
    EXPECT_EQ(FileList::ExtractFileName(QStringLiteral("/a.Ebf")), QStringLiteral("a.Ebf"));
    EXPECT_EQ(FileList::ExtractFileName(QStringLiteral("/forms/")), QString());
}

TEST(FileListRules, ADirectoryIsAPlainCaseSensitivePrefix) {
    EXPECT_TRUE(FileList::StartsWithDirectory(QStringLiteral("/forms/a.Ebf"), QStringLiteral("/forms")));
    EXPECT_TRUE(FileList::StartsWithDirectory(QStringLiteral("/forms2/c.Ebf"), QStringLiteral("/forms")));
    EXPECT_TRUE(FileList::StartsWithDirectory(QStringLiteral("/forms/a.Ebf"), QString()));
    EXPECT_FALSE(FileList::StartsWithDirectory(QStringLiteral("/FORMS/d.Ebf"), QStringLiteral("/forms")));
    EXPECT_FALSE(FileList::StartsWithDirectory(QStringLiteral("/other/b.Ebf"), QStringLiteral("/forms")));
    EXPECT_FALSE(FileList::StartsWithDirectory(QStringLiteral("/form"), QStringLiteral("/forms")));
}
