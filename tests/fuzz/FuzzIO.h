// Source and sink of the fuzz targets: the source hands out the input in
// steps of a size the input chooses, the sink keeps a bounded amount of
// output (past it, the size guard's exception, as the extraction driver's).
#pragma once

#include "DecodeIO.h"
#include "EngineErrors.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace movrel::fuzz {

class TSource : public TDecodeSource {
public:
    TSource(const uint8_t* data, size_t size, size_t step) : m_data(data), m_left(size), m_step(step ? step : 1) {}
    size_t Fill(uint8_t* buf, size_t max) override
    {
        size_t n = m_left < max ? m_left : max;
        if (n > m_step)
            n = m_step;
        std::memcpy(buf, m_data, n);
        m_data += n;
        m_left -= n;
        return n;
    }

private:
    const uint8_t* m_data;
    size_t m_left;
    size_t m_step;
};

class TSink : public TDecodeSink {
public:
    explicit TSink(size_t limit) : m_limit(limit) {}
    void Put(const uint8_t* data, size_t n) override
    {
        if (out.size() + n > m_limit)
            throw EBiggerThanUncompressed();
        out.insert(out.end(), data, data + n);
    }
    std::vector<uint8_t> out;

private:
    size_t m_limit;
};

// Input steps: 1 to 64 bytes, or everything at once.
inline size_t Step(uint8_t b)
{
    return b < 192 ? 1 + b % 64 : SIZE_MAX;
}

}  // namespace movrel::fuzz
