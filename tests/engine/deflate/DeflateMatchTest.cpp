// Which matches the compressor takes, read back from its output with a token
// decoder: the edge cases of the match finder that decide the output bytes.
#include <gtest/gtest.h>

#include "DeflateTestSupport.h"
#include "TokenInflate.h"

namespace movrel::test {
namespace {

// The token whose output starts at `pos`, or null when a token covers pos
// without starting there.
const TToken* TokenStartingAt(const TTokenStream& ts, size_t pos)
{
    size_t at = 0;
    for (const TToken& t : ts.Tokens) {
        if (at == pos) return &t;
        at += t.Length ? t.Length : 1;
        if (at > pos) return nullptr;
    }
    return nullptr;
}

TTokenStream Tokens(int level, const TBytes& in)
{
    TCompressed c = CompressBytes(level, in);
    EXPECT_EQ(c.Result.Method, 8);
    TTokenStream ts = DecodeTokens(c.Data);
    EXPECT_TRUE(ts.Ok);
    EXPECT_TRUE(ts.Output == in);
    return ts;
}

TEST(DeflateMatch, LevelZeroSearchesAndCodesInsteadOfStoring)
{
    const TBytes in = MakeText(50000, 7);
    TCompressed c = CompressBytes(0, in);
    EXPECT_EQ(c.Result.Method, 8);
    EXPECT_EQ(c.Result.FlagBits, 4);
    EXPECT_LT(c.Data.size(), in.size() / 2);
    TTokenStream ts = DecodeTokens(c.Data);
    ASSERT_TRUE(ts.Ok);
    size_t matches = 0;
    for (const TToken& t : ts.Tokens) matches += t.Length != 0;
    EXPECT_GT(matches, 1000u);
    for (const TBlock& b : ts.Blocks) EXPECT_NE(b.Type, 0);
}

TEST(DeflateMatch, RunOfEqualBytesAtLevelOne)
{
    // Position 0 is never a match source (a chain head of 0 means none): two
    // literals, then 258-byte matches, the first at distance 1 from position
    // 2. Longer than the level's max lazy of 4, a match's inner strings are
    // not hashed, so each later match finds the start of the one before.
    const TBytes in = MakeRun(10000, 'z');
    TTokenStream ts = Tokens(1, in);
    ASSERT_GE(ts.Tokens.size(), 4u);
    EXPECT_EQ(ts.Tokens[0].Length, 0);
    EXPECT_EQ(ts.Tokens[1].Length, 0);
    EXPECT_EQ(ts.Tokens[2].Length, 258);
    EXPECT_EQ(ts.Tokens[2].Distance, 1);
    for (size_t i = 3; i + 1 < ts.Tokens.size(); ++i) {
        EXPECT_EQ(ts.Tokens[i].Length, 258) << i;
        EXPECT_EQ(ts.Tokens[i].Distance, 258) << i;
    }
}

// The probe at 2 (position 0 is never a match source), lower-case filler,
// then the probe again `distance` later, each followed by a different byte.
constexpr size_t probeAt = 2;
TBytes ProbeAtDistance(const std::string& probe, size_t distance)
{
    TLcg rng(99);
    TBytes in{'<', '<'};
    in.insert(in.end(), probe.begin(), probe.end());
    in.push_back('!');
    while (in.size() < probeAt + distance) in.push_back(uint8_t('a' + rng.Next() % 26));
    in.insert(in.end(), probe.begin(), probe.end());
    in.push_back('?');
    for (int i = 0; i < 400; ++i) in.push_back(uint8_t('a' + rng.Next() % 26));
    return in;
}

TEST(DeflateMatch, LazyLevelsDropThreeByteMatchesFartherThan4096)
{
    struct TCase {
        std::string Probe;
        size_t Distance;
        bool GreedyMatches;  // levels 1-3
        bool LazyMatches;    // levels 4-9
    } cases[] = {
        {"#$%", 4096, true, true},
        {"#$%", 4097, true, false},
        {"#$%", 20000, true, false},
        {"#$%&", 4097, true, true},
        {"#$%&", 20000, true, true},
    };
    for (const TCase& tc : cases) {
        const TBytes in = ProbeAtDistance(tc.Probe, tc.Distance);
        for (int level = 1; level <= 9; ++level) {
            SCOPED_TRACE(tc.Probe + " at " + std::to_string(tc.Distance) + ", level " + std::to_string(level));
            TTokenStream ts = Tokens(level, in);
            const TToken* t = TokenStartingAt(ts, probeAt + tc.Distance);
            ASSERT_NE(t, nullptr);
            bool expected = level <= 3 ? tc.GreedyMatches : tc.LazyMatches;
            if (expected) {
                EXPECT_EQ(t->Length, tc.Probe.size());
                EXPECT_EQ(t->Distance, tc.Distance);
            } else {
                EXPECT_EQ(t->Length, 0);
            }
        }
    }
}

// Zeros with a 300-byte random string R twice, `distance` apart, the second
// at `second`. A marker byte before each R keeps matches from running into it.
TBytes RepeatAt(size_t second, size_t distance)
{
    TBytes r = MakeRandom(300, 42);
    for (auto& b : r) b |= 0x80;
    TBytes in(second + 2000, 0);
    size_t first = second - distance;
    in[first - 1] = 1;
    in[second - 1] = 2;
    std::copy(r.begin(), r.end(), in.begin() + long(first));
    std::copy(r.begin(), r.end(), in.begin() + long(second));
    return in;
}

TEST(DeflateMatch, MatchesReachBack32506AtMostAcrossTheSlide)
{
    // The window slides when the position reaches 65274: second copies
    // before any slide, straddling the first one and well after it.
    for (size_t second : {33506u, 65300u, 100000u}) {
        for (int level : {1, 6, 9}) {
            SCOPED_TRACE("second copy at " + std::to_string(second) + ", level " + std::to_string(level));
            TTokenStream near = Tokens(level, RepeatAt(second, 32506));
            const TToken* t = TokenStartingAt(near, second);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->Length, 258);
            EXPECT_EQ(t->Distance, 32506);

            TTokenStream far = Tokens(level, RepeatAt(second, 32507));
            t = TokenStartingAt(far, second);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->Length, 0) << "a match 32507 back";
            for (const TToken& tok : far.Tokens) EXPECT_LE(tok.Distance, 32506);
        }
    }
}

TEST(DeflateMatch, ShortInputsBelowTheLookahead)
{
    // Fewer than 262 bytes: the refill after the first read finds the end;
    // matches are cut to the input that is there.
    TBytes in;
    for (int i = 0; i < 10; ++i) in.insert(in.end(), {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l'});
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        TTokenStream ts = Tokens(level, in);
        size_t covered = 0;
        for (const TToken& t : ts.Tokens) covered += t.Length ? t.Length : 1;
        EXPECT_EQ(covered, in.size());
    }
}

}  // namespace
}  // namespace movrel::test
