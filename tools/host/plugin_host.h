// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loads a VST 2.4 plug-in (a Linux shared object or a Windows DLL) through its exported entry point
// (VSTPluginMain, else main), exactly as a host application does, and closes it again.
#include "vst/aeffect.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace KVX::Host
{
// What the plug-in asked of the host through its callback.
struct CallbackLog
{
    int versionQueries = 0;
    int automations = 0;
    VstInt32 lastAutomatedIndex = -1;
    float lastAutomatedValue = 0.0f;
};

class Plugin
{
public:
    // The plug-in, or null with `error` set to a one-line reason.
    // `beforeEntry` runs after the module is loaded and before its entry point is called.
    static std::unique_ptr<Plugin> Load(const std::string& path, std::string& error,
                                        VstIntPtr hostVersion = kVstVersion,
                                        const std::function<void(void* module)>& beforeEntry = {});
    ~Plugin();

    AEffect* Effect() const { return m_Effect; }
    void* Module() const { return m_Module; }
    const CallbackLog& Log() const { return m_Log; }

    // Sees every callback the plug-in makes once it is loaded, on whichever thread makes it (the editor
    // may call from a thread of its own). Set it while no editor is open.
    using CallbackListener = std::function<void(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt)>;
    void SetCallbackListener(CallbackListener listener) { m_Listener = std::move(listener); }

    // Answers the plug-in's request for an editor window of another size (audioMasterSizeWindow): true when
    // the host resized its window. Without a handler the request is refused. Set it while no editor is open.
    using SizeWindowHandler = std::function<bool(int width, int height)>;
    void SetSizeWindowHandler(SizeWindowHandler handler) { m_SizeWindow = std::move(handler); }

    // What the host callback answers when the plug-in asks for the sample rate and block size.
    void SetHostTiming(float sampleRate, VstInt32 blockSize)
    {
        m_SampleRate = sampleRate;
        m_BlockSize = blockSize;
    }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;
    // A text the plug-in writes into a buffer far larger than any documented limit (plug-ins overrun those),
    // cut to at most `capacity` characters.
    std::string Text(VstInt32 opcode, VstInt32 index = 0, std::size_t capacity = 256) const;
    // Nothing happens (and 0 is read) when the record has no such function.
    void SetParameter(VstInt32 index, float value) const
    {
        if (m_Effect->setParameter != nullptr)
        {
            m_Effect->setParameter(m_Effect, index, value);
        }
    }
    float GetParameter(VstInt32 index) const
    {
        return m_Effect->getParameter != nullptr ? m_Effect->getParameter(m_Effect, index) : 0.0f;
    }

    // Sends effClose now; the destructor then only unloads the module.
    VstIntPtr Close();

private:
    Plugin() = default;
    static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

    void* m_Module = nullptr;
    AEffect* m_Effect = nullptr;
    CallbackLog m_Log;
    CallbackListener m_Listener;
    SizeWindowHandler m_SizeWindow;
    VstIntPtr m_HostVersion = kVstVersion;
    float m_SampleRate = 44100.0f;
    VstInt32 m_BlockSize = 512;
};

std::string FourCharCode(VstInt32 code);
} // namespace KVX::Host
