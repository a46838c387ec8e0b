// show, add, set, decode, encode: Remote.db in and out.
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "cli/context.h"
#include "core/app/gbk.h"
#include "core/app/paths.h"
#include "core/app/texts.h"
#include "core/editing/host_validation.h"
#include "core/store/config_document.h"
#include "core/store/text_cipher.h"
#include "core/store/text_rules.h"

namespace korvan::cli {
namespace {

std::string utf8(std::string_view gbkText) { return gbkToUtf8Lenient(gbkText); }

int show(Context& context, bool json, bool passwords) {
    auto db = context.load(true);
    if (!db) return fail(db.error().detail);
    auto& d = db.value();
    if (json) {
        nlohmann::ordered_json settings = nlohmann::ordered_json::object();
        for (const auto& f : storedFields()) settings[std::string(f.name)] = utf8(d.settings.*(f.member));
        nlohmann::ordered_json hosts = nlohmann::ordered_json::array();
        for (int r = 0; r < d.hosts.rowCount(); ++r) {
            nlohmann::ordered_json h;
            h["note"] = utf8(d.hosts.cellText(r, kColumnNote));
            h["address"] = utf8(d.hosts.cellText(r, kColumnAddress));
            h["user"] = utf8(d.hosts.cellText(r, kColumnUser));
            if (passwords) h["password"] = utf8(d.hosts.cellText(r, kColumnPassword));
            hosts.push_back(std::move(h));
        }
        nlohmann::ordered_json out;
        out["settings"] = std::move(settings);
        out["hosts"] = std::move(hosts);
        std::cout << out.dump(2) << '\n';
        return 0;
    }
    std::cout << "database: " << pathToUtf8(d.path) << (d.report.fileFound ? "" : " (not there yet)")
              << '\n';
    for (const auto& f : storedFields()) {
        std::string name(f.name);
        name.resize(18, ' ');
        std::cout << name << utf8(d.settings.*(f.member)) << '\n';
    }
    std::cout << '\n';
    for (int r = 0; r < d.hosts.rowCount(); ++r) {
        std::cout << r + 1 << '\t' << utf8(d.hosts.cellText(r, kColumnNote)) << '\t'
                  << utf8(d.hosts.cellText(r, kColumnAddress)) << '\t'
                  << utf8(d.hosts.cellText(r, kColumnUser));
        if (passwords) std::cout << '\t' << utf8(d.hosts.cellText(r, kColumnPassword));
        std::cout << '\n';
    }
    return 0;
}

int save(Context::Database& d) {
    auto saved = d.store->save(d.settings, d.hosts);
    if (!saved) return fail("cannot save " + pathToUtf8(d.path) + ": " + saved.error().detail);
    return 0;
}

struct AddArgs {
    std::string note, address, user, password;
};

int add(Context& context, const AddArgs& args) {
    auto note = argumentToGbk(args.note, "the note");
    auto address = argumentToGbk(args.address, "the address");
    auto user = argumentToGbk(args.user, "the user name");
    auto password = argumentToGbk(args.password, "the password");
    if (!note || !address || !user || !password) return 1;
    if (auto refusal = refuseHost({*note, *address, *user, *password}))
        return fail(std::string(textUtf8(*refusal)));
    auto db = context.load(false);
    if (!db) return fail(db.error().detail);
    auto& d = db.value();
    int row = d.hosts.appendRow();
    d.hosts.setCellText(row, kColumnNote, *note);
    d.hosts.setCellText(row, kColumnAddress, *address);
    d.hosts.setCellText(row, kColumnUser, *user);
    d.hosts.setCellText(row, kColumnStatus, text(TextId::StatusChecking));
    d.hosts.setCellText(row, kColumnPassword, *password);
    return save(d);
}

// The values the parameters dialog and the password menu can produce.
std::optional<std::string> refuseSetting(std::string_view field, const std::string& value) {
    auto oneOf = [&](std::initializer_list<std::string_view> allowed) -> std::optional<std::string> {
        for (auto a : allowed)
            if (value == a) return std::nullopt;
        std::string list;
        for (auto a : allowed) list += (list.empty() ? "" : ", ") + std::string(a.empty() ? "\"\"" : a);
        return std::string(field) + " must be one of " + list;
    };
    auto atLeast = [&](double minimum) -> std::optional<std::string> {
        if (value.empty() || value == " ") return std::string(field) + " must not be empty";
        if (textToNumber(value) < minimum - 1e-7)
            return std::string(field) + " must be at least " + std::to_string(static_cast<int>(minimum));
        return std::nullopt;
    };
    if (field == "desktopWidth") return atLeast(640);
    if (field == "desktopHeight") return atLeast(480);
    if (field == "screenMode") return oneOf({"1", "2"});
    if (field == "colourDepth") return oneOf({"15", "16", "24", "32"});
    if (field == "keyboardMode") return oneOf({"0", "1", "2"});
    if (field == "driveMapping") return oneOf({"0", "*"});
    if (field == "audioMode") return oneOf({"0", "1", "2"});
    if (field == "sessionSwitch") return oneOf({"console", "Console", "Admin"});
    if (field == "startupAuth") return oneOf({"0", "1"});
    if (field == "skin") return oneOf({"", "经典", "Win8"});
    if (field == "hostCount") return std::string("hostCount is the number of hosts, counted at each save");
    return std::nullopt;
}

int set(Context& context, const std::string& field, const std::string& value) {
    const StoredField* stored = findStoredField(field);
    if (!stored) {
        std::string names;
        for (const auto& f : storedFields()) names += (names.empty() ? "" : ", ") + std::string(f.name);
        return fail("unknown field \"" + field + "\"; the fields are " + names);
    }
    if (auto refusal = refuseSetting(field, value)) return fail(*refusal);
    auto gbkValue = argumentToGbk(value, "the value");
    if (!gbkValue) return 1;
    auto db = context.load(false);
    if (!db) return fail(db.error().detail);
    db.value().settings.*(stored->member) = *gbkValue;
    return save(db.value());
}

int decode(Context& context, const std::string& file) {
    auto bytes = context.files().readAll(pathFromUtf8(file));
    if (!bytes) return fail(bytes.error().detail);
    std::string_view cipher = bytes.value();
    cipher = cipher.substr(0, cipher.find('\0'));
    std::string plain = TextCipher::decipher(cipher, ConfigStore::kKey);
    ConfigDocument doc;
    if (!doc.parse(plain)) return fail(file + " does not decipher to a readable document");
    std::cout << utf8(plain) << '\n';
    return 0;
}

int encode(Context& context, const std::string& out) {
    std::string input{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    if (input.size() >= 3 && input.compare(0, 3, "\xEF\xBB\xBF") == 0) input.erase(0, 3);
    // The stored document never ends in a line end; the one decode prints,
    // or an editor adds, is dropped so that decode | encode gives the file back.
    while (!input.empty() && (input.back() == '\n' || input.back() == '\r')) input.pop_back();
    auto gbkText = utf8ToGbk(input);
    if (!gbkText) return fail("standard input is not UTF-8 text that GBK can hold");
    if (gbkText->find('\0') != std::string::npos) return fail("standard input holds a zero byte");
    ConfigDocument doc;
    if (!doc.parse(*gbkText)) return fail("standard input is not a readable document");
    std::string cipher = TextCipher::encipher(*gbkText, ConfigStore::kKey);
    if (out.empty()) {
        std::cout << cipher;
        return 0;
    }
    auto written = context.files().replaceAtomically(pathFromUtf8(out), cipher);
    if (!written) return fail(written.error().detail);
    return 0;
}

}  // namespace

void addStoreCommands(CLI::App& app, Context& context) {
    {
        auto* cmd = app.add_subcommand("show", "print the settings and the hosts");
        context.addDbOption(*cmd);
        static bool json = false, passwords = false;
        cmd->add_flag("--json", json, "one JSON object");
        cmd->add_flag("--passwords", passwords, "include the passwords");
        cmd->callback([&context] { context.exitCode = show(context, json, passwords); });
    }
    {
        auto* cmd = app.add_subcommand("add", "append a host and save");
        context.addDbOption(*cmd);
        static AddArgs args;
        cmd->add_option("--note", args.note, "note")->required();
        cmd->add_option("--address", args.address, "address, host or host:port")->required();
        cmd->add_option("--user", args.user, "user name")->required();
        cmd->add_option("--password", args.password, "password")->required();
        cmd->callback([&context] { context.exitCode = add(context, args); });
    }
    {
        auto* cmd = app.add_subcommand("set", "set one stored setting and save");
        context.addDbOption(*cmd);
        static std::string field, value;
        cmd->add_option("FIELD", field, "field name, e.g. desktopWidth")->required();
        cmd->add_option("VALUE", value, "new value")->required();
        cmd->callback([&context] { context.exitCode = set(context, field, value); });
    }
    {
        auto* cmd = app.add_subcommand("decode", "print the document inside an enciphered file");
        static std::string file;
        cmd->add_option("FILE", file, "enciphered file")->required();
        cmd->callback([&context] { context.exitCode = decode(context, file); });
    }
    {
        auto* cmd = app.add_subcommand("encode", "encipher a document read from standard input");
        static std::string out;
        cmd->add_option("--out", out, "file to write (default: standard output)");
        cmd->callback([&context] { context.exitCode = encode(context, out); });
    }
}

}  // namespace korvan::cli
