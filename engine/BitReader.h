// The decoders' input: compressed bytes pulled from a TDecodeSource into a
// buffer, and a 64-bit buffer of pending bits, least significant bit first as
// in every ZIP method.
//
// When the source has no more bytes the reader appends zero bytes, so a
// decoder may look a little past the end of its data (a final code shorter
// than the look-ahead). It counts them: Overrun() tells that the decoder has
// taken more than 8 bytes beyond the real input, which no valid stream needs.
#pragma once

#include "DecodeIO.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace movrel {

class TBitReader {
public:
    static constexpr size_t kBufSize = 32768;
    // Bytes that must be buffered for RefillFast to load a whole word.
    static constexpr size_t kWord = 8;

    explicit TBitReader(TDecodeSource& src) : m_src(src) {}

    TBitReader(const TBitReader&) = delete;
    TBitReader& operator=(const TBitReader&) = delete;

    uint64_t Bits() const { return m_bits; }
    unsigned Count() const { return m_count; }
    uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(m_bits & ((uint64_t{1} << n) - 1)); }
    void Drop(unsigned n)
    {
        m_bits >>= n;
        m_count -= n;
    }
    // Take n (at most 32) bits that are known to be held.
    uint32_t Take(unsigned n)
    {
        uint32_t v = Peek(n);
        Drop(n);
        return v;
    }

    size_t Avail() const { return static_cast<size_t>(m_end - m_next); }
    bool Exhausted() const { return m_eof && m_next == m_end; }
    bool Overrun() const { return m_padBytes > 16; }

    // Tops the bit buffer up to 56 bits or more from a whole word of input.
    // Needs Avail() >= kWord. Bits above Count() that the word load leaves
    // belong to the next input byte, so appending that byte again is harmless.
    void RefillFast()
    {
        uint64_t w;
        std::memcpy(&w, m_next, 8);
        m_bits |= w << m_count;
        m_next += (63 - m_count) >> 3;
        m_count |= 56;
    }

    // Tops the bit buffer up to 56 bits or more, byte by byte, fetching from
    // the source as needed and padding with zero bytes at its end.
    void RefillSlow()
    {
        while (m_count < 56) {
            if (m_next == m_end && !Fetch()) {
                ++m_padBytes;
                m_count += 8;
                continue;
            }
            m_bits |= uint64_t{*m_next++} << m_count;
            m_count += 8;
        }
    }

    // Makes sure at least n (at most 56) bits are held.
    void Need(unsigned n)
    {
        if (m_count >= n)
            return;
        if (Avail() >= kWord)
            RefillFast();
        else
            RefillSlow();
    }

    // Appends real input bytes only, until more than 24 bits are held or the
    // input ends. Answers how many bytes it appended.
    unsigned TopUp()
    {
        unsigned got = 0;
        while (m_count <= 24) {
            if (m_next == m_end && !Fetch())
                break;
            m_bits |= uint64_t{*m_next++} << m_count;
            m_count += 8;
            ++got;
        }
        return got;
    }

    // A decoder's hot loop keeps the bit buffer and the input position in
    // locals: Save before, Load after. Between them only the cursor moves,
    // and it must not move past End().
    struct TCursor {
        uint64_t bits;
        unsigned count;
        const uint8_t* next;

        // As TBitReader::RefillFast; needs a whole word before End().
        void Refill()
        {
            uint64_t w;
            std::memcpy(&w, next, 8);
            bits |= w << count;
            next += (63 - count) >> 3;
            count |= 56;
        }
        void Drop(unsigned n)
        {
            bits >>= n;
            count -= n;
        }
    };
    TCursor Save() const { return {m_bits, m_count, m_next}; }
    void Load(const TCursor& c)
    {
        m_bits = c.bits;
        m_count = c.count;
        m_next = c.next;
    }
    const uint8_t* End() const { return m_end; }

    // Drops the bits up to the next byte boundary.
    void AlignToByte() { Drop(m_count & 7); }

    // After AlignToByte: copies up to n whole bytes of input to dst, first the
    // ones held in the bit buffer, then straight from the input buffer.
    // Answers how many it copied; fewer than n means the input ended.
    size_t CopyBytes(uint8_t* dst, size_t n)
    {
        size_t done = 0;
        while (done < n && m_count >= 8) {
            dst[done++] = static_cast<uint8_t>(m_bits);
            Drop(8);
        }
        if (done == n)
            return done;
        m_bits = 0;
        m_count = 0;
        while (done < n) {
            if (m_next == m_end && !Fetch())
                break;
            size_t k = n - done;
            if (k > Avail())
                k = Avail();
            std::memcpy(dst + done, m_next, k);
            m_next += k;
            done += k;
        }
        return done;
    }

    // Moves the unread bytes to the front of the buffer and asks the source
    // for more. Answers false once the source has nothing more.
    bool Fetch()
    {
        if (m_eof)
            return false;
        size_t left = Avail();
        std::memmove(m_buf, m_next, left);
        m_next = m_buf;
        m_end = m_buf + left;
        size_t got = m_src.Fill(m_buf + left, kBufSize - left);
        if (got == 0) {
            m_eof = true;
            return false;
        }
        m_end += got;
        return true;
    }

    // Fetches when fewer than `want` bytes are buffered and the source may
    // have more (want is at most kBufSize / 2).
    void Prefetch(size_t want)
    {
        if (Avail() < want && !m_eof)
            Fetch();
    }

private:
    TDecodeSource& m_src;
    uint64_t m_bits = 0;
    unsigned m_count = 0;
    unsigned m_padBytes = 0;
    bool m_eof = false;
    const uint8_t* m_next = m_buf;
    const uint8_t* m_end = m_buf;
    uint8_t m_buf[kBufSize];
};

}  // namespace movrel
