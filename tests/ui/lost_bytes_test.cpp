// Every device operation of the window against a port driver that is not
// there, refuses every access, or gives up part-way: never a success, and
// the operation's own error box.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/sim_rig.h"

namespace tavrin::ui {
namespace {

using namespace ::testing;  // its matchers

struct Backend {
    const char* name;
    bool opens;      // InitializeWinIo succeeds at start-up
    int refuseFrom;  // the operation's bytes that go out before the driver refuses; -1 never
};

// 4 is inside the first frame of every operation, 12 inside the reset's
// second frame and an item frame's data.
const Backend kBackends[] = {
    {"no driver", false, -1},
    {"refuses every access", true, 0},
    {"refuses from byte 4", true, 4},
    {"refuses from byte 12", true, 12},
};

struct Operation {
    const char* name;
    std::function<void(test::SimRig&)> run;
    const char* error;  // the box the operation ends with
};

const Operation kOperations[] = {
    {"whole-image write", [](test::SimRig& r) { r.window.Command4_Click(); },
     "Write to EEPROM error!"},
    {"reset", [](test::SimRig& r) { r.window.Resettodefault_Click(); },
     "Wrote setting to EEPROM error!"},
    {"OPOS preset", [](test::SimRig& r) { r.window.Cmdpt_Click(); },
     "Wrote setting to EEPROM error!"},
    // After the preset an Edit sends the sequence straight to the keyboard.
    {"item frame",
     [](test::SimRig& r) {
         r.model().comboWriteFlag = false;
         r.dialogs.onPrePost = [](platform::PrePostRequest& q) { q.text = "<65>"; };
         r.window.cmdItem_Click(67);
     },
     "Write to EEPROM error!"},
};

TEST(LostBytes, NoOperationReportsSuccessOverABytePortAccessLost) {
    for (const Backend& backend : kBackends) {
        for (const Operation& op : kOperations) {
            SCOPED_TRACE(std::string(backend.name) + " / " + op.name);
            sim::SimulatedKeyboard::Options options;
            if (!backend.opens) {
                options.controller.initializeResults = {false, false};
            }
            test::SimRig rig(options);
            rig.window.Form_Load(false);
            ASSERT_EQ(rig.model().portDriverFailed, !backend.opens);
            rig.chooseMode(true);
            const auto wireBefore = rig.ports().wire().size();
            if (backend.refuseFrom >= 0) {
                rig.ports().setRefuseAfterBytes(static_cast<int>(wireBefore) + backend.refuseFrom);
            }
            rig.dialogs.messages.clear();
            rig.dialogs.answers = {platform::MsgAnswer::Yes};

            op.run(rig);

            const auto texts = rig.messageTexts();
            for (const std::string& text : texts) {
                EXPECT_THAT(text, Not(HasSubstr("Successful"))) << text;
                EXPECT_THAT(text, Not(HasSubstr("success"))) << text;
            }
            EXPECT_THAT(texts, Contains(op.error));
            if (!backend.opens) {
                // Nothing is sent and nothing is asked.
                EXPECT_EQ(rig.ports().wire().size(), wireBefore);
                EXPECT_EQ(texts, std::vector<std::string>{op.error});
            }
            EXPECT_FALSE(rig.dialogs.shown) << "the waiting dialog is left open";
        }
    }
}

// The same operations on a driver that works: the error box never shows.
TEST(LostBytes, AWorkingDriverShowsNoErrorBox) {
    for (const Operation& op : kOperations) {
        SCOPED_TRACE(op.name);
        test::SimRig rig;
        rig.window.Form_Load(false);
        rig.chooseMode(true);
        rig.dialogs.messages.clear();
        rig.dialogs.answers = {platform::MsgAnswer::Yes};
        op.run(rig);
        EXPECT_THAT(rig.messageTexts(), Not(Contains(op.error)));
    }
}

TEST(LostBytes, AReadWithTheDriverClosedFailsAtOnce) {
    sim::SimulatedKeyboard::Options options;
    options.controller.initializeResults = {false, false};
    test::SimRig rig(options);
    rig.window.Form_Load();
    EXPECT_TRUE(rig.model().portDriverFailed);
    EXPECT_THAT(rig.ports().wire(), IsEmpty());
    // Not the 15 s the capture would wait for an answer.
    EXPECT_LT(rig.clock.now(), 1'000'000);
    EXPECT_THAT(rig.messageTexts(),
                Contains("Read setting from EEPROM error! Please check MSR device. "));
}

}  // namespace
}  // namespace tavrin::ui
