#include "EngineUi.h"

namespace movrel {

TMsgResult TEngineUi::MessageBox(const std::string&, const std::string&, TMsgButtons buttons, TMsgIcon)
{
    return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
}

bool TEngineUi::ChooseOpenFile(const std::string&, const std::string&, const std::string&, std::string&)
{
    return false;
}

bool TEngineUi::ChooseFolder(const std::string&, const std::string&, std::string&)
{
    return false;
}

TEngineUi& DefaultEngineUi()
{
    static TEngineUi ui;
    return ui;
}

}  // namespace movrel
