// SPDX-License-Identifier: GPL-3.0-or-later
// The interface layer on its own: record defaults and the dispatcher's routing, with a minimal effect.
#include "vst/aeffeditor.h"
#include "vst/audioeffectx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
int g_Destroyed = 0;

class MinimalEffect : public AudioEffectX
{
public:
    MinimalEffect() : AudioEffectX(nullptr, 1, 3) {}
    ~MinimalEffect() override { ++g_Destroyed; }
    void processReplacing(float**, float**, VstInt32) override {}
};

TEST(VstLayer, RecordStartsWithTheInterfaceDefaults)
{
    MinimalEffect effect;
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->magic, CCONST('V', 's', 't', 'P'));
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsCanReplacing);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, &effect);
    EXPECT_EQ(e->uniqueID, CCONST('N', 'o', 'E', 'f'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
}

TEST(VstLayer, UnknownAndDeprecatedOpcodesAnswerZero)
{
    MinimalEffect effect;
    AEffect* e = effect.getAeffect();
    for (VstInt32 opcode : {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 200, -5})
    {
        EXPECT_EQ(e->dispatcher(e, opcode, 0, 0, nullptr, 0.0f), 0) << opcode;
    }
}

TEST(VstLayer, EditorOpcodesWithoutEditorAnswerZero)
{
    MinimalEffect effect;
    AEffect* e = effect.getAeffect();
    ERect* rect = nullptr;
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
}

// Keeps the last key code the dispatcher built.
class KeyRecorder : public AEffEditor
{
public:
    bool onKeyDown(VstKeyCode& key) override
    {
        last = key;
        return false;
    }
    bool onKeyUp(VstKeyCode& key) override { return onKeyDown(key); }
    VstKeyCode last{-1, 99, 99};
};

TEST(VstLayer, KeyCodesOutsideAByteReadAsNone)
{
    MinimalEffect effect;
    auto* recorder = new KeyRecorder; // owned by the effect from here on
    effect.setEditor(recorder);
    AEffect* e = effect.getAeffect();
    struct Case
    {
        VstIntPtr virt;
        float modifier;
        unsigned char expectedVirt, expectedModifier;
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case& c : {Case{3, 2.0f, 3, 2}, Case{255, 255.9f, 255, 255}, Case{256, 256.0f, 0, 0},
                          Case{-1, -1.0f, 0, 0}, Case{1000, std::nanf(""), 0, 0}, Case{0, inf, 0, 0},
                          Case{0, -inf, 0, 0}, Case{0, 1e30f, 0, 0}, Case{0, -0.5f, 0, 0}})
    {
        for (VstInt32 opcode : {effEditKeyDown, effEditKeyUp})
        {
            recorder->last = {-1, 99, 99};
            EXPECT_EQ(e->dispatcher(e, opcode, 'q', c.virt, nullptr, c.modifier), 0);
            EXPECT_EQ(recorder->last.character, 'q');
            EXPECT_EQ(recorder->last.virt, c.expectedVirt) << c.virt;
            EXPECT_EQ(recorder->last.modifier, c.expectedModifier) << c.modifier;
        }
    }
}

TEST(VstLayer, SpeakerArrangementQueryClearsBothPointersAndToleratesNull)
{
    MinimalEffect effect;
    AEffect* e = effect.getAeffect();
    int dummy = 0;
    VstSpeakerArrangement* in = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
    VstSpeakerArrangement* out = reinterpret_cast<VstSpeakerArrangement*>(&dummy);
    EXPECT_EQ(e->dispatcher(e, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out, 0.0f), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(e->dispatcher(e, effGetSpeakerArrangement, 0, 0, nullptr, 0.0f), 0);
}

TEST(VstLayer, CloseDestroysTheObjectThroughTheStaticEntry)
{
    g_Destroyed = 0;
    auto* effect = new MinimalEffect;
    AEffect* e = effect->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(g_Destroyed, 1);
}

TEST(VstLayer, BaseEditorReportsNothingHandled)
{
    AEffEditor editor;
    ERect* rect = reinterpret_cast<ERect*>(&editor);
    EXPECT_FALSE(editor.getRect(&rect));
    EXPECT_EQ(rect, nullptr);
    int window = 0;
    EXPECT_FALSE(editor.open(&window));
    EXPECT_TRUE(editor.isOpen());
    editor.close();
    EXPECT_FALSE(editor.isOpen());
    VstKeyCode key{};
    EXPECT_FALSE(editor.onKeyDown(key));
    EXPECT_FALSE(editor.onWheel(1.0f));
    EXPECT_FALSE(editor.setKnobMode(1));
}
} // namespace
