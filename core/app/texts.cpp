#include "core/app/texts.h"

#include <array>
#include <cstddef>

#include "core/app/gbk.h"

namespace korvan {
namespace {

struct Entry {
    TextId id;
    std::string_view utf8;
};

// The wording is the product's own: change it only on purpose. Lines inside
// one message are joined by CR LF, as message boxes show them.
constexpr Entry kTexts[] = {
    {TextId::AppCaption, "Korvan3389远程桌面管理工具V2.2"},
    {TextId::AppTrayTip, "Korvan3389批量远程桌面工具\r\nKorvan科技 korvan3389.example.org"},
    {TextId::MessageTitle, "信息："},
    {TextId::AlreadyRunning, "程序已经运行！"},
    {TextId::AskExit, "确定要退出Korvan3389批量远程桌面工具？"},
    {TextId::StartupPasswordPrompt, "请输入启动密码"},
    {TextId::WrongPassword, "密码错误！"},
    {TextId::SaveSucceeded, "主机信息保存成功！"},
    {TextId::SaveFailed, "主机信息保存失败！无法写入文件：\r\n"},
    {TextId::SaveFailedOnClose, "主机信息保存失败，退出后本次修改将丢失！无法写入文件：\r\n"},
    {TextId::ColumnNote, "备注"},
    {TextId::ColumnAddress, "服务器IP地址"},
    {TextId::ColumnUser, "用户名"},
    {TextId::ColumnStatus, "状态"},
    {TextId::ColumnPassword, "密码"},
    {TextId::StatusChecking, "检测中"},
    {TextId::StatusOnline, "在线"},
    {TextId::StatusOffline, "离线"},
    {TextId::MenuHosts, "主机管理"},
    {TextId::MenuConnect, "连接主机"},
    {TextId::MenuAddHost, "添加主机"},
    {TextId::MenuEditHost, "修改主机"},
    {TextId::MenuDeleteHost, "删除主机"},
    {TextId::MenuConnectAll, "一键全连"},
    {TextId::MenuCloseAll, "一键关闭"},
    {TextId::MenuImport, "批量导入"},
    {TextId::MenuDeleteAll, "全部删除"},
    {TextId::MenuRefresh, "刷新列表"},
    {TextId::MenuSaveNow, "立即保存"},
    {TextId::MenuParameters, "连接参数"},
    {TextId::MenuParameterSettings, "参数设置"},
    {TextId::MenuSortEdit, "编辑排序"},
    {TextId::MenuSortStart, "开始排序"},
    {TextId::MenuSortEnd, "退出排序"},
    {TextId::MenuStartupPassword, "启动密码"},
    {TextId::MenuSetPassword, "设置密码"},
    {TextId::MenuCancelPassword, "取消密码启动"},
    {TextId::MenuRecoverPassword, "找回启动密码"},
    {TextId::MenuHelp, "使用方法"},
    {TextId::MenuHelpUsage, "Korvan3389远程桌面使用方法"},
    {TextId::MenuHelpImport, "如何批量导入服务器信息"},
    {TextId::MenuHelpAbout, "本软件简要说明(必读)"},
    {TextId::MenuSkin, "皮肤设置"},
    {TextId::MenuSkinClassic, "经典"},
    {TextId::MenuSkinWin8, "Win8"},
    {TextId::MenuTray, "托盘菜单"},
    {TextId::MenuTrayShow, "显示程序"},
    {TextId::MenuTrayExit, "退出程序"},
    {TextId::HelpUsage,
     "【Korvan3389批量远程桌面使用方法】\r\n"
     "\r\n"
     "1.添加修改主机如192.168.0.100:3389，不加端口号自动识别为3389\r\n"
     "2.鼠标左键双击需要远程的主机即可实现连接，支持多项选择连接\r\n"
     "3.系统检测主机是否在线，周期60秒检测一次，刷新列表后立即检测"},
    {TextId::HelpImport,
     "【批量导入服务器信息】\r\n"
     "导入格式必须为：备注/IP/帐号/密码，如：\r\n"
     "\r\n"
     "主机1/192.168.0.100/administrator/807192\r\n"
     "主机2/192.168.0.200:3389/administrator/290573\r\n"
     "\r\n"
     "端口号不写默认为3389"},
    {TextId::HelpAbout,
     "【关于本软件-Korvan3389远程桌面管理工具V2.2】\r\n"
     "\r\n"
     "1.采用RC4混合加密，保证数据的基础安全性\r\n"
     "2.本程序不加载启动项，不进行网络上传通讯，保证安全\r\n"
     "3.请正常关闭退出本程序，切勿结束进程以免数据不保存"},
    {TextId::SearchGroup, "主机定位："},
    {TextId::SearchLabel, "主机备注信息或IP："},
    {TextId::SearchButton, "快速定位(Enter)"},
    {TextId::ListGroup, "主机列表"},
    {TextId::NoHostSelected, "您还未选择要连接的主机！"},
    {TextId::AskConnectAll, "此操作无法停止，确定要一键连接全部主机吗？"},
    {TextId::AskCloseAll, "确定要关闭所有远程窗口吗？"},
    {TextId::HostIncomplete, "请把主机信息输入完整！"},
    {TextId::HostPasswordRequired, "必须设置一个主机密码！"},
    {TextId::EditNoSelection, "您还没有选择要修改的主机！"},
    {TextId::DeleteNoSelection, "您还没有选择要删除的主机！"},
    {TextId::AskDeleteHost, "确定删除当前选中的主机？"},
    {TextId::AskDeleteAll, "确定删除全部主机信息？"},
    {TextId::RefreshedPrefix, "列表已刷新，检测到共有："},
    {TextId::RefreshedSuffix, "台主机！"},
    {TextId::ButtonOk, "确定"},
    {TextId::ButtonCancel, "取消"},
};

constexpr size_t kCount = static_cast<size_t>(TextId::Count_);
static_assert(std::size(kTexts) == kCount, "every TextId needs exactly one entry");

constexpr bool inOrder() {
    for (size_t i = 0; i < kCount; ++i)
        if (static_cast<size_t>(kTexts[i].id) != i) return false;
    return true;
}
static_assert(inOrder(), "kTexts must list the ids in declaration order");

}  // namespace

std::string_view textUtf8(TextId id) { return kTexts[static_cast<size_t>(id)].utf8; }

const std::string& text(TextId id) {
    static const std::array<std::string, kCount> converted = [] {
        std::array<std::string, kCount> all;
        for (size_t i = 0; i < kCount; ++i) all[i] = gbk(kTexts[i].utf8);
        return all;
    }();
    return converted[static_cast<size_t>(id)];
}

}  // namespace korvan
