// Where the archive lies in a self-extracting file: behind the program
// image, after the 256-byte configuration block when there is one.
//
// The stub tells its own length from its executable headers: for ELF the
// farthest end of the program headers, the section headers and every
// section and segment with file contents; for PE the farthest end of the
// headers, the sections' raw data, a certificate table and a COFF symbol
// table. What a builder appends lies after that point. When the bytes
// there are neither "MPU" nor the start of an archive (a stub that was
// padded or signed after linking), the archive is found from its end
// instead: the end record, searched backwards from the end of the file
// like any reader does, whose central-directory size and offset (both
// relative to the archive's first byte) give the archive's start; the
// block, if any, is the 256 bytes before it.
#pragma once

#include "MovrelSFX.h"

#include <cstdint>
#include <string>

namespace movrel::sfx {

struct TPayload {
    int64_t ArchiveOffset = -1;  // first byte of the archive
    int64_t ArchiveEnd = -1;     // end of the file
    bool HasBlock = false;
    TSfxBlock Block;
    bool FromEndRecord = false;  // found by the end record, not the headers
};

// Reads the executable at path. wantBlock: a configuration block is
// expected between the program and the archive (a block stub); without it
// the archive follows the program directly (a plain stub). False with a
// reason in error when no archive is found.
bool LocatePayload(const std::string& path, bool wantBlock, TPayload& out, std::string& error);

}  // namespace movrel::sfx
