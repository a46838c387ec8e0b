#include "core/connect/password_blob.h"

#include "core/app/gbk.h"

namespace korvan {
namespace {

void appendUnit(std::string& out, char16_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

}  // namespace

std::string ToUtf16(std::string_view gbkText) {
    gbkText = gbkText.substr(0, gbkText.find('\0'));
    std::u16string units;
    if (auto whole = gbkToUtf16(gbkText)) {
        units = std::move(*whole);
    } else {
        // Convert character by character so that one bad byte costs one
        // character, as the Windows converter's default does.
        size_t i = 0;
        while (i < gbkText.size()) {
            size_t step =
                isGbkLeadByte(static_cast<unsigned char>(gbkText[i])) && i + 1 < gbkText.size() ? 2
                                                                                                : 1;
            auto piece = gbkToUtf16(gbkText.substr(i, step));
            units += piece ? *piece : std::u16string(1, u'\uFFFD');
            i += step;
        }
    }
    std::string out;
    out.reserve(2 * (units.size() + 1));
    for (char16_t u : units) appendUnit(out, u);
    appendUnit(out, 0);
    return out;
}

std::string PasswordField(std::string_view utf16) {
    std::string field(utf16.substr(0, kPasswordFieldSize));
    field.resize(kPasswordFieldSize, '\0');
    return field;
}

std::string ByteToHex(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string HexBlob(std::string_view protectedBytes) {
    std::string out;
    out.reserve(2 * protectedBytes.size() + 1);
    for (char c : protectedBytes) out += ByteToHex(static_cast<uint8_t>(c));
    out += '0';
    return out;
}

std::string ProtectPassword(Protection& protection, std::string_view gbkPassword) {
    auto sealed = protection.protect(PasswordField(ToUtf16(gbkPassword)), u"psw");
    return HexBlob(sealed ? std::string_view(sealed.value()) : std::string_view());
}

}  // namespace korvan
