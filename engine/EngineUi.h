// The few user-interface services the engine calls. The desktop application
// implements them with its toolkit; the CLI and the tests use the headless
// default, which answers every question with its safe choice.
#pragma once

#include <string>

namespace movrel {

enum class TMsgButtons { Ok, YesNo };
enum class TMsgIcon { Information, Warning, Error, Question };
enum class TMsgResult { Ok, Yes, No };

class TEngineUi {
public:
    virtual ~TEngineUi() = default;

    // Let pending window messages run (repaint, a Cancel button). Called
    // between buffers while DoProcessMessages is set.
    virtual void ProcessMessages() {}

    // Show or restore the busy cursor; calls nest.
    virtual void BeginBusy() {}
    virtual void EndBusy() {}

    // A message box. Headless: Ok, or No for a question.
    virtual TMsgResult MessageBox(const std::string& text, const std::string& caption,
                                  TMsgButtons buttons, TMsgIcon icon);

    // Choose an existing file; false when cancelled. filter uses the
    // "Description|*.ext|..." pairs.
    virtual bool ChooseOpenFile(const std::string& title, const std::string& filter,
                                const std::string& initialDir, std::string& chosen);

    // Choose a folder (a new one may be typed); false when cancelled.
    virtual bool ChooseFolder(const std::string& title, const std::string& initialDir,
                              std::string& chosen);
};

// The headless default instance (never null).
TEngineUi& DefaultEngineUi();

// Busy cursor for the life of a scope.
class TBusyGuard {
public:
    explicit TBusyGuard(TEngineUi& ui) : ui_(ui) { ui_.BeginBusy(); }
    ~TBusyGuard() { ui_.EndBusy(); }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

private:
    TEngineUi& ui_;
};

}  // namespace movrel
