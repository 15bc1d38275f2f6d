#include "KestroUnZip.h"

namespace movrel {

int TKestroUnZip::RunExtraction(bool)
{
    return 0;
}

}  // namespace movrel
