// Every fixture archive lists what its manifest says, read through the
// engine and through movrel-cli list --tsv.
#include "KestroUnZip.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace movrel;
using namespace movrel::test;

namespace {

struct FixtureArchive {
    ManifestRow archive;
    std::vector<ManifestRow> entries;
};

std::vector<FixtureArchive> Fixtures()
{
    std::vector<FixtureArchive> out;
    std::map<std::string, size_t> index;
    for (const auto& r : LoadManifest()) {
        if (!index.count(r.file)) {
            index[r.file] = out.size();
            out.push_back({});
        }
        auto& a = out[index[r.file]];
        if (r.entry == "*")
            a.archive = r;
        else
            a.entries.push_back(r);
    }
    return out;
}

// Opens a fixture as a person would: volumes by the manifest's list, a
// damaged archive (no end record) by its local headers.
void OpenFixture(TKestroUnZip& zip, const FixtureArchive& f)
{
    auto volumes = ManifestVolumes(f.archive);
    zip.OnGetNextDisk = [volumes](TKestroUnZip*, int n, std::string& fname) {
        fname = n >= 1 && size_t(n) <= volumes.size() ? volumes[size_t(n - 1)] : std::string();
    };
    if (f.archive.expected == "error")
        zip.IncompleteZipMode = izAssumeBad;
    zip.SetZipName(TestData(f.archive.file));
    zip.ReadDirectory();
}

}  // namespace

TEST(ReaderManifest, EveryFixtureListsItsManifest)
{
    auto fixtures = Fixtures();
    ASSERT_GT(fixtures.size(), 20u);
    for (const auto& f : fixtures) {
        SCOPED_TRACE(f.archive.file);
        TKestroUnZip zip;
        ASSERT_NO_THROW(OpenFixture(zip, f));
        ASSERT_EQ(zip.EntryCount(), int(f.entries.size()));
        for (int i = 0; i < zip.EntryCount(); ++i) {
            const TZipHeaderInfo& e = zip.Entry(i);
            const ManifestRow& m = f.entries[size_t(i)];
            SCOPED_TRACE(m.entry);
            EXPECT_EQ(e.StoredName(), m.entry);
            EXPECT_EQ(e.CompressionMethod, m.method);
            EXPECT_EQ(e.GeneralFlags, m.flags);
            EXPECT_EQ(e.CompressedSize, m.packed);
            EXPECT_EQ(int64_t(e.UncompressedSize), m.size);
            EXPECT_EQ(e.Crc32, m.crc);
            EXPECT_EQ(e.IsEncrypted(), m.encrypted);
        }
    }
}

TEST(ReaderManifest, CliListTsvAgreesWithManifest)
{
    for (const auto& f : Fixtures()) {
        SCOPED_TRACE(f.archive.file);
        std::string last = TestData(f.archive.file);
        std::string out;
        int rc = RunCommand(ShellQuote(CliPath()) + " list --tsv " + (f.archive.expected == "error" ? "--scan " : "") +
                                ShellQuote(last) + " </dev/null 2>/dev/null",
                            &out);
        ASSERT_EQ(rc, 0);
        std::istringstream lines(out);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, "name\tmethod\tpacked\tsize\tcrc32\tmodified\tencrypted\tattributes");
        TKestroUnZip zip;
        OpenFixture(zip, f);
        size_t n = 0;
        while (std::getline(lines, line)) {
            ASSERT_LT(n, f.entries.size());
            const ManifestRow& m = f.entries[n];
            std::string name = zip.Entry(int(n)).FullName();
            for (char& c : name)
                if (c == '\\')
                    c = '/';
            char expect[256];
            std::snprintf(expect, sizeof expect, "\t%d\t%lld\t%lld\t%08x\t", m.method, (long long)m.packed,
                          (long long)m.size, m.crc);
            EXPECT_EQ(line.rfind(name + expect, 0), 0u) << line;
            EXPECT_EQ(line.substr(line.size() - 10, 2), m.encrypted ? "1\t" : "0\t") << line;
            ++n;
        }
        EXPECT_EQ(n, f.entries.size());
    }
}
