#include "core/store/session_settings.h"

#include <array>

namespace korvan {
namespace {

const std::array<StoredField, 12> kFields = {{
    {"desktopWidth", "分辨率:宽", &SessionSettings::desktopWidth},
    {"desktopHeight", "分辨率:高", &SessionSettings::desktopHeight},
    {"screenMode", "是否全屏", &SessionSettings::screenMode},
    {"colourDepth", "颜色深度", &SessionSettings::colourDepth},
    {"keyboardMode", "键盘资源", &SessionSettings::keyboardMode},
    {"driveMapping", "硬盘资源", &SessionSettings::driveMapping},
    {"audioMode", "音频资源", &SessionSettings::audioMode},
    {"sessionSwitch", "连接方式", &SessionSettings::sessionSwitch},
    {"startupAuth", "启动认证", &SessionSettings::startupAuth},
    {"startupPassword", "启动密码", &SessionSettings::startupPassword},
    {"skin", "皮肤", &SessionSettings::skin},
    {"hostCount", "Count", &SessionSettings::hostCount},
}};

}  // namespace

void SessionSettings::applyDefaults() {
    desktopWidth = "1024";
    desktopHeight = "768";
    screenMode = "1";
    colourDepth = "16";
    keyboardMode = "2";
    driveMapping = "0";
    audioMode = "2";
    sessionSwitch = "console";
    startupAuth = "0";
}

std::span<const StoredField> storedFields() { return kFields; }

const StoredField* findStoredField(std::string_view name) {
    for (const auto& f : kFields)
        if (f.name == name) return &f;
    return nullptr;
}

}  // namespace korvan
