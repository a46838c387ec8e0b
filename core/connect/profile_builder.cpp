#include "core/connect/profile_builder.h"

#include <array>

#include "core/app/gbk.h"
#include "core/app/paths.h"
#include "core/connect/password_blob.h"
#include "core/connect/profile_template.h"
#include "core/connect/profile_text.h"
#include "core/store/text_rules.h"

namespace korvan {

std::string pathToGbk(const std::filesystem::path& path) {
    return utf8ToGbkLenient(pathToUtf8(path));
}

ProfileBuilder::ProfileBuilder(SessionSettings& sessionSettings, Files& filesPort,
                               Places& placesPort, Registry& registryPort,
                               Protection& protectionPort, CycleCounter& counterPort)
    : settings(sessionSettings),
      files(filesPort),
      places(placesPort),
      registry(registryPort),
      protection(protectionPort),
      counter(counterPort) {}

void ProfileBuilder::BuildProfile(const HostList& hosts, int row) {
    AddressParts address = profileAddress(hosts.cellText(row, kColumnAddress));
    settings.targetHost = std::move(address.host);
    settings.targetPort = std::move(address.port);
    EnsureLocalDevicesValue(settings.targetHost);
    settings.targetUser = hosts.cellText(row, kColumnUser);
    settings.targetPasswordBlob = ProtectPassword(protection, hosts.cellText(row, kColumnPassword));

    std::string text = profileText();
    currentPath = newProfilePath();
    currentPathText = pathToGbk(currentPath);
    // A profile that cannot be written is passed over: the client started
    // on it reports the missing file itself.
    (void)files.writePrivate(currentPath, text);
}

namespace {

// The ten placeholders as GBK, in the order they are replaced.
const std::array<std::string, 10>& placeholders() {
    static const std::array<std::string, 10> all = {
        gbk("%15/16/24/32%"),
        gbk("%1窗口2全屏%"),
        gbk("%0本地1远程2全屏%"),
        gbk("%0本地1主机2不播%"),
        gbk("%0不加载*加载%"),
        gbk("%宽%"),
        gbk("%高%"),
        gbk("%地址%"),
        gbk("%用户名%"),
        gbk("%密码%"),
    };
    return all;
}

}  // namespace

std::string ProfileBuilder::profileText() const {
    const auto& p = placeholders();
    // Two groups in this order: a later pair also replaces its placeholder
    // inside values inserted before it (a user name holding the password
    // placeholder gets the blob), and clients have always seen that.
    const std::array<Replacement, 5> parameters = {{
        {p[0], settings.colourDepth},
        {p[1], settings.screenMode},
        {p[2], settings.keyboardMode},
        {p[3], settings.audioMode},
        {p[4], settings.driveMapping},
    }};
    const std::string fullAddress = settings.targetHost + ":" + settings.targetPort;
    const std::array<Replacement, 5> target = {{
        {p[5], settings.desktopWidth},
        {p[6], settings.desktopHeight},
        {p[7], fullAddress},
        {p[8], settings.targetUser},
        {p[9], settings.targetPasswordBlob},
    }};
    return MultiReplace(MultiReplace(ProfileTemplate(), parameters), target);
}

void ProfileBuilder::EnsureLocalDevicesValue(std::string_view host) {
    if (!registry.valueExists(kLocalDevicesKey, host))
        (void)registry.writeDword(kLocalDevicesKey, host, kLocalDevicesValue);
}

std::filesystem::path ProfileBuilder::newProfilePath() {
    // Letters are drawn before digits: two statements, since the operands
    // of one expression may be evaluated in either order.
    std::string name = "Korvan_" + RandomLetters(counter, 4, 2);
    name += RandomDigits(counter, 4, 2) + ".KV";
    return places.temporaryDirectory() / name;
}

}  // namespace korvan
