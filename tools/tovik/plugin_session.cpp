#include "plugin_session.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
namespace
{
using MessageBoxHandler = void (*)(const char16_t* caption, const char16_t* text, void* owner,
                                   unsigned style);
using HandlerSetter = void (*)(MessageBoxHandler);

std::string Narrow(const char16_t* text)
{
    std::string out;
    for (; text != nullptr && *text != 0; ++text)
    {
        out.push_back(*text < 128 ? static_cast<char>(*text) : '?');
    }
    return out;
}

// A command-line host must never wait for a click: our plug-in lets a host take its error boxes, and
// tovik prints them.
void PrintBox(const char16_t* caption, const char16_t* text, void*, unsigned)
{
    std::fprintf(stderr, "tovik: plug-in says: [%s] %s\n", Narrow(caption).c_str(), Narrow(text).c_str());
}

void TakeMessageBoxes(void* module)
{
    if (auto setter = reinterpret_cast<HandlerSetter>(dlsym(module, "KVXTovikSetMessageBoxHandler")))
    {
        setter(PrintBox);
    }
}
} // namespace

std::unique_ptr<Session> Session::Open(const std::string& path, std::string& error)
{
    std::unique_ptr<Session> session(new Session);
    session->m_Plugin = Host::Plugin::Load(path, error, kVstVersion, TakeMessageBoxes);
    if (!session->m_Plugin)
    {
        return nullptr;
    }
    // Channel counts are read after effOpen: some plug-ins settle them only there.
    session->m_Plugin->Dispatch(effOpen);
    const AEffect* effect = session->m_Plugin->Effect();
    if (!session->ReadChannelCounts(path, error))
    {
        return nullptr;
    }
    if (effect->processReplacing == nullptr && effect->process == nullptr)
    {
        error = path + ": the plug-in has no process function";
        return nullptr;
    }
    return session;
}

Session::~Session()
{
    Stop();
}

bool Session::ReadChannelCounts(const std::string& path, std::string& error)
{
    const AEffect* effect = m_Plugin->Effect();
    if (effect->numInputs < 0 || effect->numInputs > kMaxChannels || effect->numOutputs < 0 ||
        effect->numOutputs > kMaxChannels)
    {
        error = path + ": the plug-in declares " + std::to_string(effect->numInputs) + " inputs and " +
                std::to_string(effect->numOutputs) + " outputs";
        return false;
    }
    if (effect->numOutputs == 0)
    {
        error = path + ": the plug-in has no audio outputs";
        return false;
    }
    m_Inputs = effect->numInputs;
    m_Outputs = effect->numOutputs;
    return true;
}

std::string Session::Name() const
{
    std::string name = m_Plugin->Text(effGetEffectName);
    if (name.empty())
    {
        name = m_Plugin->Text(effGetProductString);
    }
    return name.empty() ? Host::FourCharCode(m_Plugin->Effect()->uniqueID) : name;
}

void Session::Start(double sampleRate, int blockSize)
{
    Stop();
    m_BlockSize = blockSize;
    m_InputBuffers.assign(static_cast<std::size_t>(m_Inputs),
                          std::vector<float>(static_cast<std::size_t>(blockSize)));
    m_OutputBuffers.assign(static_cast<std::size_t>(m_Outputs),
                           std::vector<float>(static_cast<std::size_t>(blockSize)));
    m_InputPointers.clear();
    m_OutputPointers.clear();
    for (auto& buffer : m_InputBuffers)
    {
        m_InputPointers.push_back(buffer.data());
    }
    for (auto& buffer : m_OutputBuffers)
    {
        m_OutputPointers.push_back(buffer.data());
    }
    m_Plugin->SetHostTiming(static_cast<float>(sampleRate), blockSize);
    m_Plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    m_Plugin->Dispatch(effSetBlockSize, 0, blockSize);
    m_Plugin->Dispatch(effMainsChanged, 0, 1);
    m_Plugin->Dispatch(effStartProcess);
    m_Running = true;
}

void Session::Stop()
{
    if (!m_Running)
    {
        return;
    }
    m_Plugin->Dispatch(effStopProcess);
    m_Plugin->Dispatch(effMainsChanged, 0, 0);
    m_Running = false;
}

void Session::ClearInputs()
{
    for (auto& buffer : m_InputBuffers)
    {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
    }
}

void Session::Process(int frames)
{
    Process(m_InputPointers.data(), m_OutputPointers.data(), std::min(frames, m_BlockSize));
}

void Session::Process(float* const* inputs, float* const* outputs, int frames)
{
    AEffect* effect = m_Plugin->Effect();
    const bool replacing = (effect->flags & effFlagsCanReplacing) != 0 || effect->process == nullptr;
    if (replacing && effect->processReplacing != nullptr)
    {
        effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
        return;
    }
    // The old accumulating call adds to what the outputs hold.
    for (int channel = 0; channel < m_Outputs; ++channel)
    {
        std::memset(outputs[channel], 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
    effect->process(effect, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
}
} // namespace KVX::Tovik
