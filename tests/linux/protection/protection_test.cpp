#include "core/ports/protection.h"

#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace korvan {
namespace {

namespace fs = std::filesystem;

// Every test gets its own configuration directory, so the keys of one test
// never reach another and the user's real key is never touched.
class ProtectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "korvan-protection-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        useConfig(root / "config");
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void useConfig(const fs::path& dir) { ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1); }
    fs::path keyPath() const { return root / "config" / "korvan3389" / "protection.key"; }

    // The password field the blob carries: UTF-16LE "pw", terminator, zero padding.
    static std::string passwordField() {
        std::string field(512, '\0');
        field[0] = 'p';
        field[2] = 'w';
        return field;
    }

    fs::path root;
};

TEST_F(ProtectionTest, RoundTripsAndNeverRepeatsItself) {
    auto protection = makeSystemProtection();
    for (const std::string& data : {passwordField(), std::string()}) {
        auto first = protection->protect(data, u"psw");
        auto second = protection->protect(data, u"psw");
        ASSERT_TRUE(first) << first.error().detail;
        ASSERT_TRUE(second) << second.error().detail;
        EXPECT_EQ(first.value().size(), data.size() + 40);  // nonce + authenticator
        EXPECT_NE(first.value(), second.value());
        // A fresh object reads the key from disk, as the RDP client does.
        auto opened = makeSystemProtection()->unprotect(first.value());
        ASSERT_TRUE(opened) << opened.error().detail;
        EXPECT_EQ(opened.value(), data);
    }
}

TEST_F(ProtectionTest, DamagedDataFailsCleanly) {
    auto protection = makeSystemProtection();
    auto sealed = protection->protect(passwordField(), u"psw");
    ASSERT_TRUE(sealed);
    const std::string good = sealed.value();

    std::vector<std::string> damaged{"", good.substr(0, 39), good.substr(0, good.size() - 1),
                                     good + "x"};
    for (size_t at : {size_t{0}, size_t{30}, good.size() - 1}) {  // nonce, tag, ciphertext
        std::string flipped = good;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x01);
        damaged.push_back(flipped);
    }
    for (const auto& bytes : damaged) {
        auto opened = protection->unprotect(bytes);
        EXPECT_FALSE(opened) << "accepted damaged data of " << bytes.size() << " bytes";
    }
    EXPECT_TRUE(protection->unprotect(good));
}

TEST_F(ProtectionTest, AnotherKeyCannotUnprotect) {
    auto sealed = makeSystemProtection()->protect(passwordField(), u"psw");
    ASSERT_TRUE(sealed);
    useConfig(root / "other");
    auto other = makeSystemProtection();
    ASSERT_TRUE(other->protect("make the other key", u"psw"));
    auto opened = other->unprotect(sealed.value());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().code, ErrorCode::Format);
}

TEST_F(ProtectionTest, KeyIsPrivateAndMadeOnlyByProtect) {
    // Unprotecting cannot succeed without a key, and must not leave one behind.
    std::string fake(100, '\x55');
    auto opened = makeSystemProtection()->unprotect(fake);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().code, ErrorCode::NotFound);
    EXPECT_FALSE(fs::exists(keyPath()));

    ASSERT_TRUE(makeSystemProtection()->protect("x", u"psw"));
    struct stat st {};
    ASSERT_EQ(::stat(keyPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_size, 32);
    ASSERT_EQ(::stat(keyPath().parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    // Only the key itself is left in the directory, no temporary files.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(keyPath().parent_path()), fs::directory_iterator()),
        1);
}

TEST_F(ProtectionTest, DamagedKeyFileIsReportedAndKept) {
    fs::create_directories(keyPath().parent_path());
    { std::ofstream(keyPath()) << "short"; }
    auto sealed = makeSystemProtection()->protect("x", u"psw");
    ASSERT_FALSE(sealed);
    EXPECT_EQ(sealed.error().code, ErrorCode::Format);
    EXPECT_EQ(fs::file_size(keyPath()), 5u);  // never silently replaced: old blobs need it
}

TEST_F(ProtectionTest, RacingFirstUsesEndWithOneKey) {
    constexpr int kRacers = 8;
    std::vector<std::string> sealed(kRacers);
    std::vector<char> ok(kRacers);  // not vector<bool>: racers write their own element
    {
        std::vector<std::jthread> racers;
        for (int i = 0; i < kRacers; ++i)
            racers.emplace_back([&, i] {
                auto result = makeSystemProtection()->protect("racer " + std::to_string(i), u"psw");
                ok[i] = result.ok();
                if (result) sealed[i] = result.value();
            });
    }
    auto reader = makeSystemProtection();
    for (int i = 0; i < kRacers; ++i) {
        ASSERT_TRUE(ok[i]) << "racer " << i;
        auto opened = reader->unprotect(sealed[i]);
        ASSERT_TRUE(opened) << "racer " << i << " used a key that did not survive";
        EXPECT_EQ(opened.value(), "racer " + std::to_string(i));
    }
}

TEST_F(ProtectionTest, RelativeConfigHomeFallsBackToHome) {
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    auto sealed = makeSystemProtection()->protect("x", u"psw");
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
    ASSERT_TRUE(sealed) << sealed.error().detail;
    EXPECT_TRUE(fs::exists(root / ".config" / "korvan3389" / "protection.key"));
}

}  // namespace
}  // namespace korvan
