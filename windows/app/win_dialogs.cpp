#include "windows/app/win_dialogs.h"

#include <cstdint>
#include <vector>

#include "core/app/texts.h"
#include "windows/app/ui_font.h"
#include "windows/app/wide_text.h"

namespace korvan {
namespace {

constexpr int kPasswordEdit = 100;
constexpr int kPromptLabel = 101;

// A dialog template built in memory: the input box has no resource, so its
// texts come from texts.h like every other text, and ids are all it holds.
class TemplateWriter {
public:
    void word(WORD w) { bytes.push_back(w); }
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    void text(const wchar_t* s) {
        do word(static_cast<WORD>(*s));
        while (*s++);
    }
    void alignDword() {
        if (bytes.size() % 2) word(0);
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom) {
        alignDword();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        word(0xFFFF);
        word(classAtom);
        word(0);  // no text: set at WM_INITDIALOG
        word(0);  // no creation data
    }
    const DLGTEMPLATE* data() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes.data()); }

private:
    std::vector<WORD> bytes;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

struct MaskedInput {
    std::wstring title;
    std::wstring prompt;
    std::wstring typed;
};

INT_PTR CALLBACK maskedInputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* input = reinterpret_cast<MaskedInput*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, input->title.c_str());
            SetDlgItemTextW(dialog, kPromptLabel, input->prompt.c_str());
            SetDlgItemTextW(dialog, IDOK, wideFromGbk(text(TextId::ButtonOk)).c_str());
            SetDlgItemTextW(dialog, IDCANCEL, wideFromGbk(text(TextId::ButtonCancel)).c_str());
            HWND edit = GetDlgItem(dialog, kPasswordEdit);
            SendMessageW(edit, EM_LIMITTEXT, 256, 0);
            SetFocus(edit);
            return FALSE;  // focus set here
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* input = reinterpret_cast<MaskedInput*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND edit = GetDlgItem(dialog, kPasswordEdit);
                int length = GetWindowTextLengthW(edit);
                input->typed.assign(static_cast<size_t>(length) + 1, L'\0');
                GetWindowTextW(edit, input->typed.data(), length + 1);
                input->typed.resize(static_cast<size_t>(length));
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

void pumpMessagesFor(int milliseconds) {
    const ULONGLONG deadline =
        GetTickCount64() + static_cast<ULONGLONG>(milliseconds < 0 ? 0 : milliseconds);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
    }
}

HWND WinDialogs::visibleOwner() const {
    return mainWindow && IsWindowVisible(mainWindow) ? mainWindow : nullptr;
}

Dialogs::Answer WinDialogs::messageBox(std::string_view message, Icon icon, Buttons buttons,
                                       Owner owner) {
    UINT flags = buttons == Buttons::YesNo ? MB_YESNO : MB_OK;
    if (icon == Icon::Information) flags |= MB_ICONINFORMATION;
    if (icon == Icon::Warning) flags |= MB_ICONWARNING;
    HWND parent = owner == Owner::MainWindow ? visibleOwner() : nullptr;
    // Without an owner the box would hide behind other programs' windows.
    if (!parent) flags |= MB_TASKMODAL | MB_SETFOREGROUND;
    std::wstring body = wideFromGbk(message);
    std::wstring title = wideFromGbk(text(TextId::MessageTitle));
    switch (MessageBoxW(parent, body.c_str(), title.c_str(), flags)) {
        case IDOK:
            return Answer::Ok;
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        default:
            return Answer::Closed;
    }
}

void WinDialogs::waitProcessingEvents(int milliseconds) { pumpMessagesFor(milliseconds); }

void WinDialogs::setMainWindowEnabled(bool enabled) {
    if (mainWindow) EnableWindow(mainWindow, enabled ? TRUE : FALSE);
}

std::optional<std::string> WinDialogs::askMaskedText(std::string_view title,
                                                     std::string_view prompt) {
    TemplateWriter t;
    t.dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.dword(0);
    t.word(4);  // items
    t.word(0);
    t.word(0);
    t.word(200);
    t.word(66);
    t.word(0);  // no menu
    t.word(0);  // standard class
    t.word(0);  // title set at WM_INITDIALOG
    t.word(9);
    t.text(kUiFontFace);
    t.item(SS_LEFT, 8, 8, 184, 10, kPromptLabel, kStatic);
    t.item(ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 21, 184, 13, kPasswordEdit,
           kEdit);
    t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 88, 44, 50, 14, IDOK, kButton);
    t.item(BS_PUSHBUTTON | WS_TABSTOP, 142, 44, 50, 14, IDCANCEL, kButton);

    MaskedInput input{wideFromGbk(title), wideFromGbk(prompt), {}};
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.data(), visibleOwner(),
                                             maskedInputProc, reinterpret_cast<LPARAM>(&input));
    if (result != IDOK) return std::nullopt;
    return gbkFromWide(input.typed);
}

}  // namespace korvan
