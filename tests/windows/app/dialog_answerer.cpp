#include "dialog_answerer.h"

namespace korvan::testing {
namespace {

thread_local DialogAnswerer* current = nullptr;

// Message boxes keep their text in a static control of this id, on Windows
// and on Wine alike.
constexpr int kMessageTextId = 0xFFFF;
constexpr int kPromptId = 101;  // the input box's prompt
constexpr int kEditId = 100;    // the input box's edit field
constexpr UINT_PTR kAnswerTimer = 0x4B56;
// The message box's icon: id 20 on Windows, stc1 (0x440) on Wine.
constexpr int kIconIds[] = {20, 0x440};

std::wstring windowText(HWND window) {
    if (!window) return {};
    int length = GetWindowTextLengthW(window);
    std::wstring out(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, out.data(), length + 1);
    out.resize(static_cast<size_t>(length));
    return out;
}

bool isDialog(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

}  // namespace

DialogAnswerer::DialogAnswerer() {
    current = this;
    hook = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
    if (hook) UnhookWindowsHookEx(hook);
    current = nullptr;
}

LRESULT CALLBACK DialogAnswerer::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current) {
        HWND window = reinterpret_cast<HWND>(wParam);
        // Answer once the box has finished its own set-up: a timer of the
        // box runs inside its modal loop.
        if (isDialog(window)) SetTimer(window, kAnswerTimer, 10, answerLater);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogAnswerer::answerLater(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    if (current) current->answer(dialog);
}

void DialogAnswerer::answer(HWND dialog) {
    Shown seen;
    seen.title = windowText(dialog);
    HWND message = GetDlgItem(dialog, kMessageTextId);
    seen.text = windowText(message ? message : GetDlgItem(dialog, kPromptId));
    HWND edit = GetDlgItem(dialog, kEditId);
    seen.hasEdit = edit != nullptr;
    seen.hasYes = GetDlgItem(dialog, IDYES) != nullptr;
    for (int id : kIconIds) {
        HWND iconControl = GetDlgItem(dialog, id);
        if (!iconControl || !IsWindowVisible(iconControl)) continue;
        auto icon = reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0));
        if (!icon) continue;
        // The system's icons are shared: the box shows the very handle
        // LoadIcon gives.
        if (icon == LoadIconW(nullptr, IDI_INFORMATION))
            seen.icon = Shown::Icon::Information;
        else if (icon == LoadIconW(nullptr, IDI_WARNING))
            seen.icon = Shown::Icon::Warning;
        else
            seen.icon = Shown::Icon::Other;
    }
    shown.push_back(seen);

    Reply reply{seen.hasYes ? IDNO : IDCANCEL, {}};
    if (!replies.empty()) {
        reply = replies.front();
        replies.pop_front();
    }
    if (edit) SetWindowTextW(edit, reply.typed.c_str());
    // A box with only OK answers IDCANCEL as IDOK.
    HWND button = GetDlgItem(dialog, reply.button);
    if (!button && reply.button == IDCANCEL) reply.button = IDOK;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(reply.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, reply.button)));
}

}  // namespace korvan::testing
