// The main window's engine class: the writer TKestroZip when it is built,
// until then its reading half. The one place that chooses.
#pragma once

#if __has_include("KestroZip.h")
#include "KestroZip.h"
namespace movrel {
using TMainZip = TKestroZip;
}
#else
#include "KestroUnZip.h"
namespace movrel {
using TMainZip = TKestroUnZip;
}
#endif

#include <string>

namespace movrel {

// The settings the main window gives its engine at creation. Properties
// that only the writer has are set when the engine has them.
template <class Z>
void ConfigureMainEngine(Z& z)
{
    z.OverwriteMode = Always;
    z.KeepZipOpen = true;  // released first by Delete ZIP File, UUEncode and Make EXE File
    if constexpr (requires { z.MultiZipInfo().BlockSize = 1; z.MultiZipInfo().MultiMode = mmSpan; }) {
        z.MultiZipInfo().BlockSize = 1447600;
        z.MultiZipInfo().FirstBlockSize = 1447600;
        z.MultiZipInfo().MultiMode = mmSpan;
    }
    if constexpr (requires { z.Loaded(); })
        z.Loaded();
}

// The work folder, with its trailing separator, as the engine's TempPath.
template <class Z>
void SetEngineTempPath(Z& z, const std::string& path)
{
    if constexpr (requires { z.SetTempPath(path); })
        z.SetTempPath(path);
    else if constexpr (requires { z.TempPath = path; })
        z.TempPath = path;
}

// The level of the writer's last add in this run; 6 before any.
template <class Z>
int EnginePackLevel(const Z& z)
{
    if constexpr (requires { int(z.PackLevel()); })
        return int(z.PackLevel());
    else if constexpr (requires { int(z.PackLevel); })
        return int(z.PackLevel);
    else
        return 6;
}

}  // namespace movrel
