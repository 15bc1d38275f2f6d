// Deflate encoder: finds repeated strings in a 32 KB sliding dictionary with
// hash chains and hands literals and matches to the block coder (trees.cpp).
//
// The hot loops keep the encoder's state in locals and write it back before
// anything else (refill, block end) looks at it: stores into the window and
// the chains go through byte pointers, which would otherwise force the state
// to be reloaded from memory after every one of them.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "Crc32.h"
#include "EngineErrors.h"
#include "deflate/deflate_state.h"

namespace movrel {

namespace {

struct TLevelRow {
    uint16_t good_length;  // a match this long cuts the chain search to a quarter
    uint16_t max_lazy;     // lazy: no search after a match this long; greedy: longest match whose strings are hashed
    uint16_t nice_length;  // a match this long ends the search
    uint16_t max_chain;    // candidates tried per search (0 counts through 16 bits: 65536)
};

// One row per PackLevel; levels 0-3 match greedily, 4-9 lazily.
const TLevelRow level_table[10] = {
    {0, 0, 0, 0},          {4, 4, 8, 4},        {4, 5, 16, 8},       {4, 6, 32, 32},
    {4, 4, 16, 16},        {8, 16, 32, 32},     {8, 16, 128, 128},   {8, 32, 128, 256},
    {32, 128, 258, 1024},  {32, 258, 258, 4096},
};

inline uint16_t load16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline uint64_t load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline unsigned update_hash(unsigned h, uint8_t c)
{
    return ((h << H_SHIFT) ^ c) & HASH_MASK;
}

// Reads up to count bytes, calling the read routine until they are there or
// the input ends, so the window fills the same way whatever piece sizes the
// routine answers with.
unsigned read_input(TDeflateState& s, uint8_t* buf, unsigned count)
{
    assert(count > 0);
    unsigned n = 0;
    while (n < count && !s.source_ended) {
        size_t got = (*s.read)(buf + n, count - n);
        if (got == 0) {
            s.source_ended = true;
            break;
        }
        if (got > count - n) throw ELimitError("The read routine answered more bytes than asked for");
        n += unsigned(got);
    }
    if (n == 0) return 0;
    s.window_dirty = std::max(s.window_dirty, unsigned(buf + n - s.window));
    s.crc = CrcUpdate(s.crc, buf, n);
    s.bytes_in += n;
    if (*s.progress) (*s.progress)(n, s.bytes_in);
    return n;
}

// Chain entries below the new window's start become 0 (no candidate).
void slide_chains(uint16_t* table, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        unsigned m = table[i];
        table[i] = uint16_t(m >= WSIZE ? m - WSIZE : 0);
    }
}

// Keeps at least MIN_LOOKAHEAD bytes ahead of the position while input
// remains, sliding the window when the position has reached SLIDE_AT.
void refill_window(TDeflateState& s)
{
    do {
        // Room after the valid bytes, taken as 16 bits.
        unsigned more = uint16_t(WINDOW_SIZE - s.lookahead - s.strstart);
        if (more == 0xFFFF) {
            more = 0xFFFE;
        } else if (s.strstart >= SLIDE_AT && s.sliding) {
            std::memcpy(s.window, s.window + WSIZE, WSIZE);
            s.match_start -= WSIZE;
            s.strstart -= WSIZE;
            s.block_start -= int32_t(WSIZE);
            slide_chains(s.head, HASH_SIZE);
            slide_chains(s.prev, WSIZE);
            more += WSIZE;
        }
        if (s.eofile) return;
        assert(s.strstart + s.lookahead + more <= WINDOW_SIZE);
        unsigned n = read_input(s, s.window + s.strstart + s.lookahead, more);
        if (n == 0)
            s.eofile = true;
        else
            s.lookahead += n;
    } while (s.lookahead < MIN_LOOKAHEAD && !s.eofile);
}

void start_window(TDeflateState& s)
{
    s.sliding = true;
    std::memset(s.head, 0, HASH_SIZE * sizeof(uint16_t));
    const TLevelRow& row = level_table[s.level];
    s.good_match = row.good_length;
    s.max_lazy = row.max_lazy;
    s.nice_match = row.nice_length;
    s.max_chain = row.max_chain;
    s.strstart = 0;
    s.block_start = 0;
    s.lookahead = read_input(s, s.window, WSIZE);
    if (s.lookahead == 0) {
        s.eofile = true;
        return;
    }
    s.eofile = false;
    if (s.lookahead < MIN_LOOKAHEAD) refill_window(s);
    s.ins_h = update_hash(update_hash(0, s.window[0]), s.window[1]);
}

// Number of equal bytes at scan and match, at most MAX_MATCH, when the first
// two are known to be equal. The third is implied by the hash and never
// compared; the rest are compared eight at a time. Bytes past the valid input
// count like any other (the callers cut the answer to the lookahead).
inline unsigned match_length(const uint8_t* scan, const uint8_t* match)
{
    unsigned len = 3;
    for (;;) {
        uint64_t diff = load64(scan + len) ^ load64(match + len);
        if (diff != 0) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
            len += unsigned(__builtin_clzll(diff)) >> 3;
#else
            len += unsigned(__builtin_ctzll(diff)) >> 3;
#endif
            return len < MAX_MATCH ? len : MAX_MATCH;
        }
        len += 8;
        if (len >= MAX_MATCH) return MAX_MATCH;
    }
}

struct TSearch {
    unsigned max_chain;
    unsigned good_match;
    unsigned nice_match;
};

// Longest match at strstart among the chain from cur_match that is longer than
// prev_length; sets match_start when it finds one. The first candidate longer
// than the best so far wins, the search ends at the nice length or when the
// chain count runs out, exactly as a pairwise comparison would decide.
inline unsigned find_match(const uint8_t* window, const uint16_t* prev, unsigned strstart, unsigned cur_match,
                           unsigned prev_length, const TSearch& p, unsigned& match_start)
{
    const uint8_t* const scan = window + strstart;
    const unsigned limit = strstart > MAX_DIST ? strstart - MAX_DIST : 0;
    // The chain count is 16 bits wide: a count of 0 runs through 65536 candidates.
    unsigned chain = uint16_t(prev_length >= p.good_match ? p.max_chain >> 2 : p.max_chain);
    if (chain == 0) chain = 65536;
    unsigned best = prev_length;
    const uint16_t scan_start = load16(scan);
    uint16_t scan_end = load16(scan + best - 1);
    const uint8_t* window_end = window + best - 1;  // candidate c's pair ending at offset best is at c here

    for (;;) {
        // The next link is loaded first: walking the chain is the critical path.
        const unsigned next = prev[cur_match & WMASK];
        // A candidate can beat best only if the pair ending at offset best
        // and the first pair are equal.
        if (load16(window_end + cur_match) == scan_end && load16(window + cur_match) == scan_start) {
            unsigned len = match_length(scan, window + cur_match);
            if (len > best) {
                match_start = cur_match;
                best = len;
                if (len >= p.nice_match) break;
                scan_end = load16(scan + best - 1);
                window_end = window + best - 1;
            }
        }
        cur_match = next;
        if (cur_match <= limit || --chain == 0) break;
    }
    return best;
}

#ifndef NDEBUG
void verify_match(const TDeflateState& s, unsigned start, unsigned match, unsigned length)
{
    if (std::memcmp(s.window + start, s.window + match, length) != 0) throw EInvalidMatch();
}
#else
inline void verify_match(const TDeflateState&, unsigned, unsigned, unsigned) {}
#endif

void flush_block(TDeflateState& s, bool last)
{
    const uint8_t* input = s.block_start >= 0 ? s.window + s.block_start : nullptr;
    emit_block(s, input, uint64_t(int64_t(s.strstart) - s.block_start), last);
    s.block_start = int32_t(s.strstart);
}

// Levels 0-3: take the longest match at each position at once.
void deflate_greedy(TDeflateState& s)
{
    uint8_t* const window = s.window;
    uint16_t* const head = s.head;
    uint16_t* const prev = s.prev;
    const TSearch params{s.max_chain, s.good_match, s.nice_match};
    const unsigned max_insert = s.max_lazy;
    unsigned strstart = s.strstart;
    unsigned lookahead = s.lookahead;
    unsigned ins_h = s.ins_h;
    unsigned match_start = s.match_start;
    unsigned match_length = 0;

    while (lookahead != 0) {
        ins_h = update_hash(ins_h, window[strstart + MIN_MATCH - 1]);
        unsigned hash_head = head[ins_h];
        prev[strstart & WMASK] = uint16_t(hash_head);
        head[ins_h] = uint16_t(strstart);

        if (hash_head != 0 && strstart - hash_head <= MAX_DIST) {
            match_length = find_match(window, prev, strstart, hash_head, MIN_MATCH - 1, params, match_start);
            if (match_length > lookahead) match_length = lookahead;
        }
        bool flush;
        if (match_length >= MIN_MATCH) {
            verify_match(s, strstart, match_start, match_length);
            flush = tally_match(s, strstart - match_start, match_length - MIN_MATCH, strstart);
            lookahead -= match_length;
            if (match_length <= max_insert) {
                // Every string inside the match enters the chains.
                for (unsigned end = strstart + match_length; ++strstart < end;) {
                    ins_h = update_hash(ins_h, window[strstart + MIN_MATCH - 1]);
                    prev[strstart & WMASK] = head[ins_h];
                    head[ins_h] = uint16_t(strstart);
                }
            } else {
                strstart += match_length;
                ins_h = update_hash(window[strstart], window[strstart + 1]);
            }
            match_length = 0;
        } else {
            // match_length keeps its value, below MIN_MATCH.
            flush = tally_literal(s, window[strstart], strstart);
            lookahead--;
            strstart++;
        }
        if (flush || lookahead < MIN_LOOKAHEAD) {
            s.strstart = strstart;
            s.lookahead = lookahead;
            s.match_start = match_start;
            if (flush) flush_block(s, false);
            if (lookahead < MIN_LOOKAHEAD) refill_window(s);
            strstart = s.strstart;
            lookahead = s.lookahead;
            match_start = s.match_start;
        }
    }
    s.strstart = strstart;
    s.ins_h = ins_h;
    flush_block(s, true);
}

// Levels 4-9: a match is held back one position in case the next one is longer.
void deflate_lazy(TDeflateState& s)
{
    uint8_t* const window = s.window;
    uint16_t* const head = s.head;
    uint16_t* const prev = s.prev;
    const TSearch params{s.max_chain, s.good_match, s.nice_match};
    const unsigned max_lazy = s.max_lazy;
    unsigned strstart = s.strstart;
    unsigned lookahead = s.lookahead;
    unsigned ins_h = s.ins_h;
    unsigned match_start = s.match_start;
    bool match_available = false;
    unsigned match_length = MIN_MATCH - 1;

    while (lookahead != 0) {
        ins_h = update_hash(ins_h, window[strstart + MIN_MATCH - 1]);
        unsigned hash_head = head[ins_h];
        prev[strstart & WMASK] = uint16_t(hash_head);
        head[ins_h] = uint16_t(strstart);

        const unsigned prev_length = match_length;
        const unsigned prev_match = match_start;
        match_length = MIN_MATCH - 1;
        if (hash_head != 0 && prev_length < max_lazy && strstart - hash_head <= MAX_DIST) {
            match_length = find_match(window, prev, strstart, hash_head, prev_length, params, match_start);
            if (match_length > lookahead) match_length = lookahead;
            if (match_length == MIN_MATCH && strstart - match_start > TOO_FAR) match_length = MIN_MATCH - 1;
        }

        bool flush = false;
        if (prev_length >= MIN_MATCH && match_length <= prev_length) {
            // The match at the previous position is taken.
            verify_match(s, strstart - 1, prev_match, prev_length);
            flush = tally_match(s, strstart - 1 - prev_match, prev_length - MIN_MATCH, strstart);
            lookahead -= prev_length - 1;
            for (unsigned end = strstart + prev_length - 1; ++strstart < end;) {
                ins_h = update_hash(ins_h, window[strstart + MIN_MATCH - 1]);
                prev[strstart & WMASK] = head[ins_h];
                head[ins_h] = uint16_t(strstart);
            }
            match_available = false;
            match_length = MIN_MATCH - 1;
        } else if (match_available) {
            // The previous byte goes out as a literal. A block that ends here
            // ends before the position moves on.
            if (tally_literal(s, window[strstart - 1], strstart)) {
                s.strstart = strstart;
                s.match_start = match_start;
                flush_block(s, false);
            }
            strstart++;
            lookahead--;
        } else {
            match_available = true;
            strstart++;
            lookahead--;
        }
        if (flush || lookahead < MIN_LOOKAHEAD) {
            s.strstart = strstart;
            s.lookahead = lookahead;
            s.match_start = match_start;
            if (flush) flush_block(s, false);
            if (lookahead < MIN_LOOKAHEAD) refill_window(s);
            strstart = s.strstart;
            lookahead = s.lookahead;
            match_start = s.match_start;
        }
    }
    s.strstart = strstart;
    s.ins_h = ins_h;
    if (match_available) tally_literal(s, window[strstart - 1], strstart);
    flush_block(s, true);
}

}  // namespace

TDeflateState::TDeflateState()
{
    window = new uint8_t[WINDOW_SIZE + WINDOW_PAD]();
    prev = new uint16_t[WSIZE]();
    head = new uint16_t[HASH_SIZE]();
    items = new uint32_t[LIT_BUFSIZE]();
    outbuf = new uint8_t[OUTBUF_SIZE + OUTBUF_SLACK]();
}

TDeflateState::~TDeflateState()
{
    delete[] window;
    delete[] prev;
    delete[] head;
    delete[] items;
    delete[] outbuf;
}

TDeflater::TDeflater() : m_state(std::make_unique<TDeflateState>()) {}

TDeflater::~TDeflater() = default;

uint16_t TDeflater::FlagBitsFor(int level)
{
    if (level <= 2) return 4;
    if (level >= 8) return 2;
    return 0;
}

TDeflateResult TDeflater::Compress(int level, const ReadFn& read, const WriteFn& write, const ProgressFn& progress)
{
    if (level < 0 || level > 9) throw ELimitError("Compression level must be 0 to 9");
    TDeflateState& s = *m_state;
    // Every entry starts from a zeroed window: bytes past the valid input take
    // part in match comparisons, and the output must not depend on what an
    // earlier entry (or an abandoned one) left there.
    std::memset(s.window, 0, s.window_dirty);
    s.window_dirty = 0;
    s.read = &read;
    s.write = &write;
    s.progress = &progress;
    s.source_ended = false;
    s.crc = 0xFFFFFFFFu;
    s.bytes_in = 0;
    s.bytes_out = 0;
    s.level = level;
    s.match_start = 0;

    ct_init(s);
    start_window(s);
    if (level <= 3)
        deflate_greedy(s);
    else
        deflate_lazy(s);

    TDeflateResult r;
    r.Crc32 = ~s.crc;
    r.BytesIn = s.bytes_in;
    r.BytesOut = s.bytes_out;
    r.Method = s.method;
    r.InternalAttributes = s.internal_attributes;
    r.FlagBits = FlagBitsFor(level);
    r.CopySource = s.copy_source;
    return r;
}

}  // namespace movrel
