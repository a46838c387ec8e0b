#pragma once

#include <optional>
#include <string_view>

#include "core/app/texts.h"

namespace korvan {

// The fields of the add and edit dialogs, as typed (GBK).
struct HostFields {
    std::string_view note;
    std::string_view address;
    std::string_view user;
    std::string_view password;
};

// The refusal the dialogs show for these fields, or nullopt when they are
// accepted. Note, address and user name must be neither empty nor exactly
// one blank; the password must not be empty (blanks alone are accepted).
// Nothing is trimmed and the address form is not checked.
std::optional<TextId> refuseHost(const HostFields& fields);

// The icon of each refusal: the missing password is a warning, the rest
// are notices.
bool refusalIsWarning(TextId refusal);

}  // namespace korvan
