#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/app/result.h"

namespace korvan {

// Data protection for the current user: what one user protects, only the
// same user on the same computer can unprotect. Windows: CryptProtectData.
// Linux: sealed with libsodium under a per-user key kept in the user's
// configuration directory. Any thread.
class Protection {
public:
    virtual ~Protection() = default;

    // The protected form of `data`, with a UTF-16 description stored
    // beside it where the platform keeps one. Error when it cannot protect.
    virtual Result<std::string> protect(std::string_view data,
                                        std::u16string_view description) = 0;

    // The data that protect() was given. Error when the bytes are damaged
    // or were protected by another user.
    virtual Result<std::string> unprotect(std::string_view protectedData) = 0;
};

std::unique_ptr<Protection> makeSystemProtection();

}  // namespace korvan
