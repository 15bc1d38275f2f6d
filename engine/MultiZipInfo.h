// TMultiZipInfo: the settings of a multi-volume write (block sizes, the
// mode, disk labels). A plain holder: the writer reads the values when an
// operation starts.
#pragma once

#include "KestroUnZip.h"

namespace movrel {

class TMultiZipInfo {
public:
    int BlockSize = 1457600;       // capacity of every block after the first (mmBlocks)
    int FirstBlockSize = 1457600;  // capacity of the first block (mmBlocks)
    TMultiMode MultiMode = mmNone;
    bool CheckDiskLabels = true;   // verify the labels of spanned disks when reading
    bool WriteDiskLabels = true;   // label spanned disks when writing

    // Copies the five values.
    void Assign(const TMultiZipInfo& source);
};

}  // namespace movrel
