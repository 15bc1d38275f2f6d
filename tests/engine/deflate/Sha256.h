// SHA-256 (FIPS 180-4), for pinning compressor output in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movrel::test {

// Lower-case hex digest of the bytes.
std::string Sha256Hex(const std::vector<uint8_t>& data);

}  // namespace movrel::test
