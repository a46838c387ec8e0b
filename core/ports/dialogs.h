#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvan {

// What commands ask of the user interface: message boxes, waits that keep
// the window alive, and enabling the main window. GUI thread only.
class Dialogs {
public:
    enum class Icon { None, Information, Warning };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Closed };
    enum class Owner { MainWindow, None };

    virtual ~Dialogs() = default;

    // Shows a modal message box titled "信息：" with a GBK text; returns the
    // button pressed (Closed when the box was dismissed otherwise). Only Yes
    // lets a question proceed.
    virtual Answer messageBox(std::string_view text, Icon icon, Buttons buttons,
                              Owner owner = Owner::MainWindow) = 0;

    // Returns after `milliseconds`, having dispatched window messages and
    // timer ticks meanwhile, so that the window stays responsive.
    virtual void waitProcessingEvents(int milliseconds) = 0;

    // Enables or disables mouse and keyboard input to the main window.
    virtual void setMainWindowEnabled(bool enabled) = 0;

    // A modal input box whose input is masked. The typed text (GBK), or
    // nullopt when it was cancelled.
    virtual std::optional<std::string> askMaskedText(std::string_view title,
                                                     std::string_view prompt) = 0;
};

}  // namespace korvan
