#include "Wildcards.h"

#include <gtest/gtest.h>

#include <string>

using namespace movrel;

namespace {

struct TMatchCase {
    const char* pattern;
    const char* name;
    bool match;
};

void CheckTable(const TMatchCase* begin, const TMatchCase* end)
{
    for (const TMatchCase* c = begin; c != end; ++c)
        EXPECT_EQ(IsMatch(c->pattern, c->name), c->match) << "pattern '" << c->pattern << "' name '" << c->name << "'";
}

}  // namespace

TEST(Wildcards, StarQueryAndLiterals)
{
    const TMatchCase cases[] = {
        {"*.TXT", "readme.txt", true},
        {"README.*", "readme.TXT", true},
        {"*.*", "readme", false},
        {"*.*", "readme.", true},
        {"*.*", "dir\\file", false},
        {"*", "", true},
        {"*", "any\\thing.at all", true},
        {"", "", true},
        {"", "a", false},
        {"a", "", false},
        {"?", "", false},
        {"?", "x", true},
        {"??", "x", false},
        {"a?", "a", false},
        {"a?c", "abc", true},
        {"a*", "a", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt*", "a.txt", true},
        {"*\\*.txt", "dir\\a.txt", true},       // the star crosses the separator
        {"*\\*.txt", "a\\b\\c.txt", true},
        {"*\\*.txt", "a.txt", false},
        {"*a*b*", "xaxbx", true},
        {"*a*b", "xbxa", false},
        {"*ab", "aab", true},                    // the first candidate position fails, a later one succeeds
        {"*?x", "ax", true},
        {"*?x", "x", false},
        {"a[1]", "A[1]", true},                  // square brackets are ordinary characters
    };
    CheckTable(std::begin(cases), std::end(cases));
}

TEST(Wildcards, CaseFoldingIsAsciiOnly)
{
    const TMatchCase cases[] = {
        {"ABC.ZIP", "abc.zip", true},
        {"\xC3\x84.txt", "\xC3\xA4.txt", false},  // "Ä" and "ä" differ beyond ASCII
        {"\xC3\x84*", "\xC3\x84hnlich", true},
        {"?.txt", "\xC3\xA4.txt", false},         // '?' is one byte, not one UTF-8 character
        {"??.txt", "\xC3\xA4.txt", true},
    };
    CheckTable(std::begin(cases), std::end(cases));
}

TEST(Wildcards, CharacterClasses)
{
    const TMatchCase cases[] = {
        {"<a-c>x", "Bx", true},
        {"<A-C>x", "bx", true},
        {"<a-c>x", "dx", false},
        {"<!a-c>x", "bx", false},
        {"<!a-c>x", "dx", true},
        {"<^a-c>x", "dx", true},
        {"<^a-c>x", "ax", false},
        {"<xyz>", "y", true},
        {"<xyz>", "w", false},
        {"<a-cx-z>1", "y1", true},
        {"<-a>", "-", true},                      // a '-' that does not join two characters stands for itself
        {"<a-c><x-z>", "bY", true},
        {"file<0-9>.txt", "file7.txt", true},
        {"file<0-9>.txt", "fileA.txt", false},
        {"*<0-9>", "disk12", true},
        {"*<0-9>", "disk", false},
        {"<\x80-\xFF>*", "\xC3\xA4", true},       // bytes compare unsigned
        {"<!\x80-\xFF>*", "\xC3\xA4", false},
        {"<a-c>", "", false},
    };
    CheckTable(std::begin(cases), std::end(cases));
}

TEST(Wildcards, MalformedClassMatchesNothing)
{
    const TMatchCase cases[] = {
        {"<>x", "x", false},
        {"<>x", ">x", false},
        {"<!>x", "ax", false},
        {"<a-", "a", false},
        {"<a", "a", false},
        {"<a->", "a", false},
        {"<abc", "a", false},                     // missing '>' even though the character is in the class
        {"<ab>*<c", "acx", false},
        {"*<", "abc", false},
    };
    CheckTable(std::begin(cases), std::end(cases));
}

// A '?' closing a '*' run at the end of the pattern takes any one character;
// a '*' that is not last needs a character to be left when it is reached.
TEST(Wildcards, StarRunAtTheEnd)
{
    const TMatchCase cases[] = {
        {"*?", "a", true},
        {"*?", "abc", true},
        {"*?", "", false},
        {"*??", "a", false},
        {"*??", "ab", true},
        {"a*?", "a", false},
        {"a*?", "ab", true},
        {"*.?", "a.b", true},
        {"*.?", "a.", false},
        {"a**", "a", false},
        {"a**", "ab", true},
        {"**", "", false},
    };
    CheckTable(std::begin(cases), std::end(cases));
}

TEST(Wildcards, ManyStarsAgainstALongNameFinish)
{
    // Without remembering failed positions this takes exponential time.
    std::string name(300, 'a');
    EXPECT_FALSE(IsMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(IsMatch("*a*a*a*a*a*a*a*a*a*a*a*a*", name + "b"));
    EXPECT_TRUE(IsMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", name + "b"));
}

TEST(Wildcards, HasWildcards)
{
    const struct {
        const char* text;
        bool wild;
    } cases[] = {
        {"", false},
        {"/home/user/file.txt", false},
        {"dir\\name [1].txt", false},
        {"*.txt", true},
        {"a?c", true},
        {"<a-z>", true},
        {"x>", true},
        {"|dir", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasWildcards(c.text), c.wild) << c.text;
}
