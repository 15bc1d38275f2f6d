#include "Unshrink.h"

#include "BitReader.h"

#include <cstring>
#include <memory>
#include <new>

namespace movrel {

namespace {

constexpr unsigned kTableSize = 8192;  // codes below 8192: at most 13 bits
constexpr unsigned kControl = 256;     // followed by 1 (grow) or 2 (partial clear)
constexpr unsigned kFirstEntry = 257;
constexpr uint16_t kFree = 0xFFFF;
constexpr size_t kOutSize = 32768;

class TUnshrinker {
public:
    TUnshrinker(TDecodeSource& src, TDecodeSink& sink) : m_in(src), m_sink(sink) {}

    int Run();

private:
    bool ReadCode(uint32_t& code);
    void PartialClear();
    void FindFree(unsigned from);
    void Emit(const uint8_t* p, size_t n);

    TBitReader m_in;
    TDecodeSink& m_sink;
    unsigned m_codeSize = 9;
    unsigned m_free = kFirstEntry;  // the entry the next string goes to
    size_t m_outLen = 0;
    uint16_t m_prefix[kTableSize];  // kFree, or the code of the string less its last byte
    uint8_t m_suffix[kTableSize];
    uint8_t m_stack[kTableSize];
    uint8_t m_out[kOutSize];
};

// Reads a code of the current size. False when the input is exhausted: a
// top-up of the bit buffer got no byte at all. A code cut short by the end
// of the input reads zero bits for the missing ones.
bool TUnshrinker::ReadCode(uint32_t& code)
{
    if (m_in.Count() < m_codeSize && m_in.TopUp() == 0)
        return false;
    code = m_in.Peek(m_codeSize);
    m_in.Drop(m_in.Count() < m_codeSize ? m_in.Count() : m_codeSize);
    return true;
}

void TUnshrinker::FindFree(unsigned from)
{
    m_free = from;
    while (m_free < kTableSize && m_prefix[m_free] != kFree)
        ++m_free;
}

// Frees every entry that is no other entry's prefix (the leaves).
void TUnshrinker::PartialClear()
{
    bool isPrefix[kTableSize] = {};
    for (unsigned c = kFirstEntry; c < kTableSize; ++c)
        if (m_prefix[c] != kFree && m_prefix[c] >= kFirstEntry)
            isPrefix[m_prefix[c]] = true;
    for (unsigned c = kFirstEntry; c < kTableSize; ++c)
        if (!isPrefix[c])
            m_prefix[c] = kFree;
    FindFree(kFirstEntry);
}

void TUnshrinker::Emit(const uint8_t* p, size_t n)
{
    while (n) {
        size_t k = kOutSize - m_outLen;
        if (k > n)
            k = n;
        std::memcpy(m_out + m_outLen, p, k);
        m_outLen += k;
        p += k;
        n -= k;
        if (m_outLen == kOutSize) {
            m_sink.Put(m_out, m_outLen);
            m_outLen = 0;
        }
    }
}

int TUnshrinker::Run()
{
    for (unsigned c = 0; c < 256; ++c) {
        m_prefix[c] = 0;
        m_suffix[c] = static_cast<uint8_t>(c);
    }
    for (unsigned c = 256; c < kTableSize; ++c) {
        m_prefix[c] = kFree;
        m_suffix[c] = 0;
    }

    uint32_t code;
    if (!ReadCode(code))
        return dsOk;
    if (code > 255)
        return dsBadData;
    uint32_t prev = code;
    uint8_t prevFirst = static_cast<uint8_t>(code);
    Emit(&prevFirst, 1);

    for (;;) {
        if (!ReadCode(code))
            break;
        bool exhausted = false;
        while (code == kControl) {
            uint32_t sub;
            if (!ReadCode(sub)) {
                exhausted = true;
                break;
            }
            if (sub == 1 && ++m_codeSize > 13)
                return dsBadData;
            if (sub == 2)
                PartialClear();
            if (!ReadCode(code)) {
                exhausted = true;
                break;
            }
        }
        if (exhausted)
            break;

        // Walk the string from its last byte to its first onto the stack.
        size_t sp = kTableSize;
        uint32_t c = code;
        if (c >= kFirstEntry && m_prefix[c] == kFree) {
            // Not defined yet: the previous string plus its own first byte.
            m_stack[--sp] = prevFirst;
            c = prev;
        }
        while (c >= kFirstEntry) {
            if (m_prefix[c] == kFree || sp == 1)
                return dsBadData;
            m_stack[--sp] = m_suffix[c];
            c = m_prefix[c];
        }
        if (c == kControl)
            return dsBadData;
        m_stack[--sp] = static_cast<uint8_t>(c);
        Emit(m_stack + sp, kTableSize - sp);

        if (m_free < kTableSize) {
            m_prefix[m_free] = static_cast<uint16_t>(prev);
            m_suffix[m_free] = static_cast<uint8_t>(c);
            FindFree(m_free + 1);
        }
        prev = code;
        prevFirst = static_cast<uint8_t>(c);
    }
    if (m_outLen)
        m_sink.Put(m_out, m_outLen);
    return dsOk;
}

}  // namespace

extern const int kUnshrinkLinked = 1;

int Unshrink(TDecodeSource& src, TDecodeSink& sink)
{
    std::unique_ptr<TUnshrinker> state;
    try {
        state = std::make_unique<TUnshrinker>(src, sink);
    } catch (const std::bad_alloc&) {
        return dsNoMemory;
    }
    return state->Run();
}

}  // namespace movrel
