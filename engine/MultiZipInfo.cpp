#include "MultiZipInfo.h"

namespace movrel {

void TMultiZipInfo::Assign(const TMultiZipInfo& s)
{
    BlockSize = s.BlockSize;
    FirstBlockSize = s.FirstBlockSize;
    MultiMode = s.MultiMode;
    CheckDiskLabels = s.CheckDiskLabels;
    WriteDiskLabels = s.WriteDiskLabels;
}

}  // namespace movrel
