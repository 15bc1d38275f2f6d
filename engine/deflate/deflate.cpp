// Deflate encoder: finds repeated strings in a 32 KB sliding dictionary with
// hash chains and hands literals and matches to the block coder (trees.cpp).
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
    uint16_t max_chain;    // candidates tried per search (0 counts through 16 bits)
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

inline void update_hash(unsigned& h, uint8_t c)
{
    h = ((h << H_SHIFT) ^ c) & HASH_MASK;
}

// Enters the string at position p into its chain; answers the previous head.
inline unsigned hash_insert(TDeflateState& s, unsigned p)
{
    update_hash(s.ins_h, s.window[p + MIN_MATCH - 1]);
    unsigned head = s.head[s.ins_h];
    s.prev[p & WMASK] = uint16_t(head);
    s.head[s.ins_h] = uint16_t(p);
    return head;
}

// Reads up to count bytes, calling the read routine until they are there or
// the input ends, so the window fills the same way whatever piece sizes the
// routine answers with.
unsigned read_input(TDeflateState& s, uint8_t* buf, unsigned count)
{
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
    s.crc = CrcUpdate(s.crc, buf, n);
    s.bytes_in += n;
    if (*s.progress) (*s.progress)(n, s.bytes_in);
    return n;
}

void slide_window(TDeflateState& s)
{
    std::memcpy(s.window, s.window + WSIZE, WSIZE);
    s.match_start -= WSIZE;
    s.strstart -= WSIZE;
    s.block_start -= int32_t(WSIZE);
    for (unsigned n = 0; n < HASH_SIZE; ++n) {
        unsigned m = s.head[n];
        s.head[n] = uint16_t(m >= WSIZE ? m - WSIZE : 0);
    }
    for (unsigned n = 0; n < WSIZE; ++n) {
        unsigned m = s.prev[n];
        s.prev[n] = uint16_t(m >= WSIZE ? m - WSIZE : 0);
    }
}

// Keeps at least MIN_LOOKAHEAD bytes ahead of the position while input
// remains, sliding the window when the position has reached SLIDE_AT.
void refill_window(TDeflateState& s)
{
    do {
        unsigned more = uint16_t(unsigned(s.window_size) - s.lookahead - s.strstart);
        if (more == 0xFFFF) {
            more = 0xFFFE;
        } else if (s.strstart >= SLIDE_AT && s.sliding) {
            slide_window(s);
            more += WSIZE;
        }
        if (s.eofile) return;
        unsigned n = read_input(s, s.window + s.strstart + s.lookahead, more);
        if (n == 0)
            s.eofile = true;
        else
            s.lookahead += n;
    } while (s.lookahead < MIN_LOOKAHEAD && !s.eofile);
}

void start_window(TDeflateState& s)
{
    s.sliding = false;
    if (s.window_size == 0) {
        s.sliding = true;
        s.window_size = int32_t(WINDOW_SIZE);
    }
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
    s.ins_h = 0;
    update_hash(s.ins_h, s.window[0]);
    update_hash(s.ins_h, s.window[1]);
}

// Longest match at the position among the chain from cur_match, longer than
// prev_length; sets match_start. May count bytes past the valid input.
unsigned find_match(TDeflateState& s, unsigned cur_match)
{
    uint16_t chain_length = uint16_t(s.max_chain);
    const uint8_t* scan = s.window + s.strstart;
    unsigned best_len = s.prev_length;
    const unsigned limit = s.strstart > MAX_DIST ? s.strstart - MAX_DIST : 0;
    const uint8_t* strend = s.window + s.strstart + MAX_MATCH - 1;
    const uint16_t scan_start = load16(scan);
    uint16_t scan_end = load16(scan + best_len - 1);

    if (s.prev_length >= s.good_match) chain_length = uint16_t(chain_length >> 2);
    do {
        const uint8_t* match = s.window + cur_match;
        if (load16(match + best_len - 1) != scan_end || load16(match) != scan_start) continue;

        // The byte at offset 2 is implied by the hash; compare pairs from offset 3.
        const uint8_t* sp = scan + 1;
        const uint8_t* mp = match + 1;
        do {
        } while (load16(sp += 2) == load16(mp += 2) && load16(sp += 2) == load16(mp += 2) &&
                 load16(sp += 2) == load16(mp += 2) && load16(sp += 2) == load16(mp += 2) &&
                 sp < strend);
        if (*sp == *mp) sp++;
        unsigned len = unsigned(sp - scan);

        if (len > best_len) {
            s.match_start = cur_match;
            best_len = len;
            if (len >= s.nice_match) break;
            scan_end = load16(scan + best_len - 1);
        }
    } while ((cur_match = s.prev[cur_match & WMASK]) > limit && (chain_length = uint16_t(chain_length - 1)) != 0);
    return best_len;
}

void verify_match(const TDeflateState& s, unsigned start, unsigned match, unsigned length)
{
    if (std::memcmp(s.window + start, s.window + match, length) != 0) throw EInvalidMatch();
}

const uint8_t* block_input(const TDeflateState& s)
{
    return s.block_start >= 0 ? s.window + s.block_start : nullptr;
}

uint64_t block_length(const TDeflateState& s)
{
    return uint64_t(int64_t(s.strstart) - s.block_start);
}

void flush_block(TDeflateState& s, bool last)
{
    emit_block(s, block_input(s), block_length(s), last);
    s.block_start = int32_t(s.strstart);
}

// Levels 0-3: take the longest match at each position at once.
void deflate_greedy(TDeflateState& s)
{
    unsigned match_length = 0;
    s.prev_length = MIN_MATCH - 1;
    while (s.lookahead != 0) {
        unsigned hash_head = hash_insert(s, s.strstart);
        if (hash_head != 0 && s.strstart - hash_head <= MAX_DIST) {
            match_length = find_match(s, hash_head);
            if (match_length > s.lookahead) match_length = s.lookahead;
        }
        bool flush;
        if (match_length >= MIN_MATCH) {
            verify_match(s, s.strstart, s.match_start, match_length);
            flush = ct_tally(s, s.strstart - s.match_start, match_length - MIN_MATCH);
            s.lookahead -= match_length;
            if (match_length <= s.max_lazy) {
                match_length--;
                do {
                    s.strstart++;
                    hash_insert(s, s.strstart);
                } while (--match_length != 0);
                s.strstart++;
            } else {
                s.strstart += match_length;
                match_length = 0;
                s.ins_h = s.window[s.strstart];
                update_hash(s.ins_h, s.window[s.strstart + 1]);
            }
        } else {
            flush = ct_tally(s, 0, s.window[s.strstart]);
            s.lookahead--;
            s.strstart++;
        }
        if (flush) flush_block(s, false);
        if (s.lookahead < MIN_LOOKAHEAD) refill_window(s);
    }
    flush_block(s, true);
}

// Levels 4-9: a match is kept back one position in case the next one is longer.
void deflate_lazy(TDeflateState& s)
{
    bool match_available = false;
    unsigned match_length = MIN_MATCH - 1;
    while (s.lookahead != 0) {
        unsigned hash_head = hash_insert(s, s.strstart);
        s.prev_length = match_length;
        unsigned prev_match = s.match_start;
        match_length = MIN_MATCH - 1;

        if (hash_head != 0 && s.prev_length < s.max_lazy && s.strstart - hash_head <= MAX_DIST) {
            match_length = find_match(s, hash_head);
            if (match_length > s.lookahead) match_length = s.lookahead;
            if (match_length == MIN_MATCH && s.strstart - s.match_start > TOO_FAR) match_length--;
        }

        if (s.prev_length >= MIN_MATCH && match_length <= s.prev_length) {
            verify_match(s, s.strstart - 1, prev_match, s.prev_length);
            bool flush = ct_tally(s, s.strstart - 1 - prev_match, s.prev_length - MIN_MATCH);
            s.lookahead -= s.prev_length - 1;
            unsigned n = s.prev_length - 2;
            do {
                s.strstart++;
                hash_insert(s, s.strstart);
            } while (--n != 0);
            s.strstart++;
            match_available = false;
            match_length = MIN_MATCH - 1;
            if (flush) flush_block(s, false);
        } else if (match_available) {
            if (ct_tally(s, 0, s.window[s.strstart - 1])) flush_block(s, false);
            s.strstart++;
            s.lookahead--;
        } else {
            match_available = true;
            s.strstart++;
            s.lookahead--;
        }
        if (s.lookahead < MIN_LOOKAHEAD) refill_window(s);
    }
    if (match_available) ct_tally(s, 0, s.window[s.strstart - 1]);
    flush_block(s, true);
}

}  // namespace

TDeflateState::TDeflateState()
{
    window = new uint8_t[WINDOW_SIZE + WINDOW_PAD]();
    prev = new uint16_t[WSIZE]();
    head = new uint16_t[HASH_SIZE]();
    l_buf = new uint8_t[LIT_BUFSIZE]();
    d_buf = new uint16_t[DIST_BUFSIZE]();
    flag_buf = new uint8_t[FLAG_BUFSIZE]();
}

TDeflateState::~TDeflateState()
{
    delete[] window;
    delete[] prev;
    delete[] head;
    delete[] l_buf;
    delete[] d_buf;
    delete[] flag_buf;
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
    std::memset(s.window, 0, WINDOW_SIZE + WINDOW_PAD);
    s.read = &read;
    s.write = &write;
    s.progress = &progress;
    s.source_ended = false;
    s.crc = 0xFFFFFFFFu;
    s.bytes_in = 0;
    s.bytes_out = 0;
    s.level = level;
    s.window_size = 0;
    s.match_start = 0;
    s.prev_length = 0;

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
