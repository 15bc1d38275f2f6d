#include "CliCommon.h"

namespace movrel::cli {

int RunTest(int, char**)
{
    Error("test is not available yet");
    return ExitUsage;
}

int RunExtract(int, char**)
{
    Error("extract is not available yet");
    return ExitUsage;
}

}  // namespace movrel::cli
