// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device.h"

#include "device/device_dsp.h"
#include "device/device_gui.h"
#include "device/parameter_values.h"
#include "formats/program_chunk.h"
#include "platform/window.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace KVX
{
namespace
{
namespace D = Device::Description;

// Absurd block lengths go in pieces that the processor's frame count and byte sizes can hold.
constexpr std::uint32_t kMaxPiece = 1u << 20;
// The scratch used for outputs that cannot be filtered in place holds a host's whole block (so the fader
// smoothing steps once per host block, as in place), at least this many frames for hosts that send more
// than they announced, and at most the longest; longer blocks go in pieces.
constexpr std::uint32_t kMinScratchFrames = 4096;
constexpr std::uint32_t kMaxScratchFrames = 1u << 16;

// Where a stereo input channel comes from: a buffer, or one value for the whole block (a constant
// channel, or silence when there is no buffer).
struct Source
{
    const float* data = nullptr;
    float value = 0.0f;
};

Source SourceOf(const float* const* inputs, std::uint32_t count, std::uint32_t channel,
                std::uint64_t constant, std::uint32_t offset)
{
    if (inputs == nullptr || channel >= count || inputs[channel] == nullptr)
    {
        return {};
    }
    if (channel < 64 && (constant & (std::uint64_t{1} << channel)) != 0)
    {
        return {nullptr, inputs[channel][0]};
    }
    return {inputs[channel] + offset, 0.0f};
}

// Writes left and right from their sources without overwriting a source before it has been read:
// hosts hand outputs the buffers of inputs, the same, crossed or shared.
void FillStereo(const Source (&sources)[2], float* left, float* right, std::uint32_t frames) noexcept
{
    float* const outs[2] = {left, right};
    if (sources[0].data == right && sources[1].data == left && left != right)
    {
        std::swap_ranges(left, left + frames, right);
        return;
    }
    // The channel whose source the other's output would overwrite goes first.
    const int first = sources[1].data == left ? 1 : 0;
    for (const int c : {first, 1 - first})
    {
        if (sources[c].data == nullptr)
        {
            std::fill(outs[c], outs[c] + frames, sources[c].value);
        }
        else if (sources[c].data != outs[c])
        {
            std::memmove(outs[c], sources[c].data, frames * sizeof(float));
        }
    }
}
} // namespace

// The processor's host: it asks for the version at entry, and reports the panel's edits.
struct DeviceHostCallback
{
    static VstIntPtr VSTCALLBACK Call(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                      void*, float opt)
    {
        if (opcode == audioMasterVersion)
        {
            return kVstVersion;
        }
        auto* device = effect != nullptr ? static_cast<CDevice*>(effect->user) : nullptr;
        if (device != nullptr && opcode == audioMasterSizeWindow)
        {
            return device->OnEditorSizeRequest(index, static_cast<int>(value)) ? 1 : 0;
        }
        if (device == nullptr || !CDevice::IsParameter(index))
        {
            return 0;
        }
        switch (opcode)
        {
        case audioMasterBeginEdit:
            device->OnPanelEdit({PanelEdit::Kind::Begin, index, 0.0f});
            break;
        case audioMasterAutomate:
            device->OnPanelEdit({PanelEdit::Kind::Value, index, opt});
            break;
        case audioMasterEndEdit:
            device->OnPanelEdit({PanelEdit::Kind::End, index, 0.0f});
            break;
        default:
            break;
        }
        return 0;
    }
};

bool CDevice::IsUsableSampleRate(double rate)
{
    return rate >= kMinSampleRate && rate <= kMaxSampleRate; // also false for NaN
}

std::unique_ptr<CDevice> CDevice::Create()
{
    try
    {
        std::unique_ptr<AudioEffect> effect(createEffectInstance(&DeviceHostCallback::Call));
        auto* processor = dynamic_cast<CDeviceDSP*>(effect.get());
        if (processor == nullptr)
        {
            return nullptr; // the factory has shown why
        }
        effect.release();
        return std::unique_ptr<CDevice>(new CDevice(std::unique_ptr<CDeviceDSP>(processor)));
    }
    catch (...)
    {
        return nullptr; // nothing may escape into a host
    }
}

CDevice::CDevice(std::unique_ptr<CDeviceDSP> processor) : m_Processor(std::move(processor))
{
    m_Processor->getAeffect()->user = this;
    m_Processor->open();
    FollowInSwitch();
}

CDevice::~CDevice()
{
    CloseEditor();
    m_Processor->getAeffect()->user = nullptr;
    m_Processor->close();
}

const Values::CValueType& CDevice::ValueType(int index)
{
    return Device::ValueTypeOf(index);
}

const Device::Description::Parameter& CDevice::Parameter(int index)
{
    return D::kParameters[static_cast<std::size_t>(index)];
}

bool CDevice::Prepare(double sampleRate, std::uint32_t maxFrames)
{
    if (!IsUsableSampleRate(sampleRate))
    {
        return false;
    }
    const std::uint32_t frames = std::clamp<std::uint32_t>(maxFrames, 1u, kMaxPiece);
    m_Processor->setSampleRate(static_cast<float>(sampleRate));
    m_Processor->setBlockSize(static_cast<VstInt32>(frames));
    const std::size_t scratch = std::clamp(frames, kMinScratchFrames, kMaxScratchFrames);
    for (auto& channel : m_Scratch)
    {
        if (channel.size() < scratch)
        {
            channel.assign(scratch, 0.0f);
        }
    }
    m_Processor->resume();
    return true;
}

void CDevice::Reset() noexcept
{
    m_Processor->OnStreamReset();
}

void CDevice::ProcessPieces(float* left, float* right, std::uint32_t frames) noexcept
{
    for (std::uint32_t done = 0; done < frames;)
    {
        const std::uint32_t n = std::min(frames - done, kMaxPiece);
        float* channels[2] = {left + done, right + done};
        m_Processor->processReplacing(channels, channels, static_cast<VstInt32>(n));
        done += n;
    }
}

void CDevice::Process(float* left, float* right, std::uint32_t frames) noexcept
{
    if (left == nullptr || right == nullptr || frames == 0)
    {
        return;
    }
    if (left == right)
    {
        const float* in[1] = {left};
        float* out[1] = {left};
        Process(in, 1, out, 1, frames);
        return;
    }
    ProcessPieces(left, right, frames);
}

void CDevice::Process(const float* const* inputs, std::uint32_t inputCount, float* const* outputs,
                      std::uint32_t outputCount, std::uint32_t frames, std::uint64_t constantInputs) noexcept
{
    Route(inputs, inputCount, outputs, outputCount, frames, constantInputs, true);
}

void CDevice::Pass(const float* const* inputs, std::uint32_t inputCount, float* const* outputs,
                   std::uint32_t outputCount, std::uint32_t frames, std::uint64_t constantInputs) noexcept
{
    Route(inputs, inputCount, outputs, outputCount, frames, constantInputs, false);
}

void CDevice::Route(const float* const* inputs, std::uint32_t inputCount, float* const* outputs,
                    std::uint32_t outputCount, std::uint32_t frames, std::uint64_t constantInputs,
                    bool filter) noexcept
{
    if (frames == 0 || outputs == nullptr || outputCount == 0)
    {
        return;
    }
    // A single input feeds both sides, as its constant flag does.
    const std::uint32_t rightChannel = inputCount == 1 ? 0 : 1;
    float* left = outputs[0];
    float* right = outputCount > 1 ? outputs[1] : nullptr;
    if (left != nullptr && right != nullptr && left != right)
    {
        const Source sources[2] = {SourceOf(inputs, inputCount, 0, constantInputs, 0),
                                   SourceOf(inputs, inputCount, rightChannel, constantInputs, 0)};
        FillStereo(sources, left, right, frames);
        if (filter)
        {
            ProcessPieces(left, right, frames);
        }
    }
    else if (!m_Scratch[0].empty())
    {
        // One output, a shared one or a missing one: through the device's own buffers.
        const auto piece = static_cast<std::uint32_t>(m_Scratch[0].size());
        float* l = m_Scratch[0].data();
        float* r = m_Scratch[1].data();
        for (std::uint32_t done = 0; done < frames;)
        {
            const std::uint32_t n = std::min(frames - done, piece);
            const Source sources[2] = {SourceOf(inputs, inputCount, 0, constantInputs, done),
                                       SourceOf(inputs, inputCount, rightChannel, constantInputs, done)};
            FillStereo(sources, l, r, n);
            if (filter)
            {
                ProcessPieces(l, r, n);
            }
            if (left != nullptr)
            {
                std::memcpy(left + done, l, n * sizeof(float));
            }
            if (right != nullptr && right != left)
            {
                std::memcpy(right + done, r, n * sizeof(float));
            }
            done += n;
        }
    }
    else
    {
        left = right = nullptr; // not prepared: nothing of ours to write but silence
    }
    for (std::uint32_t c = 0; c < outputCount; ++c)
    {
        float* channel = outputs[c];
        if (channel != nullptr && channel != left && channel != right)
        {
            std::fill(channel, channel + frames, 0.0f);
        }
    }
}

float CDevice::Value(int index) const
{
    return IsParameter(index) ? m_Processor->getParameter(index) : 0.0f;
}

void CDevice::SetValue(int index, float normalised)
{
    if (!IsParameter(index) || std::isnan(normalised))
    {
        return;
    }
    // Clamped, and a switch rounded to off or on, by the parameter's own rule.
    m_Processor->setParameter(index, *ValueType(index).FromHostNormalised(normalised));
    if (index == D::kInParameter)
    {
        FollowInSwitch();
    }
}

CDevice::State CDevice::SaveState() const
{
    State state{};
    void* chunk = nullptr;
    const VstInt32 size = m_Processor->getChunk(&chunk, true);
    if (chunk != nullptr && size == static_cast<VstInt32>(state.size()))
    {
        std::memcpy(state.data(), chunk, state.size());
    }
    return state;
}

bool CDevice::LoadState(const void* data, std::size_t size)
{
    if (data == nullptr || !Formats::IsNormalisedChunk(data, size, kParameterCount))
    {
        return false;
    }
    // The processor reads from a buffer of its own: a host's may be read-only.
    State copy;
    std::memcpy(copy.data(), data, copy.size());
    m_Processor->setChunk(copy.data(), static_cast<VstInt32>(copy.size()), true);
    FollowInSwitch();
    return true;
}

bool CDevice::OpenEditor(void* parent)
{
    if (parent == nullptr)
    {
        return false;
    }
    CDeviceGUI& panel = m_Processor->DevicePanel();
    if (panel.HasWindow())
    {
        return true;
    }
    if (!m_HostScale)
    {
        // The screen the window opens on decides, if the host, told another size before, follows; a host
        // that cannot keeps the frame it made, and the editor the size it was told.
        const double told = EditorScale();
        const double screen =
            CGUI::ClampScale(Platform::SystemScale(reinterpret_cast<std::uintptr_t>(parent)));
        if (screen != told)
        {
            std::int32_t width = 0;
            std::int32_t height = 0;
            panel.ScaledSize(screen, width, height);
            if (m_EditorHost != nullptr && m_EditorHost->RequestEditorSize(width, height))
            {
                m_ScreenScale = screen;
            }
        }
        panel.SetScreenScale(m_ScreenScale);
    }
    panel.open(parent);
    return panel.HasWindow();
}

void CDevice::SetEditorScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0)
    {
        return;
    }
    m_HostScale = true;
    m_Processor->DevicePanel().SetHostScale(CGUI::ClampScale(scale));
}

double CDevice::EditorScale() const
{
    if (m_HostScale)
    {
        return m_Processor->DevicePanel().Scale();
    }
    if (m_ScreenScale == 0.0)
    {
        m_ScreenScale = CGUI::ClampScale(Platform::SystemScale(0));
    }
    return m_ScreenScale;
}

void CDevice::EditorSize(int& width, int& height) const
{
    m_Processor->DevicePanel().ScaledSize(EditorScale(), width, height);
}

double CDevice::ScaleOfSize(int width, int height) const
{
    const double current = EditorScale();
    int currentWidth = 0;
    int currentHeight = 0;
    EditorSize(currentWidth, currentHeight);
    const bool widthMoved = std::abs(width - currentWidth) > 1;
    const bool heightMoved = std::abs(height - currentHeight) > 1;
    if (!widthMoved && !heightMoved)
    {
        return current; // a host asking for the size it has (a scale between the steps stays)
    }
    const double byWidth = static_cast<double>(width) / kEditorWidth;
    const double byHeight = static_cast<double>(height) / kEditorHeight;
    if (widthMoved && heightMoved)
    {
        // A frame of that size: the largest step that fits inside it.
        const double room = std::min(byWidth, byHeight);
        double best = kMinEditorScale;
        for (double step = kMinEditorScale; step <= kMaxEditorScale + 1e-9; step += kEditorScaleStep)
        {
            if (step <= room + 1e-9)
            {
                best = step;
            }
        }
        if (current <= room + 1e-9 && current > best)
        {
            best = current;
        }
        return CGUI::ClampScale(best);
    }
    // One edge dragged: the step nearest to where it went.
    const double wanted = widthMoved ? byWidth : byHeight;
    double best = current;
    for (double step = kMinEditorScale; step <= kMaxEditorScale + 1e-9; step += kEditorScaleStep)
    {
        if (std::abs(step - wanted) < std::abs(best - wanted))
        {
            best = step;
        }
    }
    return CGUI::ClampScale(best);
}

void CDevice::AdjustEditorSize(int& width, int& height) const
{
    if (width <= 0 || height <= 0)
    {
        EditorSize(width, height);
        return;
    }
    std::int32_t w = 0;
    std::int32_t h = 0;
    m_Processor->DevicePanel().ScaledSize(ScaleOfSize(width, height), w, h);
    width = w;
    height = h;
}

bool CDevice::SetEditorSize(int width, int height)
{
    if (width <= 0 || height <= 0)
    {
        return false;
    }
    const double scale = ScaleOfSize(width, height);
    m_HostScale = true;
    m_Processor->DevicePanel().SetHostScale(scale);
    int taken = 0;
    int takenHeight = 0;
    EditorSize(taken, takenHeight);
    return taken == width && takenHeight == height;
}

bool CDevice::OnEditorSizeRequest(int width, int height)
{
    if (m_HostScale || m_EditorHost == nullptr || !m_EditorHost->RequestEditorSize(width, height))
    {
        return false;
    }
    m_ScreenScale = ScaleOfSize(width, height);
    return true;
}

void CDevice::CloseEditor()
{
    m_Processor->DevicePanel().close();
}

bool CDevice::IsEditorOpen() const
{
    return m_Processor->DevicePanel().HasWindow();
}

std::uintptr_t CDevice::EditorWindow() const
{
    return m_Processor->DevicePanel().NativeWindow();
}

void CDevice::OnPanelEdit(const PanelEdit& edit)
{
    PanelEdit sent = edit;
    if (edit.kind == PanelEdit::Kind::Value)
    {
        sent.value = std::isnan(edit.value) ? 0.0f : std::clamp(edit.value, 0.0f, 1.0f);
        if (edit.index == D::kInParameter)
        {
            FollowInSwitch();
        }
    }
    if (m_Sink != nullptr)
    {
        m_Sink->OnPanelEdit(sent);
    }
}

// The lamp shows what the processor does with the IN switch, also while no audio runs (a controller's
// device, a stopped host); the in-place process sets it to the same value each block.
void CDevice::FollowInSwitch()
{
    CDeviceGUI& panel = m_Processor->DevicePanel();
    panel.Lamp().SetValue(panel.InButton().Value() == 0.0f ? 0.0f : 1.0f);
}
} // namespace KVX
