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

#include "app/null_backends.h"
#include "app/raw_port_backend.h"
#include "platform/std_file_system.h"
#include "support/fake_raw_source.h"
#include "support/fake_sysfs.h"
#include "support/fakes.h"
#include "support/raw_keyboard_double.h"
#include "support/temp_dir.h"
#include "support/trace_replay.h"
#include "ui/msr_window.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;

struct Fixture {
    const char* file;
    const char* what;
    RawKeyboardDouble::Options raw;
};

RawKeyboardDouble::Options raw(link::ScanCodeSet set, bool ack, bool breakAlone) {
    RawKeyboardDouble::Options o;
    o.set = set;
    o.ack = ack;
    o.breakAlone = breakAlone;
    return o;
}

const Fixture kFixtures[] = {
    {"set1.trace", "set 1, make and break, ACKs", raw(link::ScanCodeSet::Set1, true, false)},
    {"set2.trace", "set 2, make and break, ACKs", raw(link::ScanCodeSet::Set2, true, false)},
    {"break-alone.trace", "set 1, break codes alone, ACKs",
     raw(link::ScanCodeSet::Set1, true, true)},
    {"no-ack.trace", "set 1, make and break, no ACKs", raw(link::ScanCodeSet::Set1, false, false)},
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
    const bool set2 = f.raw.set == link::ScanCodeSet::Set2;
    FakeSysfs sysfs;
    sysfs.addPort({"serio0", "i8042 KBD port", set2 ? "01" : "06", "atkbd"});
    sim::VirtualClock clock;
    sim::SimulatedKeyboard keyboard{clock, {}};
    platform::ClockHost host{clock};
    RawKeyboardDouble device(clock, keyboard, f.raw);
    platform::SysfsSerioBus bus(sysfs.devices());
    FakeSource source(bus);
    app::RawTrace trace;
    app::RawPortBackend backend(
        bus, source, host, host, &trace,
        [&](const platform::OpenedRawPort&) { return std::make_unique<Lent>(device.device()); });
    TempDir dir;
    platform::StdFileSystem files{dir.path().string(), dir.path().string()};
    FakeDialogs dialogs;
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    ui::MsrWindow window{ui::Platform{backend, host, backend, host, backend, host, files, dialogs,
                                      registry, launcher}};
    const std::string file = dir.file("trace");
    EXPECT_TRUE(trace.open(file));
    window.Form_Load();
    window.Form_Unload();
    EXPECT_TRUE(trace.close());
    const bool ok = window.model().imageValidFlag;
    return std::string("# Recorded with the raw keyboard double: ") + f.what +
           ". Do not edit; see tests/linux/raw_trace_replay_test.cpp.\n# read " +
           (ok ? "ok" : "error") + "\n" + (ok ? "# image" + hexImage(window.model()) + "\n" : "") +
           contents(file);
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
    sim::VirtualClock clock;
    platform::ClockHost host{clock};
    ReplayDevice device(clock, trace);
    link::RawKeyboardPort port(device, host, trace.set);
    link::RawPortEvents events(host, port);
    TempDir dir;
    platform::StdFileSystem files{dir.path().string(), dir.path().string()};
    FakeDialogs dialogs;
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    ui::MsrWindow window{
        ui::Platform{port, host, events, host, port, host, files, dialogs, registry, launcher}};
    window.Form_Load();
    Replayed r;
    r.written = device.written();
    r.readOk = window.model().imageValidFlag;
    r.image.assign(window.model().image.begin(), window.model().image.end());
    r.unread = device.unread();
    for (const auto& m : dialogs.messages) {
        r.messages.push_back(m.text);
    }
    return r;
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
