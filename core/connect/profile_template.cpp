#include "core/connect/profile_template.h"

#include <array>
#include <string_view>

#include "core/app/gbk.h"

namespace korvan {
namespace {

// Lines 32 to 34 end right after the colon: an empty value, no blank.
constexpr std::array<std::string_view, 38> kLines = {
    "screen mode id:i:%1窗口2全屏%",
    "desktopwidth:i:%宽%",
    "desktopheight:i:%高%",
    "session bpp:i:%15/16/24/32%",
    "winposstr:s:0,3,0,0,800,600",
    "compression:i:1",
    "keyboardhook:i:%0本地1远程2全屏%",
    "displayconnectionbar:i:1",
    "username:s:%用户名%",
    "disable wallpaper:i:1",
    "disable full window drag:i:1",
    "allow desktop composition:i:0",
    "allow font smoothing:i:0",
    "disable menu anims:i:1",
    "disable themes:i:0",
    "disable cursor setting:i:0",
    "bitmapcachepersistenable:i:1",
    "full address:s:%地址%",
    "password 51:b:%密码%",
    "audiomode:i:%0本地1主机2不播%",
    "redirectprinters:i:1",
    "redirectcomports:i:0",
    "redirectsmartcards:i:1",
    "redirectclipboard:i:1",
    "redirectposdevices:i:0",
    "drivestoredirect:s:%0不加载*加载%",
    "autoreconnection enabled:i:1",
    "authentication level:i:0",
    "prompt for credentials:i:0",
    "negotiate security layer:i:1",
    "remoteapplicationmode:i:0",
    "alternate shell:s:",
    "shell working directory:s:",
    "gatewayhostname:s:",
    "gatewayusagemethod:i:4",
    "gatewaycredentialssource:i:4",
    "gatewayprofileusagemethod:i:0",
    "promptcredentialonce:i:1",
};

std::string assemble() {
    std::string utf8;
    for (size_t i = 0; i < kLines.size(); ++i) {
        if (i > 0) utf8 += "\r\n";
        utf8 += kLines[i];
    }
    return gbk(utf8);
}

}  // namespace

const std::string& ProfileTemplate() {
    static const std::string text = assemble();
    return text;
}

}  // namespace korvan
