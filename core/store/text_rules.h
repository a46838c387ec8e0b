#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// The pieces of `text` between separators. An empty text gives none; inner
// and leading empty pieces stay; the empty piece after a final separator is
// dropped. A GBK double-byte character is stepped over whole, so its second
// byte never counts as a separator.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// The leading decimal number of a text: optional blanks, an optional sign,
// digits and an optional fraction. 0 when the text does not begin with one.
double textToNumber(std::string_view text);
// textToNumber cut toward zero, clamped to the range of long long.
long long textToInteger(std::string_view text);

// Host and port of an address "host[:port]".
struct AddressParts {
    std::string host;
    std::string port;
};

inline constexpr std::string_view kDefaultRdpPort = "3389";

// The address as the reachability check reads it: no parts (empty address)
// gives nullopt; one part is the host on port 3389; otherwise the first two
// parts, later ones ignored.
std::optional<AddressParts> splitAddress(std::string_view address);

// The address as a connection profile uses it: with fewer than two parts the
// whole text (a trailing ":" included) is the host, on port 3389.
AddressParts profileAddress(std::string_view address);

}  // namespace korvan
