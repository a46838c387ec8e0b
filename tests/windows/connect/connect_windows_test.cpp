// The connect and close-all commands through the real Windows ports: the
// registry of the test prefix, CryptProtectData, CreateProcess and the
// tool-help snapshot. A fake mstsc.exe records what it was started with.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/app/gbk.h"
#include "core/app/paths.h"
#include "core/app/process_finder.h"
#include "core/connect/connect_commands.h"
#include "core/connect/profile_builder.h"
#include "core/connect/session_closer.h"
#include "fakes/fake_dialogs.h"

namespace korvan {
namespace {

namespace fs = std::filesystem;
using korvan::testing::FakeDialogs;

const wchar_t kLocalDevices[] = L"Software\\Microsoft\\Terminal Server Client\\LocalDevices";

fs::path ownDirectory() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return fs::path(std::wstring(buffer, n)).parent_path();
}

fs::path fakeClient() { return ownDirectory() / L"fake_mstsc" / L"mstsc.exe"; }

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring wideOf(std::string_view gbkText) {
    auto u16 = gbkToUtf16(gbkText);
    return std::wstring(u16->begin(), u16->end());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What one start of the fake client recorded.
struct Record {
    std::string line;
    std::vector<std::string> args;
};

struct Ports {
    std::unique_ptr<Files> files = makeSystemFiles();
    std::unique_ptr<Places> places = makeSystemPlaces();
    std::unique_ptr<Registry> registry = makeSystemRegistry();
    std::unique_ptr<Protection> protection = makeSystemProtection();
    std::unique_ptr<CycleCounter> counter = makeSystemCycleCounter();
    std::unique_ptr<Processes> processes = makeSystemProcesses();
    FakeDialogs dialogs;
    SessionSettings settings;
    HostList hosts;
    ProfileBuilder builder{settings, *files, *places, *registry, *protection, *counter};
    ConnectCommands commands{hosts, settings, builder, dialogs, *processes};

    Ports() { settings.applyDefaults(); }
    int addHost(std::string address, std::string user, std::string password) {
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnAddress, std::move(address));
        hosts.setCellText(row, kColumnUser, std::move(user));
        hosts.setCellText(row, kColumnPassword, std::move(password));
        return row;
    }
};

class WindowsConnect : public ::testing::Test {
protected:
    fs::path work;
    fs::path log;
    std::wstring oldPath, oldTmp, oldTemp;
    std::vector<HANDLE> started;

    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        work = fs::path(temp) / (L"korvan-connect-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(work);
        log = work / L"mstsc.log";
        oldPath = environment(L"PATH");
        oldTmp = environment(L"TMP");
        oldTemp = environment(L"TEMP");
        // Children inherit this environment: the fake is found first and
        // knows where to write.
        SetEnvironmentVariableW(L"PATH",
                                (fakeClient().parent_path().wstring() + L";" + oldPath).c_str());
        SetEnvironmentVariableW(L"KORVAN_FAKE_MSTSC_LOG", log.c_str());
    }

    void TearDown() override {
        Ports ports;
        SessionCloser(ports.dialogs, *ports.processes).endAllClients();
        for (HANDLE h : started) {
            TerminateProcess(h, 0);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
        SetEnvironmentVariableW(L"PATH", oldPath.c_str());
        SetEnvironmentVariableW(L"TMP", oldTmp.empty() ? nullptr : oldTmp.c_str());
        SetEnvironmentVariableW(L"TEMP", oldTemp.empty() ? nullptr : oldTemp.c_str());
        SetEnvironmentVariableW(L"KORVAN_FAKE_MSTSC_LOG", nullptr);
        std::error_code ec;
        fs::remove_all(work, ec);
    }

    // The records of `count` starts, waiting up to ten seconds for them.
    std::vector<Record> records(size_t count) {
        for (int i = 0; i < 200; ++i) {
            std::ifstream in(log, std::ios::binary);
            std::vector<Record> out;
            Record current;
            for (std::string line; std::getline(in, line);) {
                if (line.rfind("line:", 0) == 0)
                    current.line = line.substr(5);
                else if (line.rfind("arg:", 0) == 0)
                    current.args.push_back(line.substr(4));
                else if (line == "end")
                    out.push_back(std::exchange(current, {}));
            }
            if (out.size() >= count) return out;
            Sleep(50);
        }
        return {};
    }

    HANDLE startCopy(const fs::path& exe) {
        std::wstring line = L"\"" + exe.wstring() + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        started.push_back(pi.hProcess);
        return pi.hProcess;
    }
};

std::string hexToBytes(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::optional<DWORD> dwordValue(const std::wstring& name, DWORD* typeOut = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kLocalDevices, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, data = 0, size = sizeof data;
    LONG rc =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (typeOut) *typeOut = type;
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return data;
}

void deleteValue(const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kLocalDevices, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, name.c_str());
        RegCloseKey(key);
    }
}

TEST_F(WindowsConnect, ConnectStartsTheClientOnAProfileOnlyThisUserCanRead) {
    deleteValue(L"127.0.0.5");
    Ports p;
    const std::string password = gbk("密码Pa55");
    p.addHost("127.0.0.5:3390", gbk("管理员"), password);
    p.hosts.selectRow(0);
    p.commands.connectHostChosen();

    auto rec = records(1);
    ASSERT_EQ(rec.size(), 1u);
    const std::string path = pathToUtf8(p.builder.currentProfile());
    EXPECT_EQ(rec[0].line, "mstsc.exe " + path + " /console");
    EXPECT_EQ(rec[0].args, (std::vector<std::string>{"mstsc.exe", path, "/console"}));

    // The profile: GBK lines, the address with its port, the user name.
    std::string bytes = readFile(p.builder.currentProfile());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 37);
    EXPECT_NE(bytes.find("\r\nfull address:s:127.0.0.5:3390\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nusername:s:" + gbk("管理员") + "\r\n"), std::string::npos);

    // The blob unprotects, for this user, to the password's UTF-16 form
    // with its terminator, padded to 512 bytes.
    const std::string tag = "\r\npassword 51:b:";
    size_t at = bytes.find(tag);
    ASSERT_NE(at, std::string::npos);
    at += tag.size();
    std::string hex = bytes.substr(at, bytes.find("\r\n", at) - at);
    ASSERT_EQ(hex.size() % 2, 1u);
    ASSERT_EQ(hex.back(), '0');
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    std::string sealed = hexToBytes(hex.substr(0, hex.size() - 1));
    DATA_BLOB inBlob{static_cast<DWORD>(sealed.size()), reinterpret_cast<BYTE*>(sealed.data())};
    DATA_BLOB outBlob{0, nullptr};
    LPWSTR description = nullptr;
    ASSERT_TRUE(CryptUnprotectData(&inBlob, &description, nullptr, nullptr, nullptr, 0, &outBlob));
    std::string field(reinterpret_cast<char*>(outBlob.pbData), outBlob.cbData);
    LocalFree(outBlob.pbData);
    ASSERT_TRUE(description);
    EXPECT_EQ(std::wstring(description), L"psw");
    LocalFree(description);
    ASSERT_EQ(field.size(), 512u);
    std::wstring wide = wideOf(password);
    wide.push_back(L'\0');
    EXPECT_EQ(field.substr(0, wide.size() * 2),
              std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
    EXPECT_EQ(field.find_first_not_of('\0', wide.size() * 2), std::string::npos);

    // The client's per-host value, named without the port.
    DWORD type = 0;
    EXPECT_EQ(dwordValue(L"127.0.0.5", &type), std::optional<DWORD>(76));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    // Close-all ends the client and leaves the profile.
    std::vector<std::string> names;
    std::vector<uint32_t> ids;
    ProcessFinder(*p.processes).listProcesses(names, ids);
    EXPECT_EQ(std::count(names.begin(), names.end(), "mstsc.exe"), 1);
    EXPECT_EQ(SessionCloser(p.dialogs, *p.processes).endAllClients(), 1);
    EXPECT_TRUE(fs::exists(p.builder.currentProfile()));
}

TEST_F(WindowsConnect, ABatchStartsOneClientPerRowInOrder) {
    Ports p;
    for (const char* a : {"10.0.0.1", "10.0.0.2:3391", "10.0.0.3"}) p.addHost(a, "u", "p");
    p.hosts.selectRow(2);
    p.hosts.selectRow(0);
    p.commands.connectHostChosen();
    auto rec = records(2);
    ASSERT_EQ(rec.size(), 2u);
    // Each client got its own profile, rows in ascending order.
    ASSERT_EQ(rec[0].args.size(), 3u);
    ASSERT_EQ(rec[1].args.size(), 3u);
    EXPECT_NE(rec[0].args[1], rec[1].args[1]);
    EXPECT_NE(readFile(pathFromUtf8(rec[0].args[1])).find("full address:s:10.0.0.1:3389"),
              std::string::npos);
    EXPECT_NE(readFile(pathFromUtf8(rec[1].args[1])).find("full address:s:10.0.0.3:3389"),
              std::string::npos);
    EXPECT_EQ(p.dialogs.waits(), (std::vector<int>{200, 200, 200, 200}));
}

TEST_F(WindowsConnect, ATemporaryDirectoryWithABlankReachesTheClientAsOneArgument) {
    fs::path spaced = work / L"with space";
    fs::create_directories(spaced);
    SetEnvironmentVariableW(L"TMP", spaced.c_str());
    SetEnvironmentVariableW(L"TEMP", spaced.c_str());
    Ports p;
    p.settings.sessionSwitch = "Admin";
    p.addHost("127.0.0.6", "u", "p");
    p.hosts.selectRow(0);
    p.commands.connectHostChosen();
    auto rec = records(1);
    ASSERT_EQ(rec.size(), 1u);
    const std::string path = pathToUtf8(p.builder.currentProfile());
    EXPECT_NE(path.find("with space"), std::string::npos);
    EXPECT_EQ(rec[0].line, "mstsc.exe \"" + path + "\" /Admin");
    EXPECT_EQ(rec[0].args, (std::vector<std::string>{"mstsc.exe", path, "/Admin"}));
    EXPECT_TRUE(fs::exists(p.builder.currentProfile()));
}

TEST_F(WindowsConnect, ExistingValuesAreLeftAloneAndBackslashesStayInTheName) {
    deleteValue(L"10.1.2.4");
    deleteValue(L"evil\\Run");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kLocalDevices, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t keep[] = L"keep";
    RegSetValueExW(key, L"10.1.2.3", 0, REG_SZ, reinterpret_cast<const BYTE*>(keep), sizeof keep);
    DWORD five = 5;
    RegSetValueExW(key, L"10.1.2.5", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five),
                   sizeof five);
    RegCloseKey(key);

    Ports p;
    for (const char* a : {"10.1.2.3:3389", "10.1.2.4", "10.1.2.5", "evil\\Run:3389"})
        p.builder.BuildProfile(p.hosts, p.addHost(a, "u", "p"));

    DWORD type = 0;
    dwordValue(L"10.1.2.3", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(dwordValue(L"10.1.2.4"), std::optional<DWORD>(76));
    EXPECT_EQ(dwordValue(L"10.1.2.5"), std::optional<DWORD>(5));
    EXPECT_EQ(dwordValue(L"evil\\Run"), std::optional<DWORD>(76));
    HKEY sub = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kLocalDevices) + L"\\evil").c_str(), 0,
                            KEY_READ, &sub),
              ERROR_SUCCESS)
        << "no key was made from part of the host";
}

TEST_F(WindowsConnect, CloseAllEndsExactlyTheProcessesNamedMstscExe) {
    fs::create_directories(work / L"upper");
    fs::copy_file(fakeClient(), work / L"upper" / L"MSTSC.exe");
    fs::copy_file(fakeClient(), work / L"mstsc2.exe");
    HANDLE first = startCopy(fakeClient());
    HANDLE second = startCopy(fakeClient());
    HANDLE upper = startCopy(work / L"upper" / L"MSTSC.exe");
    HANDLE other = startCopy(work / L"mstsc2.exe");
    ASSERT_TRUE(first && second && upper && other);

    Ports p;
    std::vector<std::string> names;
    std::vector<uint32_t> ids;
    for (int i = 0; i < 100; ++i) {
        ProcessFinder(*p.processes).listProcesses(names, ids);
        if (std::count(names.begin(), names.end(), "mstsc.exe") == 2 &&
            std::count(names.begin(), names.end(), "MSTSC.exe") == 1 &&
            std::count(names.begin(), names.end(), "mstsc2.exe") == 1)
            break;
        Sleep(50);
    }
    ASSERT_EQ(std::count(names.begin(), names.end(), "mstsc.exe"), 2);
    ASSERT_EQ(std::count(names.begin(), names.end(), "MSTSC.exe"), 1);
    ASSERT_EQ(std::count(names.begin(), names.end(), "mstsc2.exe"), 1);
    EXPECT_NE(std::find(ids.begin(), ids.end(), GetCurrentProcessId()), ids.end())
        << "the caller is in the list";
    EXPECT_EQ(names.size(), ids.size());

    p.dialogs.answers = {Dialogs::Answer::Yes};
    SessionCloser(p.dialogs, *p.processes).CloseAllSessions();
    for (HANDLE h : {first, second}) {
        ASSERT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(h, &code);
        EXPECT_EQ(code, 0u);
    }
    EXPECT_EQ(WaitForSingleObject(upper, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(other, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(p.dialogs.trace().back(), "enable");
}

}  // namespace
}  // namespace korvan
