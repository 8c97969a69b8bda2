#pragma once
// A checker for the part of JSON Schema (2020-12) that
// docs/tavrin-cli.schema.json uses: type, const, enum, required,
// properties, additionalProperties, items, minimum, maximum and local $ref.
// A keyword it does not know is itself an error, so the schema cannot come
// to rely on something nothing checks.

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

namespace tavrin::test {

class JsonSchema {
public:
    explicit JsonSchema(nlohmann::json schema) : root_(std::move(schema)) {}

    // Every fault found, each with its place ("/items/msr.enable/value").
    std::vector<std::string> check(const nlohmann::json& doc) const {
        std::vector<std::string> faults;
        check(root_, doc, "", faults);
        return faults;
    }

private:
    static bool isType(const nlohmann::json& v, const std::string& type) {
        if (type == "object")
            return v.is_object();
        if (type == "array")
            return v.is_array();
        if (type == "string")
            return v.is_string();
        if (type == "integer")
            return v.is_number_integer();
        if (type == "number")
            return v.is_number();
        if (type == "boolean")
            return v.is_boolean();
        if (type == "null")
            return v.is_null();
        return false;
    }

    const nlohmann::json& resolve(const std::string& ref, std::vector<std::string>& faults) const {
        static const nlohmann::json nothing = nlohmann::json::object();
        const std::string prefix = "#/$defs/";
        if (ref.rfind(prefix, 0) != 0 || !root_.contains("$defs") ||
            !root_["$defs"].contains(ref.substr(prefix.size()))) {
            faults.push_back("unresolved $ref " + ref);
            return nothing;
        }
        return root_["$defs"][ref.substr(prefix.size())];
    }

    void check(const nlohmann::json& s, const nlohmann::json& v, const std::string& at,
               std::vector<std::string>& faults) const {
        static const std::set<std::string> annotations{"$schema", "$id", "title", "description",
                                                       "$defs"};
        for (const auto& [keyword, value] : s.items()) {
            const std::string where = (at.empty() ? "/" : at) + ": ";
            if (annotations.contains(keyword)) {
                continue;
            } else if (keyword == "$ref") {
                check(resolve(value.get<std::string>(), faults), v, at, faults);
            } else if (keyword == "type") {
                if (!isType(v, value.get<std::string>())) {
                    faults.push_back(where + "not of type " + value.get<std::string>());
                }
            } else if (keyword == "const") {
                if (v != value) {
                    faults.push_back(where + v.dump() + " is not " + value.dump());
                }
            } else if (keyword == "enum") {
                if (std::find(value.begin(), value.end(), v) == value.end()) {
                    faults.push_back(where + v.dump() + " is none of " + value.dump());
                }
            } else if (keyword == "minimum" || keyword == "maximum") {
                const bool min = keyword == "minimum";
                if (v.is_number() && (min ? v < value : v > value)) {
                    faults.push_back(where + v.dump() + " is out of range");
                }
            } else if (keyword == "required") {
                for (const auto& name : value) {
                    if (v.is_object() && !v.contains(name.get<std::string>())) {
                        faults.push_back(where + "lacks " + name.get<std::string>());
                    }
                }
            } else if (keyword == "properties") {
                for (const auto& [name, sub] : value.items()) {
                    if (v.is_object() && v.contains(name)) {
                        check(sub, v[name], at + "/" + name, faults);
                    }
                }
            } else if (keyword == "additionalProperties") {
                if (!v.is_object()) {
                    continue;
                }
                const nlohmann::json known = s.value("properties", nlohmann::json::object());
                for (const auto& [name, member] : v.items()) {
                    if (known.contains(name)) {
                        continue;
                    }
                    if (value.is_boolean()) {
                        if (!value.get<bool>()) {
                            faults.push_back(where + "unexpected member " + name);
                        }
                    } else {
                        check(value, member, at + "/" + name, faults);
                    }
                }
            } else if (keyword == "items") {
                if (v.is_array()) {
                    for (std::size_t i = 0; i < v.size(); ++i) {
                        check(value, v[i], at + "/" + std::to_string(i), faults);
                    }
                }
            } else {
                faults.push_back("the checker does not know the keyword " + keyword);
            }
        }
    }

    nlohmann::json root_;
};

}  // namespace tavrin::test
