// --json: every command's document against docs/tavrin-cli.schema.json,
// with a checker for the part of JSON Schema the schema uses.

#include <functional>
#include <nlohmann/json.hpp>

#include "cli/json_report.h"
#include "cli_schema_text.h"
#include "support/cli_run.h"
#include "support/json_schema.h"

namespace tavrin::cli {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using test::CliRun;
using test::run;

const test::JsonSchema& schema() {
    static const test::JsonSchema s(json::parse(kCliSchemaText));
    return s;
}

TEST(JsonSchemaChecker, FindsEachKindOfFault) {
    const json good = {
        {"schema_version", 1}, {"command", "diff"}, {"outcome", "ok"}, {"exit_status", 0}};
    EXPECT_THAT(schema().check(good), IsEmpty());
    struct Case {
        const char* what;
        std::function<void(json&)> spoil;
        const char* fault;
    };
    const std::vector<Case> cases{
        {"const", [](json& d) { d["schema_version"] = 2; }, "is not 1"},
        {"enum", [](json& d) { d["outcome"] = "fine"; }, "is none of"},
        {"required", [](json& d) { d.erase("exit_status"); }, "lacks exit_status"},
        {"additional", [](json& d) { d["extra"] = true; }, "unexpected member extra"},
        {"type", [](json& d) { d["backup"] = 7; }, "not of type string"},
        {"$ref and items",
         [](json& d) {
             d["checks"] = json::array({{{"name", "x"}, {"passed", "yes"}, {"detail", ""}}});
         },
         "/checks/0/passed: not of type boolean"},
        {"maximum",
         [](json& d) {
             d["unwritten_bytes"] = json::array({{{"address", 128}, {"a", 0}, {"b", 1}}});
         },
         "128 is out of range"},
        {"additionalProperties as a schema",
         [](json& d) {
             d["items"] = {{"msr.enable", {{"number", 60}, {"caption", "c"}}}};
         },
         "/items/msr.enable: lacks value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        json doc = good;
        c.spoil(doc);
        EXPECT_THAT(::testing::PrintToString(schema().check(doc)), HasSubstr(c.fault));
    }
    const test::JsonSchema unknown(json{{"type", "object"}, {"patternProperties", json::object()}});
    EXPECT_THAT(::testing::PrintToString(unknown.check(good)), HasSubstr("does not know"));
}

class CliJson : public test::SimKeyboardTest {
protected:
    void SetUp() override {
        SimKeyboardTest::SetUp();
        dir.write("s.bin", test::factoryFile());
        dir.write("t.bin", test::factoryFile({{40, 0x42}}));
        ASSERT_EQ(run({"convert", dir.file("t.bin"), dir.file("t.json")}).status, kExitOk);
    }
    std::vector<std::string> sim(std::vector<std::string> args) const {
        args.insert(args.begin(),
                    {"--json", "--yes", "--simulate", "--sim-image", dir.file("k.bin")});
        return args;
    }
    // One document on stdout that the schema takes, with the exit status in it.
    json document(const CliRun& r) {
        json doc;
        try {
            doc = json::parse(r.out);
        } catch (const json::exception& e) {
            ADD_FAILURE() << e.what() << "\n" << r.out;
            return doc;
        }
        EXPECT_THAT(schema().check(doc), IsEmpty()) << r.out;
        EXPECT_EQ(doc.value("exit_status", -1), r.status);
        EXPECT_EQ(doc.value("schema_version", 0), kJsonSchemaVersion);
        return doc;
    }
};

TEST_F(CliJson, EveryCommandPrintsOneDocumentTheSchemaTakes) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* outcome;
        const char* member;  // one the document must hold
    };
    const std::string backups = dir.file("backups");
    const std::vector<Case> cases{
        {{"show", dir.file("t.json")}, kExitOk, "ok", "items"},
        {{"read"}, kExitOk, "ok", "items"},
        {{"diff", dir.file("t.json"), "keyboard"}, kExitFailed, "different", "differences"},
        {{"doctor"}, kExitOk, "ok", "checks"},
        {{"apply", "--check", "--backup-dir", backups, dir.file("t.json")},
         kExitOk,
         "would change",
         "differences"},
        {{"apply", "--backup-dir", backups, dir.file("t.json")}, kExitOk, "changed", "backup"},
        {{"apply", "--backup-dir", backups, dir.file("t.json")},
         kExitOk,
         "unchanged",
         "unwritten_bytes"},
        {{"apply", dir.file("missing.json")}, kExitFailed, "failed", "command"},
        {{"write", "--verify", "--backup", dir.file("b.json"), dir.file("s.bin")},
         kExitOk,
         "ok",
         "verify"},
        {{"set", "--file", dir.file("t.json"), "msr.track2.enable=NO"}, kExitOk, "ok", "items"},
        {{"set", "--verify", "mode=scan"}, kExitOk, "ok", "verify"},
        {{"reset", "--verify"}, kExitOk, "ok", "verify"},
        {{"opos"}, kExitOk, "ok", "mode"},
        {{"convert", dir.file("t.json"), dir.file("t2.bin")}, kExitOk, "ok", "command"},
        {{"show", dir.file("missing.bin")}, kExitFailed, "failed", "command"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        const CliRun r = run(sim(c.args));
        EXPECT_EQ(r.status, c.status) << r.err;
        const json doc = document(r);
        EXPECT_EQ(doc.value("command", ""), c.args.front());
        EXPECT_EQ(doc.value("outcome", ""), c.outcome);
        EXPECT_TRUE(doc.contains(c.member)) << r.out;
        if (c.status != kExitOk) {
            EXPECT_FALSE(doc.contains("items")) << r.out;
        }
    }
}

// A command that failed lists no items: what the window holds then is no
// file's and no keyboard's.
TEST_F(CliJson, AFailedCommandListsNoItems) {
    std::vector<std::uint8_t> bytes = dir.read("s.bin");
    bytes[4 * 40 + 1] = 0x12;  // 0x1234 at address 40
    dir.write("big.bin", bytes);
    bytes[0] = 0x54;
    dir.write("nosig.bin", bytes);
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    const std::vector<std::pair<std::vector<std::string>, bool>> cases{
        {{"show", dir.file("nosig.bin")}, false},  {{"write", dir.file("big.bin")}, false},
        {{"read"}, true},                          {{"set", "3=12"}, true},
        {{"--sim-image", dir.file("garbage"), "read"}, false},
    };
    for (const auto& [args, silent] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        CliOptions options;
        options.simulator.keyboard.silent = silent;
        std::vector<std::string> all = sim(args);
        if (args.front() == "--sim-image") {
            all.erase(all.begin() + 3, all.begin() + 5);  // this image in place of k.bin
        }
        const json doc = document(run(all, options));
        EXPECT_EQ(doc.value("outcome", ""), "failed");
        EXPECT_FALSE(doc.contains("items"));
    }
}

TEST_F(CliJson, ApplyReportsItsChangesAndItemsByKey) {
    const CliRun r = run(sim({"apply", "--backup-dir", dir.file("backups"), dir.file("t.json")}));
    const json doc = document(r);
    ASSERT_EQ(doc["differences"]["items"].size(), 1u);
    const json& change = doc["differences"]["items"][0];
    EXPECT_EQ(change["key"], "common.key_delay_ms");
    EXPECT_EQ(change["a"], "5");
    EXPECT_EQ(change["b"], "42");
    EXPECT_EQ(change["bytes_b"], "42");
    EXPECT_EQ(doc["items"]["common.key_delay_ms"]["value"], "42");
    EXPECT_EQ(doc["items"]["msr.track2.enable"]["number"], 63);
    EXPECT_EQ(doc["mode"], "characters");
    EXPECT_THAT(doc["backup"].get<std::string>(), HasSubstr("tavrin-"));
    // Messages stay on stderr.
    EXPECT_THAT(r.err, HasSubstr("Message: Write to EEPROM Successful!"));
    EXPECT_THAT(r.out, ::testing::Not(HasSubstr("Message:")));

    CliOptions lossy;
    lossy.simulator.keyboard.lostFrames = {0x4A};
    dir.write("k.bin", dir.read("s.bin"));
    const json failed = document(
        run(sim({"apply", "--backup-dir", dir.file("backups"), dir.file("t.json")}), lossy));
    EXPECT_EQ(failed["outcome"], "failed");
    ASSERT_EQ(failed["verify"]["items"].size(), 1u);
    EXPECT_EQ(failed["verify"]["items"][0]["number"], 3);
}

}  // namespace
}  // namespace tavrin::cli
