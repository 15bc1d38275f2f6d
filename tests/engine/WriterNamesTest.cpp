// The stored directory a file gets, under the path settings and their
// interlocks.
#include "KestroZip.h"

#include <gtest/gtest.h>

namespace movrel::test {
namespace {

TEST(WriterNames, StoredDirectoryFollowsThePathSettings)
{
    struct Case {
        bool storePaths, relativePaths;
        std::string root, file, stored;
    };
    const Case cases[] = {
        {false, false, "", "/data/a.txt", ""},
        {true, false, "", "/data/a.txt", "data\\"},
        {true, false, "", "/data/sub/a.txt", "data\\sub\\"},
        {true, true, "/data", "/data/a.txt", ""},
        {true, true, "/data/", "/data/sub/a.txt", "sub\\"},
        {true, true, "/other", "/data/a.txt", "data\\"},  // outside RootDir: the whole path, never absolute
        {true, true, "/data", "/database/a.txt", "database\\"},
        {true, false, "", "/data/./x/../y/a.txt", "data\\y\\"},
        {true, false, "", "../../up/a.txt", "up\\"},  // never above the extraction folder
        {true, true, "/w", "/w/../etc/a.txt", "etc\\"},
        {true, false, "", "a.txt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " root " + c.root);
        TKestroZip z;
        z.SetStorePaths(c.storePaths);
        z.SetRelativePaths(c.relativePaths);
        z.SetRootDir(c.root);
        EXPECT_EQ(z.StoredDirectoryOf(c.file), c.stored);
    }
}

TEST(WriterNames, PathSettingsAreInterlocked)
{
    TKestroZip z;
    z.SetRelativePaths(true);
    EXPECT_TRUE(z.StorePaths());
    EXPECT_TRUE(z.Recurse);
    z.SetStoreVolumes(true);
    z.SetStorePaths(false);
    EXPECT_FALSE(z.RelativePaths());
    EXPECT_FALSE(z.StoreVolumes());
    z.SetStoreVolumes(true);
    EXPECT_TRUE(z.StorePaths());
}

}  // namespace
}  // namespace movrel::test
