// apply, and diff and --verify by the image bytes each item holds, against
// the simulated keyboard on a virtual clock; and --json: every command's
// document against docs/tavrin-cli.schema.json, with a checker for the part
// of JSON Schema the schema uses.

#include <chrono>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "cli/backups.h"
#include "cli/json_report.h"
#include "cli_schema_text.h"
#include "support/cli_run.h"
#include "support/json_schema.h"

namespace tavrin::cli {
namespace {

using nlohmann::json;

// The data port as a test double: the read request is all it may see.
struct ReadOnlyPort {
    static constexpr std::uint8_t kRead[] = {0xE7, 0x55, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6};
    std::size_t seen = 0;
    void attach(CliOptions& options) {
        options.simulator.wireLog = [this](platform::Micros, std::uint8_t byte) {
            const bool readRequest = seen < sizeof kRead && byte == kRead[seen];
            if (!readRequest) {
                ADD_FAILURE() << "byte " << std::hex << int(byte) << " sent after " << std::dec
                              << seen << " bytes of the read request";
            }
            ++seen;
        };
    }
};

class CliApply : public test::SimKeyboardTest {
protected:
    void SetUp() override {
        SimKeyboardTest::SetUp();
        dir.write("factory.bin", factoryFile());
        ASSERT_EQ(run({"convert", dir.file("factory.bin"), dir.file("till.json")}).status, kExitOk);
    }
    std::vector<std::string> apply(const std::vector<std::string>& extra = {}) {
        return sim(
            joined({"apply", "--backup-dir", dir.file("backups"), dir.file("till.json")}, extra));
    }
    std::vector<std::string> backups() {
        std::vector<std::string> names = backupFolderNames(dir.file("backups"));
        std::sort(names.begin(), names.end());
        return names;
    }
};

// The keyboard of the report: bytes 2-3 from 85 FF to 00 00 and 9-10 from
// 2A 2A to 00 00; start and stop code show "*" for both.
TEST_F(CliApply, DiffAndVerifySeeBytesWhoseTextsMatch) {
    dir.write("k.bin", factoryFile({{2, 0}, {3, 0}, {9, 0}, {10, 0}}));
    CliRun d = run(sim({"diff", dir.file("till.json"), "keyboard"}));
    EXPECT_EQ(d.status, kExitFailed);
    EXPECT_THAT(d.out, HasSubstr("\n19\tcode39.start_code\tStart Code\t*\t*\t2A\t00\n"
                                 "20\tcode39.stop_code\tStop Code\t*\t*\t2A\t00\n"));
    EXPECT_THAT(d.out,
                StartsWith("4\tcommon.buzzer\tSound Buzzer When Good Read\tYES\tNO\t85\t00\n"));

    dir.write("k.bin", factoryFile({{9, 0}, {10, 0}}));
    d = run(sim({"diff", "keyboard", dir.file("till.json")}));
    EXPECT_EQ(d.status, kExitFailed);
    EXPECT_EQ(d.out,
              "19\tcode39.start_code\tStart Code\t*\t*\t00\t2A\n"
              "20\tcode39.stop_code\tStop Code\t*\t*\t00\t2A\n");

    // A keyboard that drops the start and stop code frames keeps 00 00.
    CliOptions lossy;
    lossy.simulator.keyboard.lostFrames = {0x0A, 0x0B};
    CliRun verify = run(sim({"write", "--verify", dir.file("till.json")}), lossy);
    EXPECT_EQ(verify.status, kExitFailed);
    EXPECT_THAT(verify.err, HasSubstr("--verify: 2 item(s) read back other than as written"));
    EXPECT_THAT(verify.err, HasSubstr("\n19\tcode39.start_code\tStart Code\t*\t*\t2A\t00\n"));
    CliRun good = run(sim({"write", "--verify", dir.file("till.json")}));
    EXPECT_EQ(good.status, kExitOk) << good.err;
}

TEST_F(CliApply, WritesOnlyWhatDiffersThenNothing) {
    dir.write("k.bin", factoryFile({{40, 0x42}, {9, 0}, {38, 0x77}}));
    const auto before = dir.read("k.bin");
    CliRun first = run(apply());
    ASSERT_EQ(first.status, kExitOk) << first.err;
    EXPECT_EQ(first.out,
              "changed 2 item(s) (number, key, caption, old, new, old bytes, new bytes)\n"
              "3\tcommon.key_delay_ms\tTime Delay Of Key Storkes (ms)\t42\t5\t42\t05\n"
              "19\tcode39.start_code\tStart Code\t*\t*\t00\t2A\n"
              "byte\t38\t(no write sets it)\t77\t00\n");
    EXPECT_THAT(first.err, HasSubstr("verified: every item reads back as written"));
    EXPECT_GT(wireBytes(), 300u);
    EXPECT_EQ(run(sim({"diff", dir.file("factory.bin"), "keyboard"})).out,
              "byte\t38\t(shown by no item)\t00\t77\n");

    // The backup holds the keyboard as it was.
    ASSERT_EQ(backups().size(), 1u);
    const std::string backup = backupPath(dir.file("backups"), backups()[0]);
    EXPECT_THAT(first.err, HasSubstr("saved in " + backup));
    ASSERT_EQ(run({"convert", backup, dir.file("backup.bin")}).status, kExitOk);
    EXPECT_EQ(dir.read("backup.bin"), before);

    CliRun second = run(apply());
    EXPECT_EQ(second.status, kExitOk) << second.err;
    EXPECT_EQ(second.out, "unchanged\nbyte\t38\t(no write sets it)\t77\t00\n");
    EXPECT_EQ(wireBytes(), sizeof ReadOnlyPort::kRead);  // the read request alone
    EXPECT_EQ(backups().size(), 1u);
}

TEST_F(CliApply, CheckComparesAndSendsNoSetting) {
    dir.write("k.bin", factoryFile({{49, 0x1F}, {71, 0x64}}));
    const auto before = dir.read("k.bin");
    CliOptions options;
    ReadOnlyPort port;
    port.attach(options);
    CliRun check = run(apply({"--check"}), options);
    EXPECT_EQ(check.status, kExitOk) << check.err;
    EXPECT_THAT(check.out, StartsWith("would change 3 item(s)"));
    EXPECT_THAT(check.out, HasSubstr("\n67\tmsr.track1.preamble\tMSR Preamble Of Track 1\t<64>\t"));
    EXPECT_THAT(check.out, HasSubstr("\n79\tmode\tScan Codes (SCAN SET 2)\tYES\tNO\t1F\t07\n"));
    EXPECT_EQ(port.seen, sizeof ReadOnlyPort::kRead);
    EXPECT_EQ(dir.read("k.bin"), before);
    EXPECT_TRUE(backups().empty());
}

TEST_F(CliApply, FailuresSayWhyAndWriteNothing) {
    dir.write("k.bin", factoryFile({{40, 0x42}}));
    const auto before = dir.read("k.bin");
    std::string profile = test::textOf(dir.read("till.json"));
    profile.replace(profile.find("\"common.buzzer\""), 15, "\"common.buzzed\"");
    dir.write("bad.json", std::vector<std::uint8_t>(profile.begin(), profile.end()));
    dir.write("backups-file", {1});

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"apply", "--backup-dir", dir.file("b"), dir.file("bad.json")},
         "Line 9: unknown item key \"common.buzzed\""},
        {{"apply", "--backup-dir", dir.file("b"), dir.file("missing.json")}, "File not found!"},
        {{"apply", "--backup-dir", dir.file("backups-file/b"), dir.file("till.json")},
         "cannot make the backup folder"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        CliRun failed = run(sim(args));
        EXPECT_EQ(failed.status, kExitFailed);
        EXPECT_THAT(failed.err, HasSubstr(message));
        EXPECT_EQ(failed.out.substr(failed.out.rfind("failed")), "failed\n");
        EXPECT_EQ(dir.read("k.bin"), before);
        EXPECT_LE(wireBytes(), sizeof ReadOnlyPort::kRead);
    }

    CliOptions lossy;
    lossy.simulator.keyboard.lostFrames = {0x4A};  // item 3's frame
    CliRun lost = run(apply(), lossy);
    EXPECT_EQ(lost.status, kExitFailed);
    EXPECT_THAT(lost.err,
                HasSubstr("\n3\tcommon.key_delay_ms\tTime Delay Of Key Storkes (ms)\t5\t42"));
    EXPECT_EQ(lost.out, "failed\n");
}

TEST_F(CliApply, BackupsAreNamedByTimeNeverOverwrittenAndBounded) {
    CliOptions options;
    const auto when = std::chrono::sys_days{std::chrono::year{2024} / 1 / 31} +
                      std::chrono::hours{14} + std::chrono::minutes{25} + std::chrono::seconds{1};
    options.wallClock = [when] { return when; };
    std::filesystem::create_directories(dir.file("backups"));
    for (int day = 1; day <= 21; ++day) {
        const auto old = std::chrono::sys_days{std::chrono::year{2023} / 12 / day};
        dir.write("backups/" + backupName(old, 0), {'{', '}'});
    }
    dir.write("backups/notes.txt", {'x'});
    dir.write("backups/tavrin-20240131T142501Z.json", {'{', '}'});  // taken this second
    dir.write("k.bin", factoryFile({{40, 0x42}}));
    ASSERT_EQ(run(apply(), options).status, kExitOk);

    const std::vector<std::string> kept = backups();
    EXPECT_EQ(kept.size(), kKeptBackups + 1);  // and notes.txt
    EXPECT_EQ(kept.front(), "notes.txt");
    EXPECT_EQ(kept[1], "tavrin-20231204T000000Z.json");  // 23 backups: the three oldest go
    EXPECT_EQ(kept.back(), "tavrin-20240131T142501Z.json");
    EXPECT_EQ(kept[kept.size() - 2], "tavrin-20240131T142501Z-1.json");
    EXPECT_EQ(test::textOf(dir.read("backups/tavrin-20240131T142501Z.json")), "{}");
}

TEST(CliBackups, NamesSortByTimeAndOnlyBackupsArePruned) {
    const auto t = std::chrono::sys_days{std::chrono::year{2025} / 3 / 9} + std::chrono::hours{8};
    EXPECT_EQ(backupName(t, 0), "tavrin-20250309T080000Z.json");
    EXPECT_EQ(backupName(t, 12), "tavrin-20250309T080000Z-12.json");
    const std::vector<std::string> names{"tavrin-20250309T080000Z-2.json",
                                         "tavrin-20250309T080000Z.json",
                                         "tavrin-20250309T080000Z-10.json",
                                         "tavrin-20240101T000000Z.json",
                                         "tavrin-x.json",
                                         "other.json"};
    EXPECT_EQ(backupsToPrune(names, 2), (std::vector<std::string>{"tavrin-20240101T000000Z.json",
                                                                  "tavrin-20250309T080000Z.json"}));
    EXPECT_TRUE(backupsToPrune(names, 4).empty());
#ifdef _WIN32
    EXPECT_EQ(defaultBackupFolder("D:\\Data"), "D:\\Data\\Tavrin\\backups");
    EXPECT_EQ(defaultBackupFolder(""), "C:\\ProgramData\\Tavrin\\backups");
#else
    EXPECT_EQ(defaultBackupFolder("ignored"), "/var/lib/tavrin/backups");
#endif
}

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
        const json doc = json::parse(r.out, nullptr, false);
        if (doc.is_discarded()) {
            ADD_FAILURE() << "not one JSON document:\n" << r.out;
            return json();
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
    const std::string t = dir.file("t.json"), backup = dir.file("b.json");
    const std::vector<Case> cases{
        {{"show", t}, kExitOk, "ok", "items"},
        {{"read"}, kExitOk, "ok", "items"},
        {{"diff", t, "keyboard"}, kExitFailed, "different", "differences"},
        {{"doctor"}, kExitOk, "ok", "checks"},
        {{"apply", "--check", "--backup-dir", backups, t}, kExitOk, "would change", "differences"},
        {{"apply", "--backup-dir", backups, t}, kExitOk, "changed", "backup"},
        {{"apply", "--backup-dir", backups, t}, kExitOk, "unchanged", "unwritten_bytes"},
        {{"apply", dir.file("missing.json")}, kExitFailed, "failed", "command"},
        {{"write", "--verify", "--backup", backup, dir.file("s.bin")}, kExitOk, "ok", "verify"},
        {{"set", "--file", t, "msr.track2.enable=NO"}, kExitOk, "ok", "items"},
        {{"set", "--verify", "mode=scan"}, kExitOk, "ok", "verify"},
        {{"reset", "--verify"}, kExitOk, "ok", "verify"},
        {{"opos"}, kExitOk, "ok", "mode"},
        {{"convert", t, dir.file("t2.bin")}, kExitOk, "ok", "command"},
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
        {{"show", dir.file("nosig.bin")}, false},
        {{"write", dir.file("big.bin")}, false},
        {{"read"}, true},
        {{"set", "3=12"}, true},
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
    const auto apply = sim({"apply", "--backup-dir", dir.file("backups"), dir.file("t.json")});
    const CliRun r = run(apply);
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
    const json failed = document(run(apply, lossy));
    EXPECT_EQ(failed["outcome"], "failed");
    ASSERT_EQ(failed["verify"]["items"].size(), 1u);
    EXPECT_EQ(failed["verify"]["items"][0]["number"], 3);
}

}  // namespace
}  // namespace tavrin::cli
