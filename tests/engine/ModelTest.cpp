// Dates, percentages, the lists and their orders, entries.
#include "DosDateTime.h"
#include "EngineErrors.h"
#include "LFNFileStream.h"
#include "ObjectLists.h"
#include "Percent.h"
#include "TestSupport.h"
#include "ZipHeaderInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace movrel;

namespace {

uint32_t Dos(int y, int mo, int d, int h, int mi, int s)
{
    return (uint32_t(y - 1980) << 25) | (uint32_t(mo) << 21) | (uint32_t(d) << 16) | (uint32_t(h) << 11) |
           (uint32_t(mi) << 5) | uint32_t(s / 2);
}

std::unique_ptr<TZipHeaderInfo> MakeEntry(const std::string& path, uint32_t dos = 0, uint32_t size = 0,
                                          int64_t packed = 0, uint32_t offset = 0)
{
    auto e = std::make_unique<TZipHeaderInfo>();
    e->SetPath(path);
    e->DosDateTime = dos;
    e->UncompressedSize = size;
    e->CompressedSize = packed;
    e->LocalHeaderOffset = offset;
    return e;
}

std::vector<std::string> Names(const TSortedZip& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Entry(i)->FullName());
    return out;
}

}  // namespace

TEST(DosDateTime, NormalizeClampsOnlyWhatIsOutOfRange)
{
    uint32_t valid = Dos(2024, 3, 4, 5, 6, 8);
    EXPECT_EQ(NormalizeDosDateTime(valid), valid);
    // month 0 and hour 31 become month 1 and hour 23
    uint32_t bad = (uint32_t(44) << 25) | (0u << 21) | (4u << 16) | (31u << 11) | (6u << 5) | 4u;
    EXPECT_EQ(NormalizeDosDateTime(bad), Dos(2024, 1, 4, 23, 6, 8));
    // day 0, minute 63, second 62 clamp to 1, 59, 58 (stored halved: 29)
    uint32_t bad2 = (uint32_t(44) << 25) | (5u << 21) | (0u << 16) | (1u << 11) | (63u << 5) | 31u;
    EXPECT_EQ(NormalizeDosDateTime(bad2), (uint32_t(44) << 25) | (5u << 21) | (1u << 16) | (1u << 11) | (59u << 5) | 29u);
    // day 31 of April is left for the conversion to reject
    uint32_t april31 = Dos(2024, 4, 31, 0, 0, 0);
    EXPECT_EQ(NormalizeDosDateTime(april31), april31);
    TCalendar c;
    EXPECT_FALSE(DosToCalendar(april31, c));
    EXPECT_FALSE(DosToCalendar(Dos(2023, 2, 29, 0, 0, 0), c));
    EXPECT_TRUE(DosToCalendar(Dos(2024, 2, 29, 23, 59, 58), c));
    EXPECT_EQ(c.Second, 58);
}

TEST(DosDateTime, LocalTimeRoundTrip)
{
    uint32_t v = Dos(2021, 7, 15, 13, 45, 30);
    EXPECT_EQ(TimeToDos(DosToTime(v)), v);
    EXPECT_EQ(DosToTime(Dos(2021, 2, 30, 0, 0, 0)), -1);
}

TEST(Percent, RoundsHalfToEvenAndCaps)
{
    struct Case { uint32_t total, part; int expect; };
    const Case cases[] = {{0, 5, 0}, {200, 1, 0}, {200, 3, 2}, {3, 2, 67}, {10, 20, 100}, {200, 5, 2},
                          {200, 7, 4}, {0x80000000u, 5, 0}, {4000, 1010, 25}};
    for (const auto& c : cases)
        EXPECT_EQ(Percent(c.total, c.part), c.expect) << c.total << " " << c.part;
    EXPECT_EQ(TotalPercent(1, 200), 0);
    EXPECT_EQ(TotalPercent(3, 200), 2);
    EXPECT_EQ(TotalPercent(5, 0), 0);
    EXPECT_EQ(TotalPercent(int64_t(1) << 40, int64_t(1) << 41), 50);
}

TEST(ObjectList, CapacityGrowsInStepsUpToTheLimit)
{
    TObjectList list;
    list.OwnsItems = false;
    std::vector<int> capacities;
    TObject dummy;
    for (int i = 0; i < 65520; ++i) {
        list.Add(&dummy);
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ((std::vector<int>(capacities.begin(), capacities.begin() + 5)), (std::vector<int>{4, 8, 16, 32, 48}));
    EXPECT_EQ(list.Capacity(), 65520);
    EXPECT_THROW(list.Add(&dummy), EListError);
    EXPECT_EQ(list.Count(), 65520);
}

TEST(ObjectList, IndexErrorsCarryTheValue)
{
    TObjectList list;
    try {
        list.Items(3);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Insert(1, nullptr), EListError);
    EXPECT_THROW(list.SetCapacity(70000), EListError);
}

TEST(SortedZip, DuplicatePolicies)
{
    TSortedZip ignore(dupIgnore, ByName);
    auto a = MakeEntry("a\\z.txt"), b = MakeEntry("A\\Z.TXT");
    ignore.Add(a.release());
    ignore.Add(b.get());
    EXPECT_FALSE(ignore.LastInserted());
    EXPECT_EQ(ignore.Count(), 1);  // b is still ours: the list refused it

    TSortedZip error(dupError, ByName);
    error.Add(MakeEntry("a\\z.txt").release());
    auto dup = MakeEntry("A\\Z.TXT");
    try {
        error.Add(dup.get());
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Duplicate Object index");
    }

    TSortedZip accept(dupAccept, ByName);
    accept.Add(MakeEntry("a\\z.txt").release());
    accept.Add(MakeEntry("A\\Z.TXT").release());
    EXPECT_EQ(Names(accept), (std::vector<std::string>{"A\\Z.TXT", "a\\z.txt"}));  // the later one first
    EXPECT_THROW(accept.Put(0, nullptr), EListError);
}

TEST(SortedZip, OrdersAndTheirTieRules)
{
    struct Row { const char* name; uint32_t dos; uint32_t size; int64_t packed; uint32_t offset; };
    const Row rows[] = {
        {"b\\one.txt", Dos(2020, 1, 1, 0, 0, 0), 100, 50, 300},
        {"a\\two.txt", Dos(2022, 1, 1, 0, 0, 0), 100, 90, 100},
        {"c\\three.txt", Dos(2020, 1, 1, 0, 0, 0), 300, 50, 200},
        {"A\\Four.txt", Dos(2021, 1, 1, 0, 0, 0), 0, 0, 0},
    };
    struct Case { TZipSortMode mode; std::vector<std::string> expect; };
    const Case cases[] = {
        {ByName, {"A\\Four.txt", "a\\two.txt", "b\\one.txt", "c\\three.txt"}},
        {ByFileName, {"A\\Four.txt", "b\\one.txt", "c\\three.txt", "a\\two.txt"}},
        {ByDirectoryName, {"A\\Four.txt", "a\\two.txt", "b\\one.txt", "c\\three.txt"}},  // equal dirs: later first
        {ByDate, {"a\\two.txt", "A\\Four.txt", "b\\one.txt", "c\\three.txt"}},           // newest first, ties in order
        {ByCompressedSize, {"a\\two.txt", "b\\one.txt", "c\\three.txt", "A\\Four.txt"}},
        {ByUnCompressedSize, {"c\\three.txt", "b\\one.txt", "a\\two.txt", "A\\Four.txt"}},
        {ByRate, {"a\\two.txt", "b\\one.txt", "c\\three.txt", "A\\Four.txt"}},  // 90%, 50%, 17%, 0%
        {ByNone, {"A\\Four.txt", "a\\two.txt", "c\\three.txt", "b\\one.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        TSortedZip oneByOne(dupAccept, c.mode);
        oneByOne.OwnsItems = true;
        std::vector<TZipHeaderInfo*> all;
        for (const auto& r : rows) {
            auto e = MakeEntry(r.name, r.dos, r.size, r.packed, r.offset);
            all.push_back(e.get());
            oneByOne.Add(e.release());
        }
        EXPECT_EQ(Names(oneByOne), c.expect);
        TSortedZip bulk(dupAccept, c.mode);
        bulk.OwnsItems = false;
        bulk.AddAllSorted(all);
        EXPECT_EQ(Names(bulk), c.expect);
    }
}

TEST(SortedZip, BulkSortEqualsOneByOneInsertionOnRandomEntries)
{
    std::mt19937 rng(7);
    for (TZipSortMode mode : {ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate}) {
        std::vector<std::unique_ptr<TZipHeaderInfo>> owned;
        std::vector<TZipHeaderInfo*> all;
        for (int i = 0; i < 300; ++i) {
            std::string dir = std::string(1, char('a' + rng() % 3)) + "\\";
            std::string name = std::string(1, char((rng() % 2 ? 'A' : 'a') + rng() % 4)) + ".txt";
            owned.push_back(MakeEntry(dir + name, Dos(2020 + int(rng() % 3), 1, 1, 0, 0, 0), rng() % 5 * 10,
                                      rng() % 5 * 3, uint32_t(i)));
            all.push_back(owned.back().get());
        }
        TSortedZip a(dupAccept, mode), b(dupAccept, mode);
        a.OwnsItems = b.OwnsItems = false;
        for (auto* e : all)
            a.Add(e);
        b.AddAllSorted(all);
        for (int i = 0; i < a.Count(); ++i)
            ASSERT_EQ(a.Entry(i), b.Entry(i)) << "mode " << mode << " at " << i;
    }
}

TEST(ZipHeaderInfo, NameSettersAndAssign)
{
    TZipHeaderInfo e;
    e.SetDirectory("docs");
    EXPECT_EQ(e.Directory(), "docs\\");
    EXPECT_EQ(e.FileNameLength, 5);
    e.SetFileName("a.txt");
    EXPECT_EQ(e.StoredName(), "docs/a.txt");
    EXPECT_EQ(e.GeneralFlags & 0x800, 0);
    e.SetFileName("caf\xc3\xa9.txt");  // beyond ASCII: UTF-8 with bit 11
    EXPECT_EQ(e.StoredName(), "docs/caf\xc3\xa9.txt");
    EXPECT_EQ(e.FileNameLength, 14);
    EXPECT_EQ(e.GeneralFlags & 0x800, 0x800);
    e.SetFileName("\xe2\x82\xac.txt");
    EXPECT_EQ(e.StoredName(), "docs/\xe2\x82\xac.txt");
    EXPECT_EQ(e.GeneralFlags & 0x800, 0x800);

    TZipHeaderInfo withComment, copy;
    withComment.SetFileComment(std::string("note"));
    copy.Assign(withComment);
    EXPECT_EQ(*copy.FileComment(), "note");
    TZipHeaderInfo none;
    copy.Assign(none);
    EXPECT_FALSE(copy.FileComment().has_value());
    EXPECT_EQ(copy.FileCommentLength, 0);
}

TEST(LFNFileStream, SeekFromEndIgnoresTheSignAndReadsAcrossTheBuffer)
{
    test::TempDir dir;
    std::string data(20000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    test::WriteFile(dir / "f", data);
    TLFNFileStream s(dir / "f", TOpenMode::Read);
    EXPECT_EQ(s.Seek(-100, TSeekOrigin::End), 19900);
    EXPECT_EQ(s.Seek(100, TSeekOrigin::End), 19900);
    uint8_t b[300];
    s.Seek(8000, TSeekOrigin::Begin);
    ASSERT_TRUE(s.ReadExact(b, 300));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 300), data.substr(8000, 300));
    EXPECT_EQ(s.Position(), 8300);
    s.Seek(-10, TSeekOrigin::Current);
    ASSERT_TRUE(s.ReadExact(b, 10));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 10), data.substr(8290, 10));
    EXPECT_THROW(TLFNFileStream(dir / "missing", TOpenMode::Read), EFileError);
}

TEST(LFNFileStream, WritesLandAfterSeekAndFullDiskIsReported)
{
    test::TempDir dir;
    {
        TLFNFileStream s(dir / "w", TOpenMode::Create);
        s.WriteAll("hello world", 11);
        EXPECT_EQ(s.Size(), 11);
        s.Seek(0, TSeekOrigin::Begin);
        s.WriteAll("J", 1);
    }
    EXPECT_EQ(test::ReadFile(dir / "w"), "Jello world");
    TLFNFileStream full("/dev/full", TOpenMode::ReadWrite);
    std::string big(100000, 'x');
    EXPECT_THROW(full.WriteAll(big.data(), big.size()), EFileError);
}
