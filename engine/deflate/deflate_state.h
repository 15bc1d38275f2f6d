// Private to engine/deflate/: the state the encoder (deflate.cpp) and the
// block coder (trees.cpp) share, and the few calls between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "deflate/Deflater.h"

namespace movrel {

// Format facts and the fixed sizes that decide where blocks end and how far
// back a match may reach. Changing any of them changes the output bytes.
constexpr unsigned WSIZE = 32768;                   // half the window; largest distance of the format
constexpr unsigned WMASK = WSIZE - 1;
constexpr unsigned WINDOW_SIZE = 2 * WSIZE;
constexpr unsigned MIN_MATCH = 3;
constexpr unsigned MAX_MATCH = 258;
constexpr unsigned MIN_LOOKAHEAD = MAX_MATCH + MIN_MATCH + 1;  // 262
constexpr unsigned MAX_DIST = WSIZE - MIN_LOOKAHEAD;          // 32506
constexpr unsigned SLIDE_AT = WSIZE + MAX_DIST;               // 65274
constexpr unsigned HASH_SIZE = 32768;
constexpr unsigned HASH_MASK = HASH_SIZE - 1;
constexpr unsigned H_SHIFT = 5;
constexpr unsigned TOO_FAR = 4096;        // lazy strategy: 3-byte matches farther back are dropped
constexpr unsigned LIT_BUFSIZE = 32768;   // a block ends at LIT_BUFSIZE - 1 items
constexpr unsigned DIST_BUFSIZE = 32768;  // ... or at DIST_BUFSIZE matches
constexpr unsigned WRITE_PIECE = 1024;    // largest piece of coded output handed to the write routine
// Coded output collects here before it goes out in pieces; the slack takes
// the 8-byte stores of the bit writer past the flush mark.
constexpr unsigned OUTBUF_SIZE = 16384;
constexpr unsigned OUTBUF_SLACK = 64;
// Zero bytes after the window so word-wide loads near its end stay inside.
constexpr unsigned WINDOW_PAD = 64;

constexpr int LITERALS = 256;
constexpr int END_BLOCK = 256;
constexpr int LENGTH_CODES = 29;
constexpr int L_CODES = LITERALS + 1 + LENGTH_CODES;  // 286
constexpr int D_CODES = 30;
constexpr int BL_CODES = 19;
constexpr int HEAP_SIZE = 2 * L_CODES + 1;            // 573
constexpr int MAX_BITS = 15;
constexpr int MAX_BL_BITS = 7;
constexpr int REP_3_6 = 16;
constexpr int REPZ_3_10 = 17;
constexpr int REPZ_11_138 = 18;

// A tree node: frequency, then code; parent, then code length.
struct ct_data {
    uint16_t fc;
    uint16_t dl;
};

struct tree_desc {
    ct_data* dyn_tree;
    const ct_data* static_tree;  // fixed codes, or null (bit-length tree)
    const uint8_t* extra_bits;
    int extra_base;              // first code with extra bits
    int elems;
    int max_length;
    int max_code;                // largest code with a non-zero frequency
};

// Extra bits of each length code (RFC 1951).
inline constexpr uint8_t extra_lbits[LENGTH_CODES] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Extra bits of each distance code (RFC 1951).
inline constexpr uint8_t extra_dbits[D_CODES] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

struct TCodeMaps {
    uint8_t length[256];  // match length - 3 -> length code
    uint8_t dist[512];    // distance - 1 -> distance code, see d_code()
};

// Generator of the two maps, from the extra-bit counts.
constexpr TCodeMaps make_code_maps()
{
    TCodeMaps m{};
    int length = 0;
    int code = 0;
    for (code = 0; code < LENGTH_CODES - 1; ++code)
        for (int n = 0; n < (1 << extra_lbits[code]); ++n) m.length[length++] = uint8_t(code);
    // Length 258 is sent as the last code, without extra bits.
    m.length[length - 1] = uint8_t(code);
    int dist = 0;
    for (code = 0; code < 16; ++code)
        for (int n = 0; n < (1 << extra_dbits[code]); ++n) m.dist[dist++] = uint8_t(code);
    dist >>= 7;  // entries 256 and up are indexed by (distance - 1) / 128
    for (; code < D_CODES; ++code)
        for (int n = 0; n < (1 << (extra_dbits[code] - 7)); ++n) m.dist[256 + dist++] = uint8_t(code);
    return m;
}

inline constexpr TCodeMaps code_maps = make_code_maps();

inline unsigned length_code(unsigned lc)  // lc is length - 3
{
    return code_maps.length[lc];
}

inline unsigned d_code(unsigned dist)  // dist is distance - 1
{
    return dist < 256 ? code_maps.dist[dist] : code_maps.dist[256 + (dist >> 7)];
}

struct TDeflateState {
    TDeflateState();
    ~TDeflateState();
    TDeflateState(const TDeflateState&) = delete;
    TDeflateState& operator=(const TDeflateState&) = delete;

    // Buffers, allocated once per object.
    uint8_t* window;     // WINDOW_SIZE + WINDOW_PAD
    uint16_t* prev;      // chain links, WSIZE
    uint16_t* head;      // chain heads, HASH_SIZE
    uint32_t* items;     // per item: literal or match length - 3 (bits 0-7), match distance or 0 (bits 16-31)
    uint8_t* outbuf;     // OUTBUF_SIZE + OUTBUF_SLACK
    unsigned window_dirty = 0;  // window bytes from 0 up that input has written

    // The routines of the current call.
    const TDeflater::ReadFn* read = nullptr;
    const TDeflater::WriteFn* write = nullptr;
    const TDeflater::ProgressFn* progress = nullptr;
    bool source_ended = false;
    uint32_t crc = 0;
    uint64_t bytes_in = 0;
    uint64_t bytes_out = 0;

    // Encoder.
    int level = 0;
    bool sliding = false;
    unsigned ins_h = 0;
    unsigned strstart = 0;
    int32_t block_start = 0;
    unsigned lookahead = 0;
    unsigned match_start = 0;
    unsigned max_chain = 0;
    unsigned good_match = 0;
    unsigned max_lazy = 0;
    unsigned nice_match = 0;
    bool eofile = false;

    // Block coder.
    ct_data dyn_ltree[HEAP_SIZE];
    ct_data dyn_dtree[2 * D_CODES + 1];
    ct_data bl_tree[2 * BL_CODES + 1];
    tree_desc l_desc;
    tree_desc d_desc;
    tree_desc bl_desc;
    int heap[HEAP_SIZE];
    int heap_len = 0;
    int heap_max = 0;
    uint8_t depth[HEAP_SIZE];
    uint32_t heap_key[HEAP_SIZE];  // frequency and depth, the heap's order
    uint16_t bl_count[MAX_BITS + 1];
    unsigned last_lit = 0;    // items in the block
    unsigned last_dist = 0;   // matches in the block
    uint32_t opt_len = 0;     // dynamic cost in bits
    uint32_t static_len = 0;  // fixed cost in bits
    bool block_written = false;  // a block of this entry is already out
    bool copy_source = false;
    uint16_t method = 8;
    uint16_t internal_attributes = 2;
    uint64_t bi_buf = 0;      // bits not yet in outbuf, first bit lowest
    unsigned bi_valid = 0;
    unsigned outcnt = 0;
};

// Block coder (trees.cpp).
void ct_init(TDeflateState& s);
// Ends the block of stored_len input bytes starting at buf (null when they
// have left the window) and writes it; last marks the entry's final block.
void emit_block(TDeflateState& s, const uint8_t* buf, uint64_t stored_len, bool last);
// The early end test, at every 4096th item from level 3 up.
bool block_pays_to_end(const TDeflateState& s, unsigned strstart);

// Records one literal; true when the block should end now.
inline bool tally_literal(TDeflateState& s, unsigned c, unsigned strstart)
{
    s.items[s.last_lit++] = c;
    s.dyn_ltree[c].fc++;
    if ((s.last_lit & 0xFFF) == 0 && s.level > 2 && block_pays_to_end(s, strstart)) return true;
    return s.last_lit == LIT_BUFSIZE - 1;
}

// Records a match of length lc + 3 at distance dist (1-32506); true when the
// block should end now.
inline bool tally_match(TDeflateState& s, unsigned dist, unsigned lc, unsigned strstart)
{
    s.items[s.last_lit++] = lc | dist << 16;
    s.last_dist++;
    s.dyn_ltree[length_code(lc) + LITERALS + 1].fc++;
    s.dyn_dtree[d_code(dist - 1)].fc++;
    if ((s.last_lit & 0xFFF) == 0 && s.level > 2 && block_pays_to_end(s, strstart)) return true;
    return s.last_lit == LIT_BUFSIZE - 1 || s.last_dist == DIST_BUFSIZE;
}

}  // namespace movrel
