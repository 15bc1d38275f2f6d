// The traditional ZIP stream cipher: three 32-bit keys driven by the CRC-32
// table. Each entry (and each retry) starts again from InitKeys.
#pragma once

#include "Crc32.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace movrel {

class TZipCrypt {
public:
    void InitKeys(const std::string& password)
    {
        key0_ = 0x12345678;
        key1_ = 0x23456789;
        key2_ = 0x34567890;
        for (char c : password)
            UpdateKeys(uint8_t(c));
    }

    void UpdateKeys(uint8_t b)
    {
        key0_ = CrcByte(key0_, b);
        key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
        key2_ = CrcByte(key2_, uint8_t(key1_ >> 24));
    }

    uint8_t KeyByte() const
    {
        uint32_t t = (key2_ & 0xFFFF) | 2;
        return uint8_t(((t * (t ^ 1)) >> 8) & 0xFF);
    }

    uint8_t DecryptByte(uint8_t c)
    {
        uint8_t p = c ^ KeyByte();
        UpdateKeys(p);
        return p;
    }

    uint8_t EncryptByte(uint8_t p)
    {
        uint8_t c = p ^ KeyByte();
        UpdateKeys(p);
        return c;
    }

    void Decrypt(uint8_t* data, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            data[i] = DecryptByte(data[i]);
    }

    void Encrypt(uint8_t* data, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            data[i] = EncryptByte(data[i]);
    }

private:
    uint32_t key0_ = 0, key1_ = 0, key2_ = 0;
};

}  // namespace movrel
