#include "EngineErrors.h"

#include <cstring>

namespace movrel {

std::string SystemErrorText(const std::string& what, const std::string& path, int err)
{
    std::string text = what + " \"" + path + "\"";
    if (err != 0) {
        text += ": ";
        text += std::strerror(err);
    }
    return text;
}

}  // namespace movrel
