// What tavrin-cli says when it refuses or a save fails, on POSIX files: the
// reasons, what saves do to links, modes and planted names, and the
// simulated keyboard's image, refused and kept unless absent or 512 bytes of
// byte values.

#ifndef _WIN32

#include <sys/stat.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/posix_files.h"

namespace tavrin::cli {
namespace {

namespace fs = std::filesystem;

// The wire log's data bytes (each after its E3), as "2E 11 ..." text.
std::string dataBytes(const std::vector<std::uint8_t>& log) {
    std::istringstream lines(test::textOf(log));
    std::string ms, hex, data, last;
    while (lines >> ms >> hex) {
        data += last == "E3" ? hex + " " : "";
        last = hex;
    }
    return data;
}

using CliReasons = test::SimKeyboardTest;
using CliSave = test::SimKeyboardTest;
using CliSimImage = test::SimKeyboardTest;

TEST_F(CliReasons, AFileThatCannotBeShownSaysWhy) {
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    dir.write("empty", {});
    dir.write("array.json", {'[', '1', ',', ' ', '2', ']', '\n'});
    dir.write("locked.bin", factoryFile());
    ::chmod(dir.file("locked.bin").c_str(), 0600);
    fs::create_directory(dir.path() / "folder");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::string signature = "not a keyboard's settings: address 0 holds ";
    const std::pair<const char*, std::string> cases[] = {
        {"garbage", signature + "A5A5A5A5 (55 expected), address 1 holds A5A5A5A5 (AA expected)"},
        {"empty", "0 bytes, not 512; " + signature + "00 (55 expected)"},
        {"array.json", "7 bytes, not 512; " + signature + "202C315B (55 expected)"},
        {"folder", "Message: File not found! (is a folder)"},
        {"fifo", "Message: File not found! (not a regular file)"},
        {"locked.bin", "Message: Read setting from file error! (Permission denied)"},
    };
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name);
        CliRun r;
        {
            test::AsNobody user;
            r = run({"show", dir.file(name)});
        }
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_THAT(r.err, HasSubstr(reason));
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliReasons, ALogThatCannotBeWrittenSaysWhy) {
    fs::create_directory(dir.path() / "locked");
    test::ReadOnlyFolder readOnly(dir.path() / "locked");
    const CliRun log = run({"--simulate", "--wire-log", dir.file("locked/w.log"), "read"});
    EXPECT_THAT(log.err, HasSubstr("cannot write the wire log " + dir.file("locked/w.log") +
                                   ": Permission denied"));
}

// A value outside 0..255 shows as no value and no frame carries it: the
// write would leave the keyboard's own. Refused before anything is sent.
TEST_F(CliReasons, AnImageValueNoFrameCarriesIsRefusedBeforeTheWire) {
    std::vector<std::uint8_t> big = factoryFile({{40, 0x1234}});
    big[4 * 42 + 1] = 0x01;  // address 42 is held by no item: not the write's
    dir.write("big.bin", big);
    const std::vector<std::vector<std::string>> commands{
        {"write", dir.file("big.bin")},
        {"write", "--verify", "--backup", dir.file("b.json"), dir.file("big.bin")},
        {"apply", "--backup-dir", dir.file("backups"), dir.file("big.bin")},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front());
        const CliRun r = run(sim(command));
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_THAT(r.err, HasSubstr(dir.file("big.bin") +
                                     " holds values the keyboard cannot take, so their items "
                                     "would not be sent: address 40 holds 0x1234; nothing was "
                                     "written\n"));
        EXPECT_THAT(r.err, Not(HasSubstr("Successful")));
        EXPECT_TRUE(dir.read("wire.txt").empty());
        EXPECT_FALSE(fs::exists(dir.path() / "b.json"));
        EXPECT_EQ(dir.read("k.bin"), factoryFile());
    }
}

// Items 65 and 66 carry six scan codes and keep three: the rest are sent,
// said, and not taken for verified.
TEST_F(CliReasons, CodesBeyondTheImageAreSentAndSaid) {
    const std::string five = "<11><22><33><44><55>";
    const std::string said =
        "tavrin-cli: item 65 (msr.preamble): the keyboard's settings show only the first three "
        "codes, <11><22><33>; <44><55> ";
    const CliRun set = run(sim({"set", "--verify", "mode=scan", "65=" + five}));
    EXPECT_EQ(set.status, kExitOk) << set.err;
    EXPECT_THAT(set.err, HasSubstr(said + "are sent, and no read shows them\n"));
    EXPECT_THAT(set.err, HasSubstr(said + "could not be checked by --verify\n"));
    EXPECT_THAT(dataBytes(dir.read("wire.txt")), HasSubstr("2E 11 22 33 44 55 00 "));
}

TEST_F(CliSave, AFailedSaveSaysWhy) {
    fs::create_directory(dir.path() / "folder.json");
    fs::create_directory(dir.path() / "locked");
    const std::pair<std::string, const char*> cases[] = {
        {dir.file("folder.json"), "a folder has that name"},
        {dir.file("missing/out.json"), "the folder does not exist"},
        {dir.file("locked/out.json"), "the folder is read-only"},
    };
    for (const auto& [out, reason] : cases) {
        SCOPED_TRACE(out);
        CliRun convert;
        {
            test::ReadOnlyFolder readOnly(dir.path() / "locked");
            convert = run({"convert", dir.file("k.bin"), out});
        }
        EXPECT_EQ(convert.status, kExitFailed);
        EXPECT_THAT(convert.err, HasSubstr("Message: Save setting to file error! (" +
                                           std::string(reason) + ")\n"));
    }
    EXPECT_TRUE(test::namesIn(dir.path() / "locked").empty());
}

TEST_F(CliSave, SetThroughALinkKeepsTheLinkAndTheMode) {
    ASSERT_EQ(run({"convert", dir.file("k.bin"), dir.file("real.json")}).status, kExitOk);
    ASSERT_EQ(::chmod(dir.file("real.json").c_str(), 0640), 0);
    fs::create_symlink("real.json", dir.path() / "link.json");
    const CliRun set = run({"set", "--file", dir.file("link.json"), "3=42"});
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_TRUE(test::isSymlink(dir.file("link.json")));
    EXPECT_EQ(test::modeOf(dir.file("real.json")), 0640u);
    EXPECT_THAT(test::textOf(dir.read("real.json")), HasSubstr("\"value\": \"42\""));
}

TEST_F(CliSave, ALinkPlantedAtTheOldFixedNameIsNotWrittenThrough) {
    dir.write("precious", {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'});
    fs::create_symlink(dir.file("precious"), dir.path() / "out.json.tavrin-new");
    const CliRun read = run(
        {"--simulate", "--sim-image", dir.file("k.bin"), "read", "--save", dir.file("out.json")});
    ASSERT_EQ(read.status, kExitOk) << read.err;
    EXPECT_EQ(test::textOf(dir.read("precious")), "precious");
    EXPECT_FALSE(test::isSymlink(dir.file("out.json")));
    EXPECT_TRUE(test::isSymlink(dir.file("out.json.tavrin-new")));
}

TEST_F(CliSimImage, AnythingButAnImageIsRefusedAndKept) {
    ASSERT_EQ(run({"convert", dir.file("k.bin"), dir.file("p.json")}).status, 0);
    std::vector<std::uint8_t> longer = factoryFile();
    longer.push_back(0);
    dir.write("garbage", std::vector<std::uint8_t>(512, 0xA5));
    dir.write("notes.txt", std::vector<std::uint8_t>(12, 'n'));
    dir.write("long.bin", longer);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"p.json", "bytes, not the 512 of a settings file"},
        {"garbage", "address 0 holds A5A5A5A5, which is no byte"},
        {"notes.txt", "12 bytes, not the 512 of a settings file"},
        {"long.bin", "513 bytes, not the 512 of a settings file"},
        {"fifo", "not a regular file"},
    };
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name);
        const auto before =
            std::string(name) == "fifo" ? std::vector<std::uint8_t>{} : dir.read(name);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"read"}, {"--json", "read"}, {"set", "3=11"}}) {
            const CliRun r = run(joined(
                {"--simulate", "--sim-image", dir.file(name), "--wire-log", dir.file("wire.log")},
                command));
            EXPECT_EQ(r.status, kExitFailed);
            EXPECT_THAT(r.err, HasSubstr("cannot take " + dir.file(name) +
                                         " as the simulated keyboard's image: "));
            EXPECT_THAT(r.err, HasSubstr(std::string(reason) + "; it is left as it is\n"));
            EXPECT_FALSE(fs::exists(dir.path() / "wire.log")) << "nothing ran";
            EXPECT_EQ(r.out.find('\t'), std::string::npos) << "no item lines";
        }
        EXPECT_EQ(std::string(name) == "fifo" ? before : dir.read(name), before);
    }
    EXPECT_EQ(fs::status(dir.path() / "fifo").type(), fs::file_type::fifo);
}

// Kept where the desktop entry keeps it; --trace has nothing to record.
TEST_F(CliSimImage, TheUserDataFolderKeepsTheKeyboardAndTraceIsRefused) {
    CliOptions options;
    options.userSimImage = dir.file("data/tavrin/simulated-keyboard.bin");
    ASSERT_EQ(run({"--simulate", "set", "3=11"}, options).status, kExitOk);
    EXPECT_THAT(run({"--simulate", "read"}, options).out,
                HasSubstr("\n3\tTime Delay Of Key Storkes (ms)\t11\n"));
    const CliRun trace = run({"--simulate", "--trace", dir.file("t.txt"), "read"}, options);
    EXPECT_EQ(trace.status, kExitUsage);
    EXPECT_THAT(trace.err, HasSubstr("--trace records the machine's raw keyboard port"));
    EXPECT_FALSE(fs::exists(dir.path() / "t.txt"));
}

TEST_F(CliSimImage, DiffEndsWithALine) {
    dir.write("o.bin", factoryFile({{40, 0x42}, {42, 0x01}}));
    const CliRun same = run({"diff", dir.file("k.bin"), dir.file("k.bin")});
    EXPECT_EQ(same.err, "tavrin-cli: diff: " + dir.file("k.bin") + " and " + dir.file("k.bin") +
                            " hold the same settings\n");
    const CliRun differ = run({"diff", dir.file("k.bin"), dir.file("o.bin")});
    EXPECT_EQ(differ.err, "tavrin-cli: diff: 1 item(s) and 1 byte(s) no item shows differ\n");
}

}  // namespace
}  // namespace tavrin::cli

#endif
