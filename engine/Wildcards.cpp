#include "Wildcards.h"

#include <cstddef>
#include <vector>

namespace movrel {

namespace {

unsigned char Fold(char c)
{
    auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

constexpr size_t kNoMatch = static_cast<size_t>(-1);

class TMatcher {
public:
    TMatcher(std::string_view pattern, std::string_view name) : m_p(pattern), m_n(name)
    {
        // With more than one '*' the star match can retry the same rest of
        // the pattern against the same rest of the name many times over;
        // remembering the failed pairs keeps the work polynomial.
        size_t stars = 0;
        for (char c : m_p)
            stars += (c == '*');
        if (stars > 1)
            m_failed.assign((m_p.size() + 1) * (m_n.size() + 1), false);
    }

    bool Match(size_t i, size_t j);

private:
    bool StarMatch(size_t i, size_t j);
    size_t MatchClass(size_t i, unsigned char ch) const;

    std::string_view m_p;
    std::string_view m_n;
    std::vector<bool> m_failed;  // (i, j) pairs whose full match failed
};

bool TMatcher::Match(size_t i, size_t j)
{
    while (i < m_p.size()) {
        if (j == m_n.size())
            return m_p[i] == '*' && i + 1 == m_p.size();
        char pc = m_p[i];
        if (pc == '*')
            return StarMatch(i, j);
        if (pc == '<') {
            size_t next = MatchClass(i, Fold(m_n[j]));
            if (next == kNoMatch)
                return false;
            i = next;
            ++j;
            continue;
        }
        if (pc != '?' && Fold(pc) != Fold(m_n[j]))
            return false;
        ++i;
        ++j;
    }
    return j == m_n.size();
}

// m_p[i] is '*'.
bool TMatcher::StarMatch(size_t i, size_t j)
{
    bool lastWasQuery = false;
    bool nameTooShort = false;
    for (; i < m_p.size() && (m_p[i] == '*' || m_p[i] == '?'); ++i) {
        lastWasQuery = (m_p[i] == '?');
        if (!lastWasQuery)
            continue;
        if (j < m_n.size())
            ++j;
        else
            nameTooShort = true;
    }
    if (i == m_p.size()) {
        // A tail "*?" gives each '?' any one byte; the '*' takes the rest.
        if (lastWasQuery)
            return !nameTooShort;
        return j < m_n.size();
    }
    if (j == m_n.size())
        return false;
    const unsigned char pc = Fold(m_p[i]);
    const size_t row = i * (m_n.size() + 1);
    for (size_t k = j; k < m_n.size(); ++k) {
        if (pc != '<' && pc != Fold(m_n[k]))
            continue;
        if (!m_failed.empty() && m_failed[row + k])
            continue;
        if (Match(i, k))
            return true;
        if (!m_failed.empty())
            m_failed[row + k] = true;
    }
    return false;
}

// m_p[i] is '<'. Returns the pattern index after the closing '>' when ch is
// accepted by the class, kNoMatch when it is not or the class is malformed.
size_t TMatcher::MatchClass(size_t i, unsigned char ch) const
{
    size_t p = i + 1;
    bool negated = false;
    if (p < m_p.size() && (m_p[p] == '!' || m_p[p] == '^')) {
        negated = true;
        ++p;
    }
    if (p < m_p.size() && m_p[p] == '>')
        return kNoMatch;  // empty class
    bool found = false;
    for (;;) {
        if (p >= m_p.size())
            return kNoMatch;  // no closing '>'
        unsigned char lo = Fold(m_p[p]);
        if (lo == '>')
            break;
        if (p + 1 < m_p.size() && m_p[p + 1] == '-') {
            if (p + 2 >= m_p.size() || m_p[p + 2] == '>')
                return kNoMatch;  // range without its upper end
            unsigned char hi = Fold(m_p[p + 2]);
            found = found || (ch >= lo && ch <= hi);
            p += 3;
            continue;
        }
        found = found || (ch == lo);
        ++p;
    }
    return (found != negated) ? p + 1 : kNoMatch;
}

}  // namespace

bool IsMatch(std::string_view pattern, std::string_view name)
{
    return TMatcher(pattern, name).Match(0, 0);
}

bool HasWildcards(std::string_view text)
{
    return text.find_first_of("*?<>|") != std::string_view::npos;
}

}  // namespace movrel
