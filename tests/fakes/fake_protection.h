#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/ports/protection.h"

namespace korvan::testing {

// Reversible stand-in for data protection: "FAKE" + the data with every
// byte flipped, so a test can unprotect what a profile holds. Records each
// call; can be told to fail from the Nth call, or to return queued outputs.
class FakeProtection : public Protection {
public:
    struct Call {
        std::string data;
        std::u16string description;
    };
    std::vector<Call> calls;
    int failFrom = -1;                // the Nth protect() (from 0) and later ones fail
    std::deque<std::string> outputs;  // when not empty, protect() returns these in turn

    Result<std::string> protect(std::string_view data, std::u16string_view description) override {
        int n = static_cast<int>(calls.size());
        calls.push_back({std::string(data), std::u16string(description)});
        if (failFrom >= 0 && n >= failFrom) return makeError(ErrorCode::Failed, "refused");
        if (!outputs.empty()) {
            std::string out = std::move(outputs.front());
            outputs.pop_front();
            return out;
        }
        std::string out = "FAKE";
        for (char c : data) out += static_cast<char>(~static_cast<unsigned char>(c));
        return out;
    }

    Result<std::string> unprotect(std::string_view protectedData) override {
        if (protectedData.substr(0, 4) != "FAKE") return makeError(ErrorCode::Format, "not ours");
        std::string out;
        for (char c : protectedData.substr(4))
            out += static_cast<char>(~static_cast<unsigned char>(c));
        return out;
    }
};

}  // namespace korvan::testing
