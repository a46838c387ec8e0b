#include "linux/rdp/rdp_profile.h"

#include <iconv.h>
#include <cerrno>

#include "core/app/gbk.h"
#include "core/store/text_rules.h"

namespace korvan::rdp {
namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// A numeric setting within [low, high]; the profile writes numbers as
// decimal text, but a value read from Remote.db may hold anything.
std::optional<int> number(const RdpProfile& profile, std::string_view name, int low, int high) {
    auto text = profile.value(name);
    if (!text) return std::nullopt;
    // textToInteger gives 0 for a text without a number; that must not
    // pass for a real 0 (audio on this computer, keyboard kept local).
    size_t first = text->find_first_not_of(" \t+-");
    if (first == std::string::npos || (*text)[first] < '0' || (*text)[first] > '9')
        return std::nullopt;
    long long n = textToInteger(*text);
    if (n < low || n > high) return std::nullopt;
    return static_cast<int>(n);
}

std::optional<unsigned> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n == 0 || n > 65535) return std::nullopt;
    return n;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> utf16leToUtf8(std::string_view bytes) {
    iconv_t cd = ::iconv_open("UTF-8", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(bytes.size() * 2 + 4, '\0');  // 2 bytes become at most 3; a pair 4 of 4
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::optional<std::string> RdpProfile::value(std::string_view name) const {
    for (const auto& line : lines)
        if (sameName(line.name, name)) return line.value;
    return std::nullopt;
}

RdpProfile parseProfile(std::string_view text) {
    RdpProfile profile;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // 0x3A is never the second byte of a GBK character, so a plain
        // search for the colons cannot cut a character in two.
        size_t first = line.find(':');
        if (first == std::string_view::npos) continue;
        size_t second = line.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        profile.lines.push_back({std::string(line.substr(0, first)),
                                 std::string(line.substr(first + 1, second - first - 1)),
                                 std::string(line.substr(second + 1))});
    }
    return profile;
}

Result<RdpConnection> readConnection(const RdpProfile& profile) {
    auto address = profile.value("full address");
    if (!address) return makeError(ErrorCode::Format, "the profile has no \"full address\" line");
    auto utf8 = gbkToUtf8(*address);
    if (!utf8) return makeError(ErrorCode::Format, "the full address is not GBK text");

    RdpConnection c;
    // The profile writes host + ":" + port; the port follows the last colon
    // (or the closing bracket of an IPv6 literal).
    std::string_view text = *utf8;
    std::string_view portText;
    bool hasPort = false;
    if (text.starts_with('[')) {
        size_t close = text.find(']');
        if (close == std::string_view::npos)
            return makeError(ErrorCode::Format, "the full address " + *utf8 + " lacks its \"]\"");
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':')
                return makeError(ErrorCode::Format, "the full address " + *utf8 + " is malformed");
            portText = text.substr(close + 2);
            hasPort = true;
        }
        c.host = std::string(text.substr(0, close + 1));
    } else {
        size_t colon = text.rfind(':');
        if (colon != std::string_view::npos) {
            portText = text.substr(colon + 1);
            hasPort = true;
            text = text.substr(0, colon);
        }
        c.host = std::string(text);
        if (c.host.find(':') != std::string::npos)
            return makeError(ErrorCode::Format,
                             "the full address " + *utf8 + " does not name one host and port");
    }
    if (c.host.empty() || c.host == "[]")
        return makeError(ErrorCode::Format, "the full address " + *utf8 + " names no host");
    if (hasPort) {
        auto port = portNumber(portText);
        if (!port)
            return makeError(ErrorCode::Format, "the port in the full address " + *utf8 +
                                                    " is not a number from 1 to 65535");
        c.port = *port;
    }

    if (auto user = profile.value("username")) {
        auto u = gbkToUtf8(*user);
        if (!u) return makeError(ErrorCode::Format, "the user name is not GBK text");
        c.user = *u;
    }
    c.passwordBlob = profile.value("password 51").value_or("");
    c.screenMode = number(profile, "screen mode id", 1, 2);
    c.desktopWidth = number(profile, "desktopwidth", 200, 8192);
    c.desktopHeight = number(profile, "desktopheight", 200, 8192);
    c.colourDepth = number(profile, "session bpp", 8, 32);
    if (c.colourDepth && *c.colourDepth != 8 && *c.colourDepth != 15 && *c.colourDepth != 16 &&
        *c.colourDepth != 24 && *c.colourDepth != 32)
        c.colourDepth.reset();
    c.audioMode = number(profile, "audiomode", 0, 2);
    c.keyboardHook = number(profile, "keyboardhook", 0, 2);
    c.redirectDrives = profile.value("drivestoredirect").value_or("") == "*";
    return c;
}

Result<std::string> unsealPassword(std::string_view blob, Protection& protection) {
    if (blob.empty() || blob.size() % 2 == 0 || blob.back() != '0')
        return makeError(ErrorCode::Format,
                         "the password blob is not hexadecimal pairs followed by \"0\"");
    std::string sealed;
    sealed.reserve(blob.size() / 2);
    for (size_t i = 0; i + 1 < blob.size(); i += 2) {
        int high = hexDigit(blob[i]);
        int low = hexDigit(blob[i + 1]);
        if (high < 0 || low < 0)
            return makeError(ErrorCode::Format, "the password blob holds a non-hexadecimal digit");
        sealed.push_back(static_cast<char>(high * 16 + low));
    }
    if (sealed.empty())
        return makeError(ErrorCode::Format,
                         "the profile holds no protected password (the blob is \"0\")");
    auto field = protection.unprotect(sealed);
    if (!field)
        return makeError(field.error().code,
                         "the password cannot be unprotected: " + field.error().detail);

    std::string_view units = field.value();
    size_t length = 0;
    while (length + 1 < units.size() && (units[length] != 0 || units[length + 1] != 0)) length += 2;
    auto password = utf16leToUtf8(units.substr(0, length));
    if (!password) return makeError(ErrorCode::Format, "the password is not valid UTF-16");
    // FreeRDP reads the password as one line of its standard input.
    if (password->find_first_of("\r\n") != std::string::npos)
        return makeError(ErrorCode::Invalid,
                         "the password contains a line break, which FreeRDP cannot be given");
    return std::move(*password);
}

}  // namespace korvan::rdp
