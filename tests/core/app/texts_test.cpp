#include "core/app/texts.h"

#include <gtest/gtest.h>

#include "core/app/gbk.h"

namespace korvan {
namespace {

// The texts users rely on, pinned once. Other tests compare by id.
TEST(Texts, KeepTheirExactWording) {
    struct Case {
        TextId id;
        const char* utf8;
    } cases[] = {
        {TextId::AppCaption, "Korvan3389远程桌面管理工具V2.2"},
        {TextId::MessageTitle, "信息："},
        {TextId::AlreadyRunning, "程序已经运行！"},
        {TextId::AskExit, "确定要退出Korvan3389批量远程桌面工具？"},
        {TextId::SaveSucceeded, "主机信息保存成功！"},
        {TextId::StatusChecking, "检测中"},
        {TextId::StatusOnline, "在线"},
        {TextId::StatusOffline, "离线"},
        {TextId::HostIncomplete, "请把主机信息输入完整！"},
        {TextId::HostPasswordRequired, "必须设置一个主机密码！"},
        {TextId::MenuHelpAbout, "本软件简要说明(必读)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textUtf8(c.id), c.utf8);
        EXPECT_EQ(text(c.id), utf8ToGbk(c.utf8).value());
    }
}

TEST(Texts, EveryTextHasAGbkForm) {
    for (int i = 0; i < static_cast<int>(TextId::Count_); ++i) {
        auto id = static_cast<TextId>(i);
        EXPECT_TRUE(utf8ToGbk(textUtf8(id)).has_value()) << textUtf8(id);
        EXPECT_FALSE(text(id).empty());
    }
}

TEST(Texts, HelpTextsJoinTheirLinesWithCrLf) {
    EXPECT_EQ(textUtf8(TextId::HelpImport),
              "【批量导入服务器信息】\r\n导入格式必须为：备注/IP/帐号/密码，如：\r\n\r\n"
              "主机1/192.168.0.100/administrator/807192\r\n"
              "主机2/192.168.0.200:3389/administrator/290573\r\n\r\n端口号不写默认为3389");
}

}  // namespace
}  // namespace korvan
