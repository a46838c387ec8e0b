// Remote.db files as they lie on disk, beside what loading them must give.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "core/app/gbk.h"
#include "core/ports/files.h"
#include "core/store/config_store.h"

namespace korvan {
namespace {

const std::filesystem::path kCases = std::filesystem::path(KORVAN_TEST_DATA) / "store";

TEST(ConfigFiles, EveryCaseLoadsAsExpected) {
    auto files = makeSystemFiles();
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kCases)) {
        if (!entry.is_directory()) continue;
        ++cases;
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path() / "expected.json");
        ASSERT_TRUE(in) << name;
        auto expected = nlohmann::json::parse(in);

        SessionSettings settings;
        settings.applyDefaults();
        HostList hosts;
        LoadReport report = ConfigStore(*files, entry.path() / "Remote.db").load(settings, hosts);
        EXPECT_TRUE(report.fileFound) << name;
        EXPECT_EQ(report.documentRead, !expected.value("unreadable", false)) << name;

        for (const auto& f : storedFields()) {
            EXPECT_EQ(gbkToUtf8(settings.*(f.member)),
                      expected["settings"][std::string(f.name)].get<std::string>())
                << name << ": " << f.name;
        }
        const auto& rows = expected["hosts"];
        ASSERT_EQ(hosts.rowCount(), static_cast<int>(rows.size())) << name;
        for (int r = 0; r < hosts.rowCount(); ++r) {
            const auto& row = rows[static_cast<size_t>(r)];
            EXPECT_EQ(gbkToUtf8(hosts.cellText(r, kColumnNote)), row["note"].get<std::string>()) << name;
            EXPECT_EQ(gbkToUtf8(hosts.cellText(r, kColumnAddress)), row["address"].get<std::string>()) << name;
            EXPECT_EQ(gbkToUtf8(hosts.cellText(r, kColumnUser)), row["user"].get<std::string>()) << name;
            EXPECT_EQ(gbkToUtf8(hosts.cellText(r, kColumnPassword)), row["password"].get<std::string>()) << name;
        }
    }
    EXPECT_GE(cases, 4);
}

TEST(ConfigFiles, SavingTheWorkedExampleGivesItsBytesBack) {
    auto files = makeSystemFiles();
    const auto original = kCases / "worked_example" / "Remote.db";
    SessionSettings settings;
    settings.applyDefaults();
    HostList hosts;
    ConfigStore(*files, original).load(settings, hosts);
    auto copy = std::filesystem::temp_directory_path() / "korvan-worked-example.db";
    ASSERT_TRUE(ConfigStore(*files, copy).save(settings, hosts));
    EXPECT_EQ(files->readAll(copy).value(), files->readAll(original).value());
    std::filesystem::remove(copy);
}

}  // namespace
}  // namespace korvan
