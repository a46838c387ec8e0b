#include "core/editing/host_validation.h"

namespace korvan {
namespace {

bool blankOrEmpty(std::string_view s) { return s.empty() || s == " "; }

}  // namespace

std::optional<TextId> refuseHost(const HostFields& fields) {
    if (blankOrEmpty(fields.address) || blankOrEmpty(fields.user) || blankOrEmpty(fields.note))
        return TextId::HostIncomplete;
    if (fields.password.empty()) return TextId::HostPasswordRequired;
    return std::nullopt;
}

bool refusalIsWarning(TextId refusal) { return refusal == TextId::HostPasswordRequired; }

}  // namespace korvan
