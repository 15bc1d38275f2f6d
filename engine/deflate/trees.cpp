// Deflate block coder: collects literals and matches, ends blocks, builds the
// Huffman codes of each block, picks the cheapest block type and writes the
// bits. Every choice (block end, length limiting, tie-breaks) is fixed so the
// same items always give the same bytes.
#include <array>
#include <cstring>

#include "deflate/deflate_state.h"

namespace movrel {

namespace {

// Extra bits of each length code (RFC 1951).
constexpr uint8_t extra_lbits[LENGTH_CODES] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Extra bits of each distance code (RFC 1951).
constexpr uint8_t extra_dbits[D_CODES] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Extra bits of each bit-length code.
constexpr uint8_t extra_blbits[BL_CODES] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
// The order in which the bit-length code lengths are sent.
constexpr uint8_t bl_order[BL_CODES] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr unsigned bi_reverse(unsigned code, int len)
{
    unsigned res = 0;
    for (int i = 0; i < len; ++i) {
        res = (res << 1) | (code & 1);
        code >>= 1;
    }
    return res;
}

struct TStaticTables {
    uint8_t length_code[256];    // match length - 3 -> length code
    uint8_t dist_code[512];      // see d_code()
    int base_length[LENGTH_CODES];
    int base_dist[D_CODES];
    ct_data static_ltree[L_CODES + 2];
    ct_data static_dtree[D_CODES];
};

// Generator of the fixed tables: length and distance maps, fixed trees.
constexpr TStaticTables make_static_tables()
{
    TStaticTables t{};
    int length = 0;
    int code = 0;
    for (code = 0; code < LENGTH_CODES - 1; ++code) {
        t.base_length[code] = length;
        for (int n = 0; n < (1 << extra_lbits[code]); ++n)
            t.length_code[length++] = uint8_t(code);
    }
    // Length 258 is sent as the last code without extra bits.
    t.length_code[length - 1] = uint8_t(code);
    t.base_length[code] = 0;

    int dist = 0;
    for (code = 0; code < 16; ++code) {
        t.base_dist[code] = dist;
        for (int n = 0; n < (1 << extra_dbits[code]); ++n)
            t.dist_code[dist++] = uint8_t(code);
    }
    dist >>= 7;  // from here on the map is indexed by distance / 128
    for (; code < D_CODES; ++code) {
        t.base_dist[code] = dist << 7;
        for (int n = 0; n < (1 << (extra_dbits[code] - 7)); ++n)
            t.dist_code[256 + dist++] = uint8_t(code);
    }

    uint16_t count[MAX_BITS + 1] = {};
    int n = 0;
    while (n <= 143) t.static_ltree[n++].dl = 8, count[8]++;
    while (n <= 255) t.static_ltree[n++].dl = 9, count[9]++;
    while (n <= 279) t.static_ltree[n++].dl = 7, count[7]++;
    while (n <= 287) t.static_ltree[n++].dl = 8, count[8]++;
    uint16_t next_code[MAX_BITS + 1] = {};
    uint16_t c = 0;
    for (int bits = 1; bits <= MAX_BITS; ++bits)
        next_code[bits] = c = uint16_t((c + count[bits - 1]) << 1);
    for (n = 0; n <= L_CODES + 1; ++n) {
        int len = t.static_ltree[n].dl;
        t.static_ltree[n].fc = uint16_t(bi_reverse(next_code[len]++, len));
    }
    for (n = 0; n < D_CODES; ++n) {
        t.static_dtree[n].dl = 5;
        t.static_dtree[n].fc = uint16_t(bi_reverse(unsigned(n), 5));
    }
    return t;
}

constexpr TStaticTables tables = make_static_tables();

inline unsigned d_code(unsigned dist)
{
    return dist < 256 ? tables.dist_code[dist] : tables.dist_code[256 + (dist >> 7)];
}

// ---- Bit output -----------------------------------------------------------

void flush_outbuf(TDeflateState& s)
{
    if (s.outcnt == 0) return;
    (*s.write)(s.outbuf, s.outcnt);
    s.bytes_out += s.outcnt;
    s.outcnt = 0;
}

inline void put_byte(TDeflateState& s, uint8_t b)
{
    if (s.outcnt == OUTBUF_SIZE) flush_outbuf(s);
    s.outbuf[s.outcnt++] = b;
}

inline void put_short(TDeflateState& s, unsigned w)
{
    if (s.outcnt + 2 > OUTBUF_SIZE) flush_outbuf(s);
    s.outbuf[s.outcnt++] = uint8_t(w & 0xFF);
    s.outbuf[s.outcnt++] = uint8_t((w >> 8) & 0xFF);
}

inline void send_bits(TDeflateState& s, unsigned value, unsigned length)
{
    if (s.bi_valid > 16 - length) {
        s.bi_buf = uint16_t(s.bi_buf | (value << s.bi_valid));
        put_short(s, s.bi_buf);
        s.bi_buf = uint16_t(value >> (16 - s.bi_valid));
        s.bi_valid += length - 16;
    } else {
        s.bi_buf = uint16_t(s.bi_buf | (value << s.bi_valid));
        s.bi_valid += length;
    }
}

inline void send_code(TDeflateState& s, int c, const ct_data* tree)
{
    send_bits(s, tree[c].fc, tree[c].dl);
}

void align_bits(TDeflateState& s)
{
    if (s.bi_valid > 8)
        put_short(s, s.bi_buf);
    else if (s.bi_valid > 0)
        put_byte(s, uint8_t(s.bi_buf));
    flush_outbuf(s);
    s.bi_buf = 0;
    s.bi_valid = 0;
}

void put_raw_block(TDeflateState& s, const uint8_t* buf, uint64_t len, bool header)
{
    align_bits(s);
    if (header) {
        put_short(s, unsigned(len));
        put_short(s, unsigned(~len) & 0xFFFF);
    }
    flush_outbuf(s);
    if (len == 0) return;
    (*s.write)(buf, size_t(len));
    s.bytes_out += len;
}

// ---- Tree building --------------------------------------------------------

void reset_block(TDeflateState& s)
{
    for (int n = 0; n < L_CODES; ++n) s.dyn_ltree[n].fc = 0;
    for (int n = 0; n < D_CODES; ++n) s.dyn_dtree[n].fc = 0;
    for (int n = 0; n < BL_CODES; ++n) s.bl_tree[n].fc = 0;
    s.dyn_ltree[END_BLOCK].fc = 1;
    s.opt_len = s.static_len = 0;
    s.last_lit = s.last_dist = s.last_flags = 0;
    s.flags = 0;
    s.flag_bit = 1;
}

// Node a comes before node b: less frequent, or as frequent and not deeper.
inline bool smaller(const ct_data* tree, const uint8_t* depth, int a, int b)
{
    return tree[a].fc < tree[b].fc || (tree[a].fc == tree[b].fc && depth[a] <= depth[b]);
}

void sift_down(TDeflateState& s, const ct_data* tree, int k)
{
    int v = s.heap[k];
    int j = k << 1;
    while (j <= s.heap_len) {
        if (j < s.heap_len && smaller(tree, s.depth, s.heap[j + 1], s.heap[j])) j++;
        if (smaller(tree, s.depth, v, s.heap[j])) break;
        s.heap[k] = s.heap[j];
        k = j;
        j <<= 1;
    }
    s.heap[k] = v;
}

// Code lengths from the tree shape, cut to the descriptor's limit; also adds
// the block's cost under these codes and under the fixed ones.
void limit_lengths(TDeflateState& s, tree_desc& desc)
{
    ct_data* tree = desc.dyn_tree;
    const ct_data* stree = desc.static_tree;
    const int max_code = desc.max_code;
    const int max_length = desc.max_length;
    int overflow = 0;

    for (int bits = 0; bits <= MAX_BITS; ++bits) s.bl_count[bits] = 0;
    tree[s.heap[s.heap_max]].dl = 0;  // root

    int h;
    for (h = s.heap_max + 1; h < HEAP_SIZE; ++h) {
        int n = s.heap[h];
        int bits = tree[tree[n].dl].dl + 1;
        if (bits > max_length) bits = max_length, overflow++;
        tree[n].dl = uint16_t(bits);
        if (n > max_code) continue;  // internal node
        s.bl_count[bits]++;
        int xbits = n >= desc.extra_base ? desc.extra_bits[n - desc.extra_base] : 0;
        uint32_t f = tree[n].fc;
        s.opt_len += f * uint32_t(bits + xbits);
        if (stree) s.static_len += f * uint32_t(stree[n].dl + xbits);
    }
    if (overflow == 0) return;

    do {
        int bits = max_length - 1;
        while (s.bl_count[bits] == 0) bits--;
        s.bl_count[bits]--;
        s.bl_count[bits + 1] += 2;
        s.bl_count[max_length]--;
        overflow -= 2;
    } while (overflow > 0);

    for (int bits = max_length; bits != 0; --bits) {
        int n = s.bl_count[bits];
        while (n != 0) {
            int m = s.heap[--h];
            if (m > max_code) continue;
            if (tree[m].dl != unsigned(bits)) {
                s.opt_len += uint32_t((bits - int(tree[m].dl)) * int(tree[m].fc));
                tree[m].dl = uint16_t(bits);
            }
            n--;
        }
    }
}

void gencodes(ct_data* tree, int max_code, const uint16_t* bl_count)
{
    uint16_t next_code[MAX_BITS + 1];
    unsigned code = 0;
    for (int bits = 1; bits <= MAX_BITS; ++bits) {
        code = (code + bl_count[bits - 1]) << 1;
        next_code[bits] = uint16_t(code);
    }
    for (int n = 0; n <= max_code; ++n) {
        int len = tree[n].dl;
        if (len == 0) continue;
        tree[n].fc = uint16_t(bi_reverse(next_code[len]++, len));
    }
}

void make_tree(TDeflateState& s, tree_desc& desc)
{
    ct_data* tree = desc.dyn_tree;
    const ct_data* stree = desc.static_tree;
    int max_code = -1;
    int node = desc.elems;

    s.heap_len = 0;
    s.heap_max = HEAP_SIZE;
    for (int n = 0; n < desc.elems; ++n) {
        if (tree[n].fc != 0) {
            s.heap[++s.heap_len] = max_code = n;
            s.depth[n] = 0;
        } else {
            tree[n].dl = 0;
        }
    }
    // Two codes at least, even when fewer symbols occur.
    while (s.heap_len < 2) {
        int leaf = s.heap[++s.heap_len] = (max_code < 2 ? ++max_code : 0);
        tree[leaf].fc = 1;
        s.depth[leaf] = 0;
        s.opt_len--;
        if (stree) s.static_len -= stree[leaf].dl;
    }
    desc.max_code = max_code;

    for (int n = s.heap_len / 2; n >= 1; --n) sift_down(s, tree, n);

    do {
        int n = s.heap[1];
        s.heap[1] = s.heap[s.heap_len--];
        sift_down(s, tree, 1);
        int m = s.heap[1];
        s.heap[--s.heap_max] = n;
        s.heap[--s.heap_max] = m;
        tree[node].fc = uint16_t(tree[n].fc + tree[m].fc);
        s.depth[node] = uint8_t((s.depth[n] >= s.depth[m] ? s.depth[n] : s.depth[m]) + 1);
        tree[n].dl = tree[m].dl = uint16_t(node);
        s.heap[1] = node++;
        sift_down(s, tree, 1);
    } while (s.heap_len >= 2);
    s.heap[--s.heap_max] = s.heap[1];

    limit_lengths(s, desc);
    gencodes(tree, max_code, s.bl_count);
}

// Frequencies of the bit-length codes that send_tree will use for `tree`.
void count_runs(TDeflateState& s, ct_data* tree, int max_code)
{
    int prevlen = -1;
    int nextlen = tree[0].dl;
    int count = 0;
    int max_count = 7;
    int min_count = 4;
    if (nextlen == 0) max_count = 138, min_count = 3;
    tree[max_code + 1].dl = 0xFFFF;  // guard

    for (int n = 0; n <= max_code; ++n) {
        int curlen = nextlen;
        nextlen = tree[n + 1].dl;
        if (++count < max_count && curlen == nextlen) continue;
        if (count < min_count) {
            s.bl_tree[curlen].fc = uint16_t(s.bl_tree[curlen].fc + count);
        } else if (curlen != 0) {
            if (curlen != prevlen) s.bl_tree[curlen].fc++;
            s.bl_tree[REP_3_6].fc++;
        } else if (count <= 10) {
            s.bl_tree[REPZ_3_10].fc++;
        } else {
            s.bl_tree[REPZ_11_138].fc++;
        }
        count = 0;
        prevlen = curlen;
        if (nextlen == 0)
            max_count = 138, min_count = 3;
        else if (curlen == nextlen)
            max_count = 6, min_count = 3;
        else
            max_count = 7, min_count = 4;
    }
}

void send_tree(TDeflateState& s, const ct_data* tree, int max_code)
{
    int prevlen = -1;
    int nextlen = tree[0].dl;
    int count = 0;
    int max_count = 7;
    int min_count = 4;
    if (nextlen == 0) max_count = 138, min_count = 3;

    for (int n = 0; n <= max_code; ++n) {
        int curlen = nextlen;
        nextlen = tree[n + 1].dl;
        if (++count < max_count && curlen == nextlen) continue;
        if (count < min_count) {
            do send_code(s, curlen, s.bl_tree);
            while (--count != 0);
        } else if (curlen != 0) {
            if (curlen != prevlen) {
                send_code(s, curlen, s.bl_tree);
                count--;
            }
            send_code(s, REP_3_6, s.bl_tree);
            send_bits(s, unsigned(count - 3), 2);
        } else if (count <= 10) {
            send_code(s, REPZ_3_10, s.bl_tree);
            send_bits(s, unsigned(count - 3), 3);
        } else {
            send_code(s, REPZ_11_138, s.bl_tree);
            send_bits(s, unsigned(count - 11), 7);
        }
        count = 0;
        prevlen = curlen;
        if (nextlen == 0)
            max_count = 138, min_count = 3;
        else if (curlen == nextlen)
            max_count = 6, min_count = 3;
        else
            max_count = 7, min_count = 4;
    }
}

int make_length_tree(TDeflateState& s)
{
    count_runs(s, s.dyn_ltree, s.l_desc.max_code);
    count_runs(s, s.dyn_dtree, s.d_desc.max_code);
    make_tree(s, s.bl_desc);
    int max_blindex;
    for (max_blindex = BL_CODES - 1; max_blindex >= 3; --max_blindex)
        if (s.bl_tree[bl_order[max_blindex]].dl != 0) break;
    s.opt_len += 3 * (uint32_t(max_blindex) + 1) + 5 + 5 + 4;
    return max_blindex;
}

void send_all_trees(TDeflateState& s, int lcodes, int dcodes, int blcodes)
{
    send_bits(s, unsigned(lcodes - 257), 5);
    send_bits(s, unsigned(dcodes - 1), 5);
    send_bits(s, unsigned(blcodes - 4), 4);
    for (int rank = 0; rank < blcodes; ++rank) send_bits(s, s.bl_tree[bl_order[rank]].dl, 3);
    send_tree(s, s.dyn_ltree, lcodes - 1);
    send_tree(s, s.dyn_dtree, dcodes - 1);
}

void compress_block(TDeflateState& s, const ct_data* ltree, const ct_data* dtree)
{
    unsigned lx = 0, dx = 0, fx = 0;
    uint8_t flag = 0;
    if (s.last_lit != 0) {
        do {
            if ((lx & 7) == 0) flag = s.flag_buf[fx++];
            unsigned lc = s.l_buf[lx++];
            if ((flag & 1) == 0) {
                send_code(s, int(lc), ltree);
            } else {
                unsigned code = tables.length_code[lc];
                send_code(s, int(code) + LITERALS + 1, ltree);
                unsigned extra = extra_lbits[code];
                if (extra != 0) send_bits(s, lc - unsigned(tables.base_length[code]), extra);
                unsigned dist = s.d_buf[dx++];
                code = d_code(dist);
                send_code(s, int(code), dtree);
                extra = extra_dbits[code];
                if (extra != 0) send_bits(s, dist - unsigned(tables.base_dist[code]), extra);
            }
            flag >>= 1;
        } while (lx < s.last_lit);
    }
    send_code(s, END_BLOCK, ltree);
}

// Text or binary, from the literals of the entry's first block.
void classify_text(TDeflateState& s)
{
    uint16_t bin_freq = 0, ascii_freq = 0;
    int n = 0;
    while (n < 7) bin_freq = uint16_t(bin_freq + s.dyn_ltree[n++].fc);
    while (n < 128) ascii_freq = uint16_t(ascii_freq + s.dyn_ltree[n++].fc);
    while (n < LITERALS) bin_freq = uint16_t(bin_freq + s.dyn_ltree[n++].fc);
    s.internal_attributes = bin_freq > (ascii_freq >> 2) ? 0 : 1;
}

}  // namespace

void ct_init(TDeflateState& s)
{
    s.l_desc = {s.dyn_ltree, tables.static_ltree, extra_lbits, LITERALS + 1, L_CODES, MAX_BITS, 0};
    s.d_desc = {s.dyn_dtree, tables.static_dtree, extra_dbits, 0, D_CODES, MAX_BITS, 0};
    s.bl_desc = {s.bl_tree, nullptr, extra_blbits, 0, BL_CODES, MAX_BL_BITS, 0};
    s.block_written = false;
    s.copy_source = false;
    s.method = 8;
    s.internal_attributes = 2;
    s.bi_buf = 0;
    s.bi_valid = 0;
    s.outcnt = 0;
    reset_block(s);
}

bool ct_tally(TDeflateState& s, unsigned dist, unsigned lc)
{
    s.l_buf[s.last_lit++] = uint8_t(lc);
    if (dist == 0) {
        s.dyn_ltree[lc].fc++;
    } else {
        dist--;
        s.d_buf[s.last_dist++] = uint16_t(dist);
        s.dyn_ltree[tables.length_code[lc] + LITERALS + 1].fc++;
        s.dyn_dtree[d_code(dist)].fc++;
        s.flags |= s.flag_bit;
    }
    s.flag_bit = uint8_t(s.flag_bit << 1);
    if ((s.last_lit & 7) == 0) {
        s.flag_buf[s.last_flags++] = s.flags;
        s.flags = 0;
        s.flag_bit = 1;
    }
    // Early end of a block that compresses well, from level 3 up.
    if (s.level > 2 && (s.last_lit & 0xFFF) == 0) {
        uint32_t out_length = s.last_lit * 8u;
        for (int dcode = 0; dcode < D_CODES; ++dcode)
            out_length += uint32_t(s.dyn_dtree[dcode].fc) * (5u + extra_dbits[dcode]);
        out_length >>= 3;
        int32_t in_length = int32_t(s.strstart) - s.block_start;
        if (s.last_dist < s.last_lit / 2 && int64_t(out_length) < in_length / 2) return true;
    }
    return s.last_lit == LIT_BUFSIZE - 1 || s.last_dist == DIST_BUFSIZE;
}

void emit_block(TDeflateState& s, const uint8_t* buf, uint64_t stored_len, bool last)
{
    s.flag_buf[s.last_flags] = s.flags;
    if (s.internal_attributes == 2) classify_text(s);

    make_tree(s, s.l_desc);
    make_tree(s, s.d_desc);
    int max_blindex = make_length_tree(s);

    uint64_t opt_lenb = (uint64_t(s.opt_len) + 3 + 7) >> 3;
    uint64_t static_lenb = (uint64_t(s.static_len) + 3 + 7) >> 3;
    if (static_lenb <= opt_lenb) opt_lenb = static_lenb;

    if (stored_len <= opt_lenb && last && !s.block_written) {
        // The whole entry is stored: its data are its bytes as they are.
        s.method = 0;
        if (buf)
            put_raw_block(s, buf, stored_len, false);
        else
            s.copy_source = true;
    } else if (stored_len + 4 <= opt_lenb && buf) {
        send_bits(s, last ? 1u : 0u, 3);
        put_raw_block(s, buf, stored_len, true);
    } else if (static_lenb == opt_lenb) {
        send_bits(s, 2u + (last ? 1u : 0u), 3);
        compress_block(s, tables.static_ltree, tables.static_dtree);
    } else {
        send_bits(s, 4u + (last ? 1u : 0u), 3);
        send_all_trees(s, s.l_desc.max_code + 1, s.d_desc.max_code + 1, max_blindex + 1);
        compress_block(s, s.dyn_ltree, s.dyn_dtree);
    }
    s.block_written = true;
    reset_block(s);
    if (last) align_bits(s);
}

}  // namespace movrel
