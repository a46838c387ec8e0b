#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/ports/registry.h"

namespace korvan::testing {

// Registry values in memory, keyed by (key path, value name). A value that
// is present but not a number stands for a value of another type.
class FakeRegistry : public Registry {
public:
    struct Value {
        bool isDword = true;
        uint32_t number = 0;
        bool operator==(const Value&) const = default;
    };
    using Name = std::pair<std::string, std::string>;  // key path, value name

    std::map<Name, Value> values;
    std::vector<Name> queries;  // every valueExists(), in order
    std::vector<Name> writes;   // every writeDword(), in order, failed ones too
    bool failWrites = false;

    bool valueExists(std::string_view keyPath, std::string_view valueName) override {
        queries.emplace_back(std::string(keyPath), std::string(valueName));
        return values.count(queries.back()) > 0;
    }

    bool writeDword(std::string_view keyPath, std::string_view valueName, uint32_t value) override {
        writes.emplace_back(std::string(keyPath), std::string(valueName));
        if (failWrites) return false;
        values[writes.back()] = Value{true, value};
        return true;
    }
};

}  // namespace korvan::testing
