#include "core/store/config_store.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>
#include <vector>

#include "core/app/gbk.h"
#include "core/store/text_cipher.h"
#include "core/store/text_rules.h"

namespace korvan {
namespace {

const std::string& rootName() {
    static const std::string name = gbk("主机参数");
    return name;
}

// Element names of the stored fields, in file order, as GBK.
const std::vector<std::string>& fieldElements() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const auto& f : storedFields()) out.push_back(gbk(f.element));
        return out;
    }();
    return names;
}

// Per-host elements; the number of the row (from 1) follows the prefix.
constexpr std::string_view kNotePrefix = "server_txt";
constexpr std::string_view kAddressPrefix = "IP";
constexpr std::string_view kUserPrefix = "username";
constexpr std::string_view kPasswordPrefix = "password";

// The row number of a per-host element name, written as the writer writes
// numbers (no sign, no leading zero), or 0.
long long hostNumber(std::string_view name) {
    for (auto prefix : {kNotePrefix, kAddressPrefix, kUserPrefix, kPasswordPrefix}) {
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
        std::string_view digits = name.substr(prefix.size());
        if (digits.front() == '0') return 0;
        long long n = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (ec == std::errc() && end == digits.data() + digits.size() && n > 0) return n;
    }
    return 0;
}

bool rowIsStored(const HostList& hosts, int row) {
    return !hosts.cellText(row, kColumnAddress).empty() && hosts.cellText(row, kColumnUser) != " ";
}

}  // namespace

ConfigStore::ConfigStore(Files& filesPort, std::filesystem::path path)
    : files(filesPort), file(std::move(path)) {}

std::string ConfigStore::documentText(const SessionSettings& settings, const HostList& hosts) {
    ConfigDocument doc;
    doc.reset(rootName());
    const auto& elements = fieldElements();
    auto fields = storedFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        // "Count" is always the number of rows the list has now.
        const bool isCount = fields[i].member == &SessionSettings::hostCount;
        doc.appendChild(rootName(), elements[i],
                        isCount ? std::to_string(hosts.rowCount()) : settings.*(fields[i].member));
    }
    for (int row = 0; row < hosts.rowCount(); ++row) {
        if (!rowIsStored(hosts, row)) continue;
        const std::string n = std::to_string(row + 1);
        doc.appendChild(rootName(), std::string(kNotePrefix) + n, hosts.cellText(row, kColumnNote));
        doc.appendChild(rootName(), std::string(kAddressPrefix) + n,
                        hosts.cellText(row, kColumnAddress));
        doc.appendChild(rootName(), std::string(kUserPrefix) + n, hosts.cellText(row, kColumnUser));
        doc.appendChild(rootName(), std::string(kPasswordPrefix) + n,
                        hosts.cellText(row, kColumnPassword));
    }
    return doc.toText();
}

LoadReport ConfigStore::applyDocument(std::string_view text, SessionSettings& settings,
                                      HostList& hosts) {
    LoadReport report;
    report.firstRow = hosts.rowCount();
    ConfigDocument doc;
    if (!doc.parse(text)) return report;
    report.documentRead = true;
    if (doc.root().name != rootName()) return report;  // every path lookup fails

    // First child of each name, as a path lookup finds it.
    std::unordered_map<std::string_view, const XmlNode*> first;
    std::vector<long long> numbers;
    for (const auto& child : doc.root().children) {
        if (first.emplace(child.name, &child).second) {
            if (long long n = hostNumber(child.name)) numbers.push_back(n);
        }
    }
    auto lookup = [&](const std::string& name) -> const std::string* {
        auto it = first.find(name);
        return it == first.end() ? nullptr : &it->second->text;
    };

    const auto& elements = fieldElements();
    auto fields = storedFields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (const std::string* value = lookup(elements[i])) settings.*(fields[i].member) = *value;

    // Hosts 1..Count. A missing element leaves its holder as the host before
    // it had it; a number without an address element adds no row. Only the
    // numbers that occur in the document can change anything, so a huge or
    // damaged Count costs nothing.
    const long long count = textToInteger(settings.hostCount);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::string note, address, user, password;
    for (long long i : numbers) {
        if (i > count) break;
        const std::string n = std::to_string(i);
        const std::string* ip = lookup(std::string(kAddressPrefix) + n);
        if (ip) address = *ip;
        if (auto* v = lookup(std::string(kUserPrefix) + n)) user = *v;
        if (auto* v = lookup(std::string(kPasswordPrefix) + n)) password = *v;
        if (auto* v = lookup(std::string(kNotePrefix) + n)) note = *v;
        if (!ip) continue;
        int row = hosts.appendRow();
        hosts.setCellText(row, kColumnNote, note);
        hosts.setCellText(row, kColumnAddress, address);
        hosts.setCellText(row, kColumnUser, user);
        hosts.setCellText(row, kColumnPassword, password);
        ++report.rowsAppended;
    }
    return report;
}

LoadReport ConfigStore::load(SessionSettings& settings, HostList& hosts) {
    auto bytes = files.readAll(file);
    if (!bytes) {
        LoadReport report;
        report.firstRow = hosts.rowCount();
        // A file that exists but cannot be read must not be replaced blindly.
        damagedOnDisk = bytes.error().code != ErrorCode::NotFound;
        return report;
    }
    std::string_view text = bytes.value();
    text = text.substr(0, text.find('\0'));
    LoadReport report = applyDocument(TextCipher::decipher(text, kKey), settings, hosts);
    report.fileFound = true;
    damagedOnDisk = !report.documentRead && !bytes.value().empty();
    return report;
}

Result<void> ConfigStore::keepDamagedCopy() {
    auto bytes = files.readAll(file);
    if (!bytes) {
        if (bytes.error().code == ErrorCode::NotFound) return {};
        return bytes.error();
    }
    // Never overwrite an earlier copy: Remote.db.bad, then Remote.db.bad2 ...
    for (int i = 1; i <= 1000; ++i) {
        auto copy = file;
        copy += i == 1 ? ".bad" : ".bad" + std::to_string(i);
        if (files.exists(copy)) continue;
        return files.replaceAtomically(copy, bytes.value());
    }
    return makeError(ErrorCode::Io, "no free name for a copy of the damaged file");
}

Result<void> ConfigStore::save(SessionSettings& settings, const HostList& hosts) {
    settings.hostCount = std::to_string(hosts.rowCount());
    if (damagedOnDisk) {
        if (auto kept = keepDamagedCopy(); !kept) {
            return makeError(kept.error().code,
                             "the damaged file could not be kept aside: " + kept.error().detail);
        }
        damagedOnDisk = false;
    }
    return files.replaceAtomically(file, TextCipher::encipher(documentText(settings, hosts), kKey));
}

}  // namespace korvan
