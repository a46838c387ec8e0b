#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/dialogs.h"

namespace korvan::testing {

// The user interface as a test sees it. Every call lands in one ordered
// event log, so a test can check that the window was disabled before the
// first wait and enabled after the last launch. Answers to message boxes and
// masked input boxes are queued in advance; an empty queue answers a
// question with Closed (never a silent Yes) and a notice with Ok.
class FakeDialogs : public Dialogs {
public:
    struct Event {
        enum class Kind { MessageBox, Wait, Enable, Disable, MaskedText, Note };
        Kind kind = Kind::Note;
        std::string text;   // message box text, masked-input prompt or note (GBK)
        std::string title;  // masked-input title
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        Owner owner = Owner::MainWindow;
        int milliseconds = 0;  // waits

        bool operator==(const Event&) const = default;
    };

    std::vector<Event> events;
    std::deque<Answer> answers;                            // for messageBox
    std::deque<std::optional<std::string>> maskedAnswers;  // for askMaskedText
    bool mainWindowEnabled = true;

    // Runs during every wait, after it is logged: stands in for the timers
    // and messages a real wait would dispatch.
    std::function<void(int)> onWait;

    Answer messageBox(std::string_view text, Icon icon, Buttons buttons,
                      Owner owner = Owner::MainWindow) override {
        Event e;
        e.kind = Event::Kind::MessageBox;
        e.text = std::string(text);
        e.icon = icon;
        e.buttons = buttons;
        e.owner = owner;
        events.push_back(std::move(e));
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Closed;
    }

    void waitProcessingEvents(int milliseconds) override {
        Event e;
        e.kind = Event::Kind::Wait;
        e.milliseconds = milliseconds;
        events.push_back(std::move(e));
        if (onWait) onWait(milliseconds);
    }

    void setMainWindowEnabled(bool enabled) override {
        Event e;
        e.kind = enabled ? Event::Kind::Enable : Event::Kind::Disable;
        events.push_back(std::move(e));
        mainWindowEnabled = enabled;
    }

    std::optional<std::string> askMaskedText(std::string_view title,
                                             std::string_view prompt) override {
        Event e;
        e.kind = Event::Kind::MaskedText;
        e.title = std::string(title);
        e.text = std::string(prompt);
        events.push_back(std::move(e));
        if (maskedAnswers.empty()) return std::nullopt;
        auto a = std::move(maskedAnswers.front());
        maskedAnswers.pop_front();
        return a;
    }

    // Lets other fakes (a process start, a profile write) put their calls
    // into the same log, to check the order across ports.
    void note(std::string what) {
        Event e;
        e.kind = Event::Kind::Note;
        e.text = std::move(what);
        events.push_back(std::move(e));
    }

    // The message boxes shown, in order.
    std::vector<Event> messageBoxes() const { return ofKind(Event::Kind::MessageBox); }
    // The waits, in milliseconds, in order.
    std::vector<int> waits() const {
        std::vector<int> out;
        for (const auto& e : events)
            if (e.kind == Event::Kind::Wait) out.push_back(e.milliseconds);
        return out;
    }
    std::vector<Event> ofKind(Event::Kind kind) const {
        std::vector<Event> out;
        for (const auto& e : events)
            if (e.kind == kind) out.push_back(e);
        return out;
    }

    // A compact form of the log for whole-sequence checks: "box:<text>",
    // "wait:200", "disable", "enable", "ask:<prompt>", or a note as given.
    std::vector<std::string> trace() const {
        std::vector<std::string> out;
        for (const auto& e : events) {
            switch (e.kind) {
                case Event::Kind::MessageBox:
                    out.push_back("box:" + e.text);
                    break;
                case Event::Kind::Wait:
                    out.push_back("wait:" + std::to_string(e.milliseconds));
                    break;
                case Event::Kind::Enable:
                    out.push_back("enable");
                    break;
                case Event::Kind::Disable:
                    out.push_back("disable");
                    break;
                case Event::Kind::MaskedText:
                    out.push_back("ask:" + e.text);
                    break;
                case Event::Kind::Note:
                    out.push_back(e.text);
                    break;
            }
        }
        return out;
    }
};

}  // namespace korvan::testing
