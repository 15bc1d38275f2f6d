// Deflate block coder: collects literals and matches, ends blocks, builds the
// Huffman codes of each block, picks the cheapest block type and writes the
// bits. Every choice (block end, length limiting, tie-breaks) is fixed so the
// same items always give the same bytes.
#include <array>
#include <cstring>
#include <utility>

#include "deflate/deflate_state.h"

namespace movrel {

namespace {

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
    int base_length[LENGTH_CODES];
    int base_dist[D_CODES];
    ct_data static_ltree[L_CODES + 2];
    ct_data static_dtree[D_CODES];
};

// Generator of the fixed tables: first values of the length and distance
// codes, the fixed trees.
constexpr TStaticTables make_static_tables()
{
    TStaticTables t{};
    int length = 0;
    for (int code = 0; code < LENGTH_CODES - 1; ++code) {
        t.base_length[code] = length;
        length += 1 << extra_lbits[code];
    }
    t.base_length[LENGTH_CODES - 1] = 255;  // 258 alone, no extra bits
    int dist = 0;
    for (int code = 0; code < D_CODES; ++code) {
        t.base_dist[code] = dist;
        dist += 1 << extra_dbits[code];
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


// ---- Bit output -----------------------------------------------------------
// Bits go out least significant first through a 64-bit buffer; outbuf
// collects whole bytes and goes to the write routine in pieces.

// Stores v least significant byte first, whatever the machine's byte order.
inline void store64(uint8_t* p, uint64_t v)
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    std::memcpy(p, &v, 8);
}

void flush_outbuf(TDeflateState& s)
{
    for (unsigned done = 0; done < s.outcnt;) {
        unsigned n = s.outcnt - done < WRITE_PIECE ? s.outcnt - done : WRITE_PIECE;
        (*s.write)(s.outbuf + done, n);
        done += n;
    }
    s.bytes_out += s.outcnt;
    s.outcnt = 0;
}

// Moves the whole bytes of the bit buffer to outbuf; fewer than 8 bits stay.
inline void flush_bits(TDeflateState& s)
{
    store64(s.outbuf + s.outcnt, s.bi_buf);
    unsigned n = s.bi_valid >> 3;
    s.outcnt += n;
    s.bi_buf = n ? s.bi_buf >> (8 * n) : s.bi_buf;
    s.bi_valid &= 7;
    if (s.outcnt >= OUTBUF_SIZE) flush_outbuf(s);
}

inline void send_bits(TDeflateState& s, unsigned value, unsigned length)
{
    s.bi_buf |= uint64_t(value) << s.bi_valid;
    s.bi_valid += length;
    flush_bits(s);
}

inline void send_code(TDeflateState& s, int c, const ct_data* tree)
{
    send_bits(s, tree[c].fc, tree[c].dl);
}

// Pads the bits to a byte and hands everything collected to the write routine.
void align_bits(TDeflateState& s)
{
    s.bi_valid = (s.bi_valid + 7) & ~7u;
    flush_bits(s);
    s.bi_buf = 0;
    s.bi_valid = 0;
    flush_outbuf(s);
}

void put_raw_block(TDeflateState& s, const uint8_t* buf, uint64_t len, bool header)
{
    align_bits(s);
    if (header) {
        // LEN and its ones' complement NLEN, low bytes first.
        store64(s.outbuf, (len & 0xFFFF) | (~len & 0xFFFF) << 16);
        s.outcnt = 4;
        flush_outbuf(s);
    }
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
    s.last_lit = s.last_dist = 0;
}

// The heap orders nodes by frequency, then depth (the shallower first on equal
// frequency): one key per node, frequency << 8 | depth.
inline uint32_t heap_key(uint16_t freq, uint8_t depth)
{
    return uint32_t(freq) << 8 | depth;
}

void sift_down(TDeflateState& s, int k)
{
    const uint32_t* key = s.heap_key;
    int* heap = s.heap;
    const int len = s.heap_len;
    int v = heap[k];
    uint32_t vkey = key[v];
    int j = k << 1;
    while (j <= len) {
        if (j < len && key[heap[j + 1]] <= key[heap[j]]) j++;
        if (vkey <= key[heap[j]]) break;
        heap[k] = heap[j];
        k = j;
        j <<= 1;
    }
    heap[k] = v;
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
            s.heap_key[n] = heap_key(tree[n].fc, 0);
        } else {
            tree[n].dl = 0;
        }
    }
    // Two codes at least, even when fewer symbols occur.
    while (s.heap_len < 2) {
        int leaf = s.heap[++s.heap_len] = (max_code < 2 ? ++max_code : 0);
        tree[leaf].fc = 1;
        s.depth[leaf] = 0;
        s.heap_key[leaf] = heap_key(1, 0);
        s.opt_len--;
        if (stree) s.static_len -= stree[leaf].dl;
    }
    desc.max_code = max_code;

    for (int n = s.heap_len / 2; n >= 1; --n) sift_down(s, n);

    do {
        int n = s.heap[1];
        s.heap[1] = s.heap[s.heap_len--];
        sift_down(s, 1);
        int m = s.heap[1];
        s.heap[--s.heap_max] = n;
        s.heap[--s.heap_max] = m;
        tree[node].fc = uint16_t(tree[n].fc + tree[m].fc);
        s.depth[node] = uint8_t((s.depth[n] >= s.depth[m] ? s.depth[n] : s.depth[m]) + 1);
        s.heap_key[node] = heap_key(tree[node].fc, s.depth[node]);
        tree[n].dl = tree[m].dl = uint16_t(node);
        s.heap[1] = node++;
        sift_down(s, 1);
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
    // The bit writer's state lives in locals here: stores through outbuf
    // would otherwise make the compiler reload it for every item.
    uint64_t bits = s.bi_buf;
    unsigned nbits = s.bi_valid;
    unsigned outcnt = s.outcnt;
    uint8_t* const out = s.outbuf;
    const uint32_t* const item = s.items;
    const unsigned items = s.last_lit;

    for (unsigned i = 0; i < items; ++i) {
        unsigned lc = item[i] & 0xFF;
        unsigned dist = item[i] >> 16;
        if (dist == 0) {
            bits |= uint64_t(ltree[lc].fc) << nbits;
            nbits += ltree[lc].dl;
        } else {
            unsigned code = length_code(lc);
            const ct_data& lcode = ltree[code + LITERALS + 1];
            bits |= uint64_t(lcode.fc) << nbits;
            nbits += lcode.dl;
            bits |= uint64_t(lc - unsigned(tables.base_length[code])) << nbits;
            nbits += extra_lbits[code];
            dist--;
            code = d_code(dist);
            bits |= uint64_t(dtree[code].fc) << nbits;
            nbits += dtree[code].dl;
            bits |= uint64_t(dist - unsigned(tables.base_dist[code])) << nbits;
            nbits += extra_dbits[code];
        }
        store64(out + outcnt, bits);
        unsigned n = nbits >> 3;
        outcnt += n;
        bits = n ? bits >> (8 * n) : bits;
        nbits &= 7;
        if (outcnt >= OUTBUF_SIZE) {
            s.outcnt = outcnt;
            flush_outbuf(s);
            outcnt = 0;
        }
    }
    s.bi_buf = bits;
    s.bi_valid = nbits;
    s.outcnt = outcnt;
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

bool block_pays_to_end(const TDeflateState& s, unsigned strstart)
{
    // Ends a block that compresses well: few matches and an estimated output
    // below half its input.
    uint32_t out_length = s.last_lit * 8u;
    for (int dcode = 0; dcode < D_CODES; ++dcode)
        out_length += uint32_t(s.dyn_dtree[dcode].fc) * (5u + extra_dbits[dcode]);
    out_length >>= 3;
    int32_t in_length = int32_t(strstart) - s.block_start;
    return s.last_dist < s.last_lit / 2 && int64_t(out_length) < in_length / 2;
}

void emit_block(TDeflateState& s, const uint8_t* buf, uint64_t stored_len, bool last)
{
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
