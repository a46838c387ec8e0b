#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace korvan::testing {

// Answers the modal boxes the window opens on this thread, the way a user
// would: a thread-local CBT hook sees each dialog ("#32770") become active,
// notes its title and text, and clicks the next queued button (typing the
// queued text first when the box has an edit field). The real MessageBoxW
// and the real input box run; only the user is replaced. An empty queue
// answers with the box's cancel button, never with Yes.
class DialogAnswerer {
public:
    struct Shown {
        std::wstring title;
        std::wstring text;  // the message, or the input box's prompt
        bool hasEdit = false;
        bool hasYes = false;
        enum class Icon { None, Information, Warning, Other } icon = Icon::None;
    };
    struct Reply {
        int button;          // IDOK, IDYES, IDNO, IDCANCEL
        std::wstring typed;  // for an input box
    };

    DialogAnswerer();
    ~DialogAnswerer();

    void queue(int button, std::wstring typed = {}) {
        replies.push_back({button, std::move(typed)});
    }

    std::vector<Shown> shown;

private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK answerLater(HWND dialog, UINT, UINT_PTR id, DWORD);
    void answer(HWND dialog);

    HHOOK hook = nullptr;
    std::deque<Reply> replies;
};

}  // namespace korvan::testing
