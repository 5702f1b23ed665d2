#include "base/Paths.h"

#include "base/AsciiCase.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

TEST(Paths, NamesAndExtensionsComeFromTheLastComponentOnly)
{
    EXPECT_EQ(ExtractFileName("/a/b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("/a/"), "");
    EXPECT_EQ(ExtractFileExt("/a/b.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("dir.pas/readme"), "");
    EXPECT_EQ(ExtractFileExt("/a/.hidden"), ".hidden");
    EXPECT_EQ(ExtractFileExt("Makefile"), "");
}

TEST(Paths, FolderOfIsAlwaysAFolderThatCanBeOpened)
{
    EXPECT_EQ(FolderOf("/a/b"), "/a");
    EXPECT_EQ(FolderOf("/b"), "/");
    EXPECT_EQ(FolderOf("b"), ".");
    EXPECT_EQ(FolderOf("a/b/c"), "a/b");
}

TEST(Paths, JoinPathPutsExactlyOneSlash)
{
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a///", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/", "b"), "/b");
    EXPECT_EQ(JoinPath("", "b"), "/b");
}

TEST(AsciiCase, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(AsciiLowerCopy("AbC-Z\xC3\x84"), "abc-z\xC3\x84");
    EXPECT_EQ(AsciiUpperCopy("abc.dfm\xC3\xA4"), "ABC.DFM\xC3\xA4");
    EXPECT_TRUE(EqualAsciiNoCase("Quillan.INI", "quillan.ini"));
    EXPECT_FALSE(EqualAsciiNoCase("\xC3\x84", "\xC3\xA4"));
    EXPECT_LT(CompareAsciiNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareAsciiNoCase("abcd", "ABC"), 0);
}

} // namespace
} // namespace quillan
