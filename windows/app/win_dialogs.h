#pragma once

#include <windows.h>

#include "core/ports/dialogs.h"

namespace korvan {

// Message boxes, waits and the masked input box through the wide Win32
// API. Texts arrive as GBK and are shown through code page 936. GUI thread
// only.
class WinDialogs final : public Dialogs {
public:
    // The main window is set once it exists; until then boxes have no owner.
    void setMainWindow(HWND window) { mainWindow = window; }

    Answer messageBox(std::string_view text, Icon icon, Buttons buttons,
                      Owner owner = Owner::MainWindow) override;
    void waitProcessingEvents(int milliseconds) override;
    void setMainWindowEnabled(bool enabled) override;
    std::optional<std::string> askMaskedText(std::string_view title,
                                             std::string_view prompt) override;

private:
    // The owner for a modal window: the main window once it is shown.
    HWND visibleOwner() const;

    HWND mainWindow = nullptr;
};

// Dispatches window messages until `milliseconds` have passed. A WM_QUIT
// met on the way is put back for the main loop and ends the wait early.
void pumpMessagesFor(int milliseconds);

}  // namespace korvan
