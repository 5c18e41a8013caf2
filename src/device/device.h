// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device as every plug-in format other than VST 2.4 sees it: one object that owns the processor
// (and through it the panel) and offers what a format needs, in the device's own terms. The formats
// talk to nothing else of the framework; the VST 2.4 module keeps its own road (dispatcher -> processor
// base -> panel).
#include "device/description.h"
#include "device/edit_queue.h"
#include "values/value_type.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace KVX
{
class CDeviceDSP;

class CDevice
{
public:
    // Hears the panel's edits as they happen, on the panel's own thread.
    class IEditSink
    {
    public:
        virtual void OnPanelEdit(const PanelEdit& edit) = 0;

    protected:
        ~IEditSink() = default;
    };

    static constexpr int kParameterCount = Device::Description::kParameterCount;
    static constexpr std::size_t kStateBytes = Device::Description::kChunkBytes;
    using State = std::array<std::uint8_t, kStateBytes>;

    // Rates a host may run the device at (both ends included). Below the lowest the upper bands lie
    // beyond the audio band and their sections are not stable designs; above the highest no host runs.
    static constexpr double kMinSampleRate = Device::Description::kMinSampleRate;
    static constexpr double kMaxSampleRate = Device::Description::kMaxSampleRate;
    static bool IsUsableSampleRate(double rate);

    // Null when the device could not be built; it has shown why in an error box.
    static std::unique_ptr<CDevice> Create();
    ~CDevice();

    // ---- the stream --------------------------------------------------------------------------------
    // Before processing, and again whenever the host changes them. False for an unusable rate, which
    // changes nothing. Blocks of any length are processed whatever maxFrames says.
    bool Prepare(double sampleRate, std::uint32_t maxFrames);
    // The host restarts the stream (transport jump, loop, re-activation): the filters forget the past.
    void Reset() noexcept;
    // Stereo, in place.
    void Process(float* left, float* right, std::uint32_t frames) noexcept;
    // A host's channels as it hands them: inputs 0 and 1 are left and right, a single input feeds both
    // (a mono source through a stereo device), none is silence; inputs whose bit is set in
    // `constantInputs` hold one value for the block in their first sample. Outputs 0 and 1 get left and
    // right (a single output gets left); outputs beyond them are silenced. Any buffer may be any other
    // (in place, crossed, shared); null buffers are silence in and skipped out.
    void Process(const float* const* inputs, std::uint32_t inputCount, float* const* outputs,
                 std::uint32_t outputCount, std::uint32_t frames, std::uint64_t constantInputs = 0) noexcept;
    // The same channels arranged the same way, unfiltered: what a host's own bypass lets through.
    void Pass(const float* const* inputs, std::uint32_t inputCount, float* const* outputs,
              std::uint32_t outputCount, std::uint32_t frames, std::uint64_t constantInputs = 0) noexcept;

    // ---- parameters: normalised values (0 … 1), as the panel holds them ---------------------------
    static bool IsParameter(std::int64_t index) { return index >= 0 && index < kParameterCount; }
    static const Values::CValueType& ValueType(int index);
    static const Device::Description::Parameter& Parameter(int index);
    float Value(int index) const;
    // From a host: clamped; NaN is ignored. A switch is held at exactly 0 or 1.
    void SetValue(int index, float normalised);
    std::string Text(int index, float normalised) const
    {
        return ValueType(index).FormatWithUnit(normalised);
    }
    std::optional<float> Parse(int index, std::string_view text) const
    {
        return ValueType(index).Parse(text);
    }

    // ---- the state: the program chunk ---------------------------------------------------------------
    State SaveState() const;
    // Whole or nothing: a short, foreign or damaged state (a missing or repeated index, a value that is
    // not within 0 … 1) changes nothing and answers false.
    bool LoadState(const void* data, std::size_t size);

    // ---- the editor --------------------------------------------------------------------------------
    static constexpr int kEditorWidth = Device::Description::kPanelWidth;
    static constexpr int kEditorHeight = Device::Description::kPanelHeight;
    // A child of the host's window (an X11 window id or an HWND); false when the window could not be
    // made (the panel has said why).
    bool OpenEditor(void* parent);
    void CloseEditor();
    bool IsEditorOpen() const;
    // The editor's own window, for hosts that embed it by id (0 while closed).
    std::uintptr_t EditorWindow() const;
    // Null for none; set before the editor opens, cleared before the sink goes away.
    void SetEditSink(IEditSink* sink) { m_Sink = sink; }

    // ---- the editor's scale: 1 = 100 %, from 1 to 2 ------------------------------------------------
    // The window is round(kEditorWidth × s) × round(kEditorHeight × s) physical pixels; inside, the panel
    // behaves the same at every scale. The scale belongs to the screen, never to the state.
    static constexpr double kMinEditorScale = 1.0;
    static constexpr double kMaxEditorScale = 2.0;
    // Sizes a host may resize the editor to are the scales in these steps (and the host's own scale).
    static constexpr double kEditorScaleStep = 0.25;

    // Asked when the editor wants a new size by itself (the screen's scale changed under it): true when
    // the host resized its frame, and the editor then takes the size. Called on the editor's thread.
    class IEditorHost
    {
    public:
        virtual bool RequestEditorSize(int width, int height) = 0;

    protected:
        ~IEditorHost() = default;
    };
    // Null for none; cleared before the host goes away.
    void SetEditorHost(IEditorHost* host) { m_EditorHost = host; }

    // The host's scale for the editor (clamped into 1 … 2; not a positive finite number: ignored). An
    // open editor takes it at once.
    void SetEditorScale(double scale);
    // The host's scale once it set one (or resized the editor), else the screen's (Linux: Xft.dpi of the
    // X resources, 96 dpi = 1; Windows: the DPI the system gives the host).
    double EditorScale() const;
    bool HostSetEditorScale() const { return m_HostScale; }
    // The editor's size in physical pixels at EditorScale.
    void EditorSize(int& width, int& height) const;
    // The size the editor can take for the one asked for: its own aspect ratio at a scale of 1 … 2 in
    // kEditorScaleStep steps (or the current scale). A frame changed in both directions gets the largest
    // size that fits inside it; one edge dragged, the step nearest to where it went; the current size
    // stays the current size.
    void AdjustEditorSize(int& width, int& height) const;
    // The host gives the editor a new size: it takes the adjusted one, which becomes its scale. False when
    // that is not exactly the size asked for (or the size is not positive: nothing changes then).
    bool SetEditorSize(int width, int height);

private:
    explicit CDevice(std::unique_ptr<CDeviceDSP> processor);
    void OnPanelEdit(const PanelEdit& edit);
    void FollowInSwitch();
    void ProcessPieces(float* left, float* right, std::uint32_t frames) noexcept;
    void Route(const float* const* inputs, std::uint32_t inputCount, float* const* outputs,
               std::uint32_t outputCount, std::uint32_t frames, std::uint64_t constantInputs,
               bool filter) noexcept;

    friend struct DeviceHostCallback;
    bool OnEditorSizeRequest(int width, int height);
    double ScaleOfSize(int width, int height) const;

    std::unique_ptr<CDeviceDSP> m_Processor;
    IEditSink* m_Sink = nullptr;
    IEditorHost* m_EditorHost = nullptr;
    bool m_HostScale = false;         // the host set a scale or a size
    mutable double m_ScreenScale = 0; // the screen's scale as last read (0 = not yet)
    // For hosts whose buffers cannot be filtered in place.
    std::array<std::vector<float>, 2> m_Scratch;
};
} // namespace KVX
