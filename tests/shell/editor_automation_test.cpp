// SPDX-License-Identifier: GPL-3.0-or-later
// What a host hears of edits made on the panel: each gesture is one begin edit, the new values as
// automation, one end edit, all for the parameter of the widget the user worked; values the host sets
// itself are never sent back.
#include "editor_host.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <sstream>

namespace KVX::Test
{
namespace
{
constexpr int kFaderX = 463 + 12; // the 1 kHz fader
constexpr int kFaderY = 150;
constexpr VstInt32 kFader = 5;
constexpr VstInt32 kIn = 10;

struct Call
{
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    float value = 0.0f;
};

std::string Describe(const std::vector<Call>& calls)
{
    std::ostringstream out;
    for (const Call& call : calls)
    {
        switch (call.opcode)
        {
        case audioMasterBeginEdit:
            out << "begin(" << call.index << ") ";
            break;
        case audioMasterEndEdit:
            out << "end(" << call.index << ") ";
            break;
        default:
            out << "automate(" << call.index << ", " << call.value << ") ";
            break;
        }
    }
    return out.str();
}

class EditorAutomation : public EditorHost
{
protected:
    void SetUp() override
    {
        EditorHost::SetUp();
        // The editor calls from its own thread: the record is shared under a lock.
        plugin->SetCallbackListener(
            [this](VstInt32 opcode, VstInt32 index, VstIntPtr, float opt)
            {
                if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
                    opcode == audioMasterEndEdit)
                {
                    std::lock_guard lock(mutex);
                    calls.push_back({opcode, index, opt});
                }
            });
        ASSERT_TRUE(OpenEditor());
        MoveTo(600, 20); // over the plain panel
        Frames(3);
    }
    void TearDown() override
    {
        if (plugin)
        {
            CloseEditor();
            plugin->SetCallbackListener({});
        }
        EditorHost::TearDown();
    }

    std::vector<Call> Calls()
    {
        std::lock_guard lock(mutex);
        return calls;
    }
    void Forget()
    {
        std::lock_guard lock(mutex);
        calls.clear();
    }
    // Waits for the gesture's end edit, then a few frames more for anything that should not follow.
    std::vector<Call> GestureCalls()
    {
        EXPECT_TRUE(WaitUntil(
            [this]
            {
                const auto now = Calls();
                return !now.empty() && now.back().opcode == audioMasterEndEdit;
            }))
            << Describe(Calls());
        Frames(3);
        return Calls();
    }
    // Asserts begin, one automation with `value`, end, all for `index`, and nothing else.
    void ExpectOneStep(VstInt32 index, float value)
    {
        const auto got = GestureCalls();
        ASSERT_EQ(got.size(), 3u) << Describe(got);
        EXPECT_EQ(got[0].opcode, audioMasterBeginEdit);
        EXPECT_EQ(got[1].opcode, audioMasterAutomate);
        EXPECT_EQ(got[2].opcode, audioMasterEndEdit);
        for (const Call& call : got)
        {
            EXPECT_EQ(call.index, index) << Describe(got);
        }
        EXPECT_NEAR(got[1].value, value, 1e-6f);
        EXPECT_EQ(got[1].value, plugin->GetParameter(index)) << "the host records what it reads back";
    }
    void Click(int x, int y)
    {
        MoveTo(x, y);
        Frames(1);
        Button(1, true);
        Button(1, false);
    }

    std::mutex mutex;
    std::vector<Call> calls;
};

TEST_F(EditorAutomation, ADragIsOneEditWithEveryNewValueAutomatedInOrder)
{
    MoveTo(kFaderX, kFaderY);
    Frames(1);
    Button(1, true);
    ASSERT_TRUE(WaitUntil([this] { return !Calls().empty(); })) << "no begin edit at the press";
    EXPECT_EQ(Calls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(Calls().size(), 1u) << "the press itself changes nothing";
    for (int i = 1; i <= 10; ++i)
    {
        MoveTo(kFaderX, kFaderY - 10 * i);
        Frames(1);
    }
    Button(1, false);

    const auto got = GestureCalls();
    ASSERT_GE(got.size(), 3u) << Describe(got);
    EXPECT_EQ(got.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(got.back().opcode, audioMasterEndEdit);
    float previous = 0.5f;
    for (std::size_t i = 0; i < got.size(); ++i)
    {
        EXPECT_EQ(got[i].index, kFader) << Describe(got);
        if (i == 0 || i + 1 == got.size())
        {
            continue;
        }
        ASSERT_EQ(got[i].opcode, audioMasterAutomate) << Describe(got);
        EXPECT_GT(got[i].value, previous) << "each automation is a new value: " << Describe(got);
        previous = got[i].value;
    }
    EXPECT_NEAR(previous, 0.7f, 1e-5f);
    EXPECT_EQ(previous, plugin->GetParameter(kFader));
}

TEST_F(EditorAutomation, AClickWithoutMovingBracketsTheGestureButAutomatesNothing)
{
    Click(kFaderX, kFaderY);
    const auto got = GestureCalls();
    ASSERT_EQ(got.size(), 2u) << Describe(got);
    EXPECT_EQ(got[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(got[1].opcode, audioMasterEndEdit);
    EXPECT_EQ(plugin->GetParameter(kFader), 0.5f);
}

TEST_F(EditorAutomation, AWheelNotchIsOneEdit)
{
    MoveTo(kFaderX, kFaderY);
    Frames(2);
    Button(4, true);
    Button(4, false);
    ExpectOneStep(kFader, 0.52f);
}

TEST_F(EditorAutomation, CtrlClickIsOneEditBackToTheDefault)
{
    plugin->SetParameter(kFader, 0.9f);
    MoveTo(kFaderX, kFaderY);
    Frames(1);
    Key(XK_Control_L, true);
    Button(1, true);
    Button(1, false);
    Key(XK_Control_L, false);
    ExpectOneStep(kFader, 0.5f);
}

TEST_F(EditorAutomation, ATypedValueIsOneEditWhenItIsCommitted)
{
    MoveTo(kFaderX, kFaderY);
    Frames(1);
    Button(1, true);
    Button(1, false);
    Button(1, true);
    Button(1, false);
    // The double click's first press is a press like any other; the field opens on the second.
    ASSERT_TRUE(WaitUntil([this] { return Calls().size() >= 2; })) << Describe(Calls());
    Frames(5);
    for (const Call& call : Calls())
    {
        EXPECT_NE(call.opcode, audioMasterAutomate) << "opening the field changes nothing";
    }
    Forget();

    for (const unsigned long key : {XK_6, XK_Return})
    {
        Key(key, true);
        Key(key, false);
    }
    ExpectOneStep(kFader, 0.75f);
}

TEST_F(EditorAutomation, AClickOnInIsOneEditPerToggle)
{
    Click(843, 159);
    ExpectOneStep(kIn, 0.0f);
    Forget();
    Frames(10); // well apart, so the second click is no double click
    Click(843, 159);
    ExpectOneStep(kIn, 1.0f);
}

TEST_F(EditorAutomation, ValuesTheHostSetsAreNotSentBack)
{
    plugin->SetParameter(kFader, 0.8f);
    plugin->SetParameter(kIn, 0.0f);
    std::vector<std::uint8_t> chunk(88);
    for (std::uint32_t i = 0; i < 11; ++i)
    {
        const float value = 0.25f;
        std::memcpy(&chunk[8 * i], &i, 4);
        std::memcpy(&chunk[8 * i + 4], &value, 4);
    }
    EXPECT_EQ(plugin->Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()), chunk.data()), 1);
    Frames(5);
    EXPECT_EQ(plugin->GetParameter(kFader), 0.25f);
    EXPECT_TRUE(Calls().empty()) << Describe(Calls());

    // A gesture after them still reports from the value the host left.
    MoveTo(kFaderX, kFaderY);
    Frames(2);
    Button(4, true);
    Button(4, false);
    ExpectOneStep(kFader, 0.27f);
}
} // namespace
} // namespace KVX::Test
