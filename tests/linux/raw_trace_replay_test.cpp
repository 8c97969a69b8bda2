// Traces of the raw keyboard port played back against the program: it must
// write the recorded bytes, in order, and reach the recorded result. The
// fixtures in tests/fixtures/traces are recorded with the double, never
// written by hand: this suite records them again and compares, and
//   TAVRIN_RECORD_TRACES=1 tavrin_linux_tests --gtest_filter='TraceFixtures.*'
// writes them anew. TAVRIN_REPLAY_TRACE=FILE replays one more trace (a real
// keyboard's) and checks that the program writes what it recorded.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/raw_rig.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;
using link::ScanCodeSet;

struct Fixture {
    const char* file;
    const char* what;
    RawKeyboardDouble::Options raw;
};

const Fixture kFixtures[] = {
    {"set1.trace", "set 1, make and break, ACKs", rawOptions(ScanCodeSet::Set1, true, false)},
    {"set2.trace", "set 2, make and break, ACKs", rawOptions(ScanCodeSet::Set2, true, false)},
    {"break-alone.trace", "set 1, break codes alone, ACKs",
     rawOptions(ScanCodeSet::Set1, true, true)},
    {"no-ack.trace", "set 1, make and break, no ACKs", rawOptions(ScanCodeSet::Set1, false, false)},
};

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string hexImage(const ui::WindowModel& model) {
    std::string text;
    char hex[4];
    for (int byte : model.image) {
        std::snprintf(hex, sizeof hex, " %02X", byte & 0xFF);
        text += hex;
    }
    return text;
}

// The start-up read over the Linux backend, the double and a trace file.
std::string record(const Fixture& f) {
    BackendRig rig(f.raw);
    TempDir dir;
    const std::string file = dir.file("trace");
    EXPECT_TRUE(rig.trace.open(file));
    rig.window.Form_Load();
    rig.window.Form_Unload();
    EXPECT_TRUE(rig.trace.close());
    const bool ok = rig.window.model().imageValidFlag;
    return std::string("# Recorded with the raw keyboard double: ") + f.what +
           ". Do not edit; see tests/linux/raw_trace_replay_test.cpp.\n# read " +
           (ok ? "ok" : "error") + "\n" +
           (ok ? "# image" + hexImage(rig.window.model()) + "\n" : "") + contents(file);
}

TEST(TraceFixtures, AreWhatTheDoubleRecords) {
    const fs::path folder = TAVRIN_TRACE_FIXTURES;
    const bool write = std::getenv("TAVRIN_RECORD_TRACES") != nullptr;
    for (const Fixture& f : kFixtures) {
        const std::string text = record(f);
        if (write) {
            fs::create_directories(folder);
            std::ofstream(folder / f.file, std::ios::binary) << text;
        }
        EXPECT_EQ(contents(folder / f.file), text) << f.file << ": record again (see above)";
    }
}

struct Replayed {
    std::vector<std::uint8_t> written;
    bool readOk;
    std::vector<int> image;
    std::size_t unread;
    std::vector<std::string> messages;
};

// The start-up read with the trace as the keyboard.
Replayed replay(const RawTraceFile& trace) {
    ReplayRig rig(trace);
    rig.window.Form_Load();
    const auto& image = rig.window.model().image;
    return {rig.device.written(),
            rig.window.model().imageValidFlag,
            {image.begin(), image.end()},
            rig.device.unread(),
            rig.messageTexts()};
}

RawTraceFile load(const fs::path& path) {
    std::ifstream in(path);
    return parseRawTrace(in);
}

TEST(TraceReplay, EveryFixtureWritesTheSameBytesAndReadsTheSame) {
    std::vector<fs::path> traces;
    for (const auto& entry : fs::directory_iterator(TAVRIN_TRACE_FIXTURES)) {
        if (entry.path().extension() == ".trace") {
            traces.push_back(entry.path());
        }
    }
    EXPECT_GE(traces.size(), std::size(kFixtures));
    if (const char* extra = std::getenv("TAVRIN_REPLAY_TRACE")) {
        traces.emplace_back(extra);
    }
    for (const fs::path& path : traces) {
        SCOPED_TRACE(path.string());
        const RawTraceFile trace = load(path);
        EXPECT_TRUE(trace.errors.empty()) << trace.errors.front();
        ASSERT_FALSE(trace.entries.empty());
        const Replayed r = replay(trace);
        EXPECT_EQ(r.written, trace.outs());
        if (trace.readOk) {
            EXPECT_EQ(r.readOk, *trace.readOk);
            EXPECT_EQ(r.image, trace.image);
            EXPECT_EQ(r.unread, 0u);
            EXPECT_TRUE(r.messages.empty());
        }
    }
}

// A read's bytes on one line, as traces are written now, or one per line, as
// older ones were: the same entries. Lines that are not a trace's are told.
TEST(TraceFile, ReadsAReadsBytesOnOneLineOrOnePerLine) {
    const std::string head = "# set 2 (serio0)\n5 command out E7 failed\n6 command in FA\n";
    std::istringstream older(head + "9 capture in 15\n9 capture in F0\n9 capture in 15\n");
    std::istringstream now(head + "9 capture in 15 F0 15\n7 command in\n8 command up 15\n"
                                  "8 capture in 1FF\n");
    const RawTraceFile a = parseRawTrace(older), b = parseRawTrace(now);
    const auto text = [](const RawTraceFile& t) {
        std::string s;
        for (const RawTraceFile::Entry& e : t.entries) {
            s += std::to_string(e.ms) + (e.capture ? " capture " : " command ") +
                 (e.out ? "out " : "in ") + std::to_string(e.byte) +
                 (e.io == platform::RawDevice::Io::Failed ? " failed\n" : "\n");
        }
        return s;
    };
    EXPECT_EQ(text(a), "5 command out 231 failed\n6 command in 250\n9 capture in 21\n"
                       "9 capture in 240\n9 capture in 21\n");
    EXPECT_EQ(text(b), text(a));
    EXPECT_EQ(b.set, ScanCodeSet::Set2);
    EXPECT_TRUE(a.errors.empty());
    EXPECT_EQ(b.errors, (std::vector<std::string>{"7 command in", "8 command up 15",
                                                   "8 capture in 1FF"}));
}

struct Tamper {
    const char* name;
    // Changes the recorded answer; false when the trace has no such byte.
    bool (*change)(RawTraceFile&);
};

// Which answer byte is the n-th keystroke's make code (set 1, make and break).
RawTraceFile::Entry* keystroke(RawTraceFile& t, int n) {
    int seen = 0;
    for (auto& e : t.entries) {
        if (!e.out && e.byte >= 0x40 && e.byte <= 0x4F && seen++ == n) {
            return &e;
        }
    }
    return nullptr;
}

const Tamper kTampers[] = {
    // Another nibble key, make and break, typed in the EEPROM's place.
    {"other_nibble",
     [](RawTraceFile& t) {
         auto* e = keystroke(t, 150);
         if (e == nullptr || e == &t.entries.back()) {
             return false;
         }
         e->byte = e->byte == 0x47 ? 0x48 : 0x47;
         (e + 1)->byte = static_cast<std::uint8_t>(e->byte | 0x80);  // its break
         return true;
     }},
    // A keystroke lost from the answer: too few keys, the read fails.
    {"lost_keystroke",
     [](RawTraceFile& t) {
         auto* e = keystroke(t, 100);
         if (e == nullptr) {
             return false;
         }
         const std::size_t at = static_cast<std::size_t>(e - t.entries.data());
         t.entries.erase(t.entries.begin() + static_cast<long>(at),
                         t.entries.begin() + static_cast<long>(at) + 2);
         return true;
     }},
};

// The replay tells a changed answer from the recorded one.
TEST(TraceReplay, SeesAnAnswerThatDiffersFromTheRecording) {
    for (const Tamper& tamper : kTampers) {
        SCOPED_TRACE(tamper.name);
        RawTraceFile trace = load(fs::path(TAVRIN_TRACE_FIXTURES) / "set1.trace");
        ASSERT_TRUE(trace.readOk.value_or(false));
        ASSERT_TRUE(tamper.change(trace));
        const Replayed r = replay(trace);
        EXPECT_EQ(r.written, trace.outs());  // the command went out as recorded
        EXPECT_TRUE(r.readOk != *trace.readOk || r.image != trace.image);
    }
}

}  // namespace
}  // namespace tavrin::test
