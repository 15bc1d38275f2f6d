#include "Unreduce.h"

#include "BitReader.h"

#include <memory>
#include <new>

namespace movrel {

namespace {

constexpr unsigned kWindow = 16384;
constexpr unsigned kEscape = 144;

// Bits of a follower index for a set of n (1-63) followers.
unsigned IndexBits(unsigned n)
{
    unsigned b = 1;
    while ((1u << b) < n)
        ++b;
    return b;
}

class TUnreducer {
public:
    TUnreducer(TDecodeSource& src, TDecodeSink& sink) : m_in(src), m_sink(sink) {}

    int Run(unsigned factor, uint32_t uncompressedSize);

private:
    void ReadFollowerSets();
    void Put(uint8_t b)
    {
        m_win[m_pos++] = b;
        if (m_pos == kWindow) {
            m_sink.Put(m_win, kWindow);
            m_pos = 0;
        }
    }

    TBitReader m_in;
    TDecodeSink& m_sink;
    unsigned m_pos = 0;
    uint8_t m_count[256] = {};
    uint8_t m_followers[256][64] = {};
    uint8_t m_win[kWindow] = {};  // zeros: what a match before the start copies
};

// Sets for byte values 255 down to 0: a 6-bit count, then 8-bit followers.
void TUnreducer::ReadFollowerSets()
{
    for (int v = 255; v >= 0; --v) {
        m_in.Need(6);
        const unsigned n = m_in.Take(6);
        m_count[v] = static_cast<uint8_t>(n);
        for (unsigned j = 0; j < n; ++j) {
            m_in.Need(8);
            m_followers[v][j] = static_cast<uint8_t>(m_in.Take(8));
        }
    }
}

int TUnreducer::Run(unsigned factor, uint32_t uncompressedSize)
{
    const unsigned lengthMask = 0xFFu >> factor;
    const unsigned distShift = 8 - factor;
    const unsigned distMask = (1u << factor) - 1;

    ReadFollowerSets();
    uint64_t produced = 0;
    unsigned last = 0;   // the previous byte of the follower-coded stream
    unsigned state = 0;  // 0 plain, 1 after the escape, 2 length byte, 3 distance byte
    unsigned v = 0, length = 0;
    while (produced < uncompressedSize) {
        m_in.Need(9);
        if (m_in.Overrun())
            return dsBadData;
        unsigned c;
        const unsigned n = m_count[last];
        if (n == 0 || m_in.Take(1)) {
            m_in.Need(8);
            c = m_in.Take(8);
        } else {
            m_in.Need(6);
            c = m_followers[last][m_in.Take(IndexBits(n))];
        }
        last = c;

        switch (state) {
        case 0:
            if (c == kEscape) {
                state = 1;
                break;
            }
            Put(static_cast<uint8_t>(c));
            ++produced;
            break;
        case 1:
            if (c == 0) {
                Put(kEscape);
                ++produced;
                state = 0;
                break;
            }
            v = c;
            length = c & lengthMask;
            state = length == lengthMask ? 2 : 3;
            break;
        case 2:
            length += c;
            state = 3;
            break;
        default: {
            const unsigned dist = ((v >> distShift) & distMask) * 256 + c + 1;
            const unsigned total = length + 3;
            for (unsigned k = 0; k < total; ++k)
                Put(m_win[(m_pos - dist) & (kWindow - 1)]);
            produced += total;
            state = 0;
        }
        }
    }
    if (m_pos)
        m_sink.Put(m_win, m_pos);
    return dsOk;
}

}  // namespace

extern const int kUnreduceLinked = 1;

int Unreduce(TDecodeSource& src, TDecodeSink& sink, int factor, uint32_t uncompressedSize)
{
    if (factor < 1 || factor > 4)
        return dsBadData;
    std::unique_ptr<TUnreducer> state;
    try {
        state = std::make_unique<TUnreducer>(src, sink);
    } catch (const std::bad_alloc&) {
        return dsNoMemory;
    }
    return state->Run(static_cast<unsigned>(factor), uncompressedSize);
}

}  // namespace movrel
