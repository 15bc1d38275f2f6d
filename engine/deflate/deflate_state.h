// Private to engine/deflate/: the state the encoder (deflate.cpp) and the
// block coder (trees.cpp) share, and the few calls between them.
#pragma once

#include <cstddef>
#include <cstdint>

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
constexpr unsigned TOO_FAR = 4096;   // lazy strategy: 3-byte matches farther back are dropped
constexpr unsigned LIT_BUFSIZE = 32768;
constexpr unsigned DIST_BUFSIZE = 32768;
constexpr unsigned FLAG_BUFSIZE = 4096;
constexpr unsigned OUTBUF_SIZE = 1024;
// Zero bytes after the window so word-wide compares near its end stay inside.
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

struct TDeflateState {
    TDeflateState();
    ~TDeflateState();

    // Buffers, allocated once per object.
    uint8_t* window;     // WINDOW_SIZE + WINDOW_PAD
    uint16_t* prev;      // chain links, WSIZE
    uint16_t* head;      // chain heads, HASH_SIZE
    uint8_t* l_buf;      // literal or match length - 3, per item
    uint16_t* d_buf;     // distance - 1, per match
    uint8_t* flag_buf;   // one bit per item, set for a match

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
    int32_t window_size = 0;
    bool sliding = false;
    unsigned ins_h = 0;
    unsigned strstart = 0;
    int32_t block_start = 0;
    unsigned lookahead = 0;
    unsigned match_start = 0;
    unsigned prev_length = 0;
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
    uint16_t bl_count[MAX_BITS + 1];
    unsigned last_lit = 0;    // items in the block
    unsigned last_dist = 0;   // matches in the block
    unsigned last_flags = 0;  // full flag bytes
    uint8_t flags = 0;        // flag bits of the items since the last full flag byte
    uint8_t flag_bit = 1;
    uint32_t opt_len = 0;     // dynamic cost in bits
    uint32_t static_len = 0;  // fixed cost in bits
    bool block_written = false;  // a block of this entry is already out
    bool copy_source = false;
    uint16_t method = 8;
    uint16_t internal_attributes = 2;
    uint16_t bi_buf = 0;
    unsigned bi_valid = 0;
    uint8_t outbuf[OUTBUF_SIZE];
    unsigned outcnt = 0;
};

// Block coder (trees.cpp).
void ct_init(TDeflateState& s);
bool ct_tally(TDeflateState& s, unsigned dist, unsigned lc);
// Ends the block of stored_len input bytes starting at buf (null when they
// have left the window) and writes it; last marks the entry's final block.
void emit_block(TDeflateState& s, const uint8_t* buf, uint64_t stored_len, bool last);

}  // namespace movrel
