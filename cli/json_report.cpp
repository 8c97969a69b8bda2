#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include "cli/cli_app.h"
#include "items/catalogue.h"

namespace tavrin::cli {

namespace {

using nlohmann::json;

json bytesJson(const std::vector<ui::ByteDifference>& bytes) {
    json list = json::array();
    for (const auto& byte : bytes) {
        list.push_back({{"address", byte.address}, {"a", byte.a}, {"b", byte.b}});
    }
    return list;
}

json comparisonJson(const Comparison& c) {
    json items = json::array();
    for (const auto& item : c.differences.items) {
        items.push_back({{"number", item.number},
                         {"key", item.key},
                         {"caption", item.caption},
                         {"a", item.a},
                         {"b", item.b},
                         {"bytes_a", item.bytesA},
                         {"bytes_b", item.bytesB}});
    }
    return {{"a", c.a}, {"b", c.b}, {"items", items}, {"bytes", bytesJson(c.differences.bytes)}};
}

std::string outcomeOf(const Report& report, int exitStatus) {
    if (!report.outcome.empty()) {
        return report.outcome;
    }
    if (exitStatus == kExitOk) {
        return "ok";
    }
    const bool differs =
        report.command == "diff" && report.comparison && !report.comparison->differences.empty();
    return differs ? "different" : "failed";
}

}  // namespace

std::string jsonDocument(const Report& report, int exitStatus) {
    json doc = {{"schema_version", kJsonSchemaVersion},
                {"command", report.command},
                {"outcome", outcomeOf(report, exitStatus)},
                {"exit_status", exitStatus}};
    if (report.settings) {
        json items = json::object();
        for (const auto& item : report.settings->items) {
            items[item.key] = {
                {"number", item.number}, {"caption", item.caption}, {"value", item.value}};
        }
        doc["mode"] = report.settings->mode;
        doc["items"] = items;
    }
    if (report.comparison) {
        doc["differences"] = comparisonJson(*report.comparison);
    }
    if (report.verify) {
        doc["verify"] = comparisonJson(*report.verify);
    }
    if (report.command == "apply") {
        doc["unwritten_bytes"] = bytesJson(report.unwritten);
    }
    if (report.checks) {
        json checks = json::array();
        for (const auto& check : *report.checks) {
            checks.push_back(
                {{"name", check.name}, {"passed", check.passed}, {"detail", check.detail}});
        }
        doc["checks"] = checks;
    }
    if (!report.backup.empty()) {
        doc["backup"] = report.backup;
    }
    // Values are UTF-8 already; anything else is replaced rather than thrown.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + '\n';
}

}  // namespace tavrin::cli
