// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Our own declarations of the CLAP plug-in ABI (version 1.x), for both sides: the plug-in module and the
// hosts that load CLAP modules (tovik, the tests). Plain C layout: every record is a struct of fixed-size
// fields and function pointers with the C calling convention (cdecl on 32-bit Windows), so the sizes and
// offsets below are what any CLAP host or plug-in expects.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define KVX_CLAP_CALL __cdecl
#else
#define KVX_CLAP_CALL
#endif

namespace KVX::Clap
{
using Id = std::uint32_t;
constexpr Id kInvalidId = 0xFFFFFFFFu;

// Fixed text sizes, terminator included.
constexpr std::size_t kNameSize = 256;
constexpr std::size_t kPathSize = 1024;

struct Version
{
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
// What this module was written against; hosts accept any 1.x.
constexpr Version kVersion{1, 2, 0};
constexpr bool IsCompatible(const Version& v)
{
    return v.major >= 1;
}

struct Host;
struct Plugin;

// ---- entry and factory -----------------------------------------------------------------------------
struct PluginEntry
{
    Version clapVersion;
    bool(KVX_CLAP_CALL* init)(const char* pluginPath);
    void(KVX_CLAP_CALL* deinit)();
    const void*(KVX_CLAP_CALL* getFactory)(const char* factoryId);
};
constexpr const char* kEntrySymbol = "clap_entry";
constexpr const char* kPluginFactoryId = "clap.plugin-factory";

struct PluginDescriptor
{
    Version clapVersion;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manualUrl;
    const char* supportUrl;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct PluginFactory
{
    std::uint32_t(KVX_CLAP_CALL* getPluginCount)(const PluginFactory* factory);
    const PluginDescriptor*(KVX_CLAP_CALL* getPluginDescriptor)(const PluginFactory* factory,
                                                                std::uint32_t index);
    const Plugin*(KVX_CLAP_CALL* createPlugin)(const PluginFactory* factory, const Host* host,
                                               const char* pluginId);
};

// ---- host ------------------------------------------------------------------------------------------
struct Host
{
    Version clapVersion;
    void* hostData;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(KVX_CLAP_CALL* getExtension)(const Host* host, const char* extensionId);
    void(KVX_CLAP_CALL* requestRestart)(const Host* host);
    void(KVX_CLAP_CALL* requestProcess)(const Host* host);
    void(KVX_CLAP_CALL* requestCallback)(const Host* host);
};

// ---- events ----------------------------------------------------------------------------------------
struct EventHeader
{
    std::uint32_t size; // of the whole event, header included
    std::uint32_t time; // frame offset within the block
    std::uint16_t spaceId;
    std::uint16_t type;
    std::uint32_t flags;
};
constexpr std::uint16_t kCoreEventSpace = 0;
constexpr std::uint32_t kEventIsLive = 1u << 0;
constexpr std::uint32_t kEventDontRecord = 1u << 1;

enum EventType : std::uint16_t
{
    kEventNoteOn = 0,
    kEventNoteOff = 1,
    kEventNoteChoke = 2,
    kEventNoteEnd = 3,
    kEventNoteExpression = 4,
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
    kEventTransport = 9,
    kEventMidi = 10,
    kEventMidiSysex = 11,
    kEventMidi2 = 12,
};

struct EventParamValue
{
    EventHeader header;
    Id paramId;
    void* cookie;
    std::int32_t noteId; // -1: any
    std::int16_t portIndex;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct EventParamGesture
{
    EventHeader header;
    Id paramId;
};

struct InputEvents
{
    void* ctx;
    std::uint32_t(KVX_CLAP_CALL* size)(const InputEvents* list);
    const EventHeader*(KVX_CLAP_CALL* get)(const InputEvents* list, std::uint32_t index);
};

struct OutputEvents
{
    void* ctx;
    bool(KVX_CLAP_CALL* tryPush)(const OutputEvents* list, const EventHeader* event);
};

// ---- process ---------------------------------------------------------------------------------------
struct AudioBuffer
{
    float** data32;
    double** data64;
    std::uint32_t channelCount;
    std::uint32_t latency;
    std::uint64_t constantMask;
};

struct Process
{
    std::int64_t steadyTime;
    std::uint32_t framesCount;
    const void* transport; // a transport event, or null
    const AudioBuffer* audioInputs;
    AudioBuffer* audioOutputs;
    std::uint32_t audioInputsCount;
    std::uint32_t audioOutputsCount;
    const InputEvents* inEvents;
    const OutputEvents* outEvents;
};

using ProcessStatus = std::int32_t;
constexpr ProcessStatus kProcessError = 0;
constexpr ProcessStatus kProcessContinue = 1;
constexpr ProcessStatus kProcessContinueIfNotQuiet = 2;
constexpr ProcessStatus kProcessTail = 3;
constexpr ProcessStatus kProcessSleep = 4;

// ---- plug-in ---------------------------------------------------------------------------------------
struct Plugin
{
    const PluginDescriptor* desc;
    void* pluginData;
    bool(KVX_CLAP_CALL* init)(const Plugin* plugin);
    void(KVX_CLAP_CALL* destroy)(const Plugin* plugin);
    bool(KVX_CLAP_CALL* activate)(const Plugin* plugin, double sampleRate, std::uint32_t minFrames,
                                  std::uint32_t maxFrames);
    void(KVX_CLAP_CALL* deactivate)(const Plugin* plugin);
    bool(KVX_CLAP_CALL* startProcessing)(const Plugin* plugin);
    void(KVX_CLAP_CALL* stopProcessing)(const Plugin* plugin);
    void(KVX_CLAP_CALL* reset)(const Plugin* plugin);
    ProcessStatus(KVX_CLAP_CALL* process)(const Plugin* plugin, const Process* process);
    const void*(KVX_CLAP_CALL* getExtension)(const Plugin* plugin, const char* id);
    void(KVX_CLAP_CALL* onMainThread)(const Plugin* plugin);
};

// ---- extension: params -----------------------------------------------------------------------------
constexpr const char* kExtParams = "clap.params";

enum ParamInfoFlags : std::uint32_t
{
    kParamIsStepped = 1u << 0,
    kParamIsPeriodic = 1u << 1,
    kParamIsHidden = 1u << 2,
    kParamIsReadonly = 1u << 3,
    kParamIsBypass = 1u << 4,
    kParamIsAutomatable = 1u << 5,
    kParamIsModulatable = 1u << 10,
    kParamRequiresProcess = 1u << 15,
    kParamIsEnum = 1u << 16,
};

struct ParamInfo
{
    Id id;
    std::uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double minValue;
    double maxValue;
    double defaultValue;
};

struct PluginParams
{
    std::uint32_t(KVX_CLAP_CALL* count)(const Plugin* plugin);
    bool(KVX_CLAP_CALL* getInfo)(const Plugin* plugin, std::uint32_t index, ParamInfo* info);
    bool(KVX_CLAP_CALL* getValue)(const Plugin* plugin, Id paramId, double* value);
    bool(KVX_CLAP_CALL* valueToText)(const Plugin* plugin, Id paramId, double value, char* text,
                                     std::uint32_t capacity);
    bool(KVX_CLAP_CALL* textToValue)(const Plugin* plugin, Id paramId, const char* text, double* value);
    void(KVX_CLAP_CALL* flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

enum ParamRescanFlags : std::uint32_t
{
    kParamRescanValues = 1u << 0,
    kParamRescanText = 1u << 1,
    kParamRescanInfo = 1u << 2,
    kParamRescanAll = 1u << 3,
};

struct HostParams
{
    void(KVX_CLAP_CALL* rescan)(const Host* host, std::uint32_t flags);
    void(KVX_CLAP_CALL* clear)(const Host* host, Id paramId, std::uint32_t flags);
    void(KVX_CLAP_CALL* requestFlush)(const Host* host);
};

// ---- extension: audio ports ------------------------------------------------------------------------
constexpr const char* kExtAudioPorts = "clap.audio-ports";
constexpr std::uint32_t kAudioPortIsMain = 1u << 0;
constexpr const char* kPortMono = "mono";
constexpr const char* kPortStereo = "stereo";

struct AudioPortInfo
{
    Id id;
    char name[kNameSize];
    std::uint32_t flags;
    std::uint32_t channelCount;
    const char* portType;
    Id inPlacePair;
};

struct PluginAudioPorts
{
    std::uint32_t(KVX_CLAP_CALL* count)(const Plugin* plugin, bool isInput);
    bool(KVX_CLAP_CALL* get)(const Plugin* plugin, std::uint32_t index, bool isInput, AudioPortInfo* info);
};

// ---- extension: state ------------------------------------------------------------------------------
constexpr const char* kExtState = "clap.state";

struct IStream
{
    void* ctx;
    // Bytes read; 0 at the end; negative on error.
    std::int64_t(KVX_CLAP_CALL* read)(const IStream* stream, void* buffer, std::uint64_t size);
};

struct OStream
{
    void* ctx;
    // Bytes written; negative on error.
    std::int64_t(KVX_CLAP_CALL* write)(const OStream* stream, const void* buffer, std::uint64_t size);
};

struct PluginState
{
    bool(KVX_CLAP_CALL* save)(const Plugin* plugin, const OStream* stream);
    bool(KVX_CLAP_CALL* load)(const Plugin* plugin, const IStream* stream);
};

struct HostState
{
    void(KVX_CLAP_CALL* markDirty)(const Host* host);
};

// ---- extension: gui --------------------------------------------------------------------------------
constexpr const char* kExtGui = "clap.gui";
constexpr const char* kWindowApiX11 = "x11";
constexpr const char* kWindowApiWin32 = "win32";

struct Window
{
    const char* api;
    union
    {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};

struct GuiResizeHints
{
    bool canResizeHorizontally;
    bool canResizeVertically;
    bool preserveAspectRatio;
    std::uint32_t aspectRatioWidth;
    std::uint32_t aspectRatioHeight;
};

struct PluginGui
{
    bool(KVX_CLAP_CALL* isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
    bool(KVX_CLAP_CALL* getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
    bool(KVX_CLAP_CALL* create)(const Plugin* plugin, const char* api, bool isFloating);
    void(KVX_CLAP_CALL* destroy)(const Plugin* plugin);
    bool(KVX_CLAP_CALL* setScale)(const Plugin* plugin, double scale);
    bool(KVX_CLAP_CALL* getSize)(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(KVX_CLAP_CALL* canResize)(const Plugin* plugin);
    bool(KVX_CLAP_CALL* getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
    bool(KVX_CLAP_CALL* adjustSize)(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(KVX_CLAP_CALL* setSize)(const Plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool(KVX_CLAP_CALL* setParent)(const Plugin* plugin, const Window* window);
    bool(KVX_CLAP_CALL* setTransient)(const Plugin* plugin, const Window* window);
    void(KVX_CLAP_CALL* suggestTitle)(const Plugin* plugin, const char* title);
    bool(KVX_CLAP_CALL* show)(const Plugin* plugin);
    bool(KVX_CLAP_CALL* hide)(const Plugin* plugin);
};

struct HostGui
{
    void(KVX_CLAP_CALL* resizeHintsChanged)(const Host* host);
    bool(KVX_CLAP_CALL* requestResize)(const Host* host, std::uint32_t width, std::uint32_t height);
    bool(KVX_CLAP_CALL* requestShow)(const Host* host);
    bool(KVX_CLAP_CALL* requestHide)(const Host* host);
    void(KVX_CLAP_CALL* closed)(const Host* host, bool wasDestroyed);
};

// ---- extension: latency, log, thread check ---------------------------------------------------------
constexpr const char* kExtLatency = "clap.latency";
struct PluginLatency
{
    std::uint32_t(KVX_CLAP_CALL* get)(const Plugin* plugin);
};

constexpr const char* kExtLog = "clap.log";
enum LogSeverity : std::int32_t
{
    kLogDebug = 0,
    kLogInfo = 1,
    kLogWarning = 2,
    kLogError = 3,
    kLogFatal = 4,
    kLogHostMisbehaving = 5,
    kLogPluginMisbehaving = 6,
};
struct HostLog
{
    void(KVX_CLAP_CALL* log)(const Host* host, std::int32_t severity, const char* message);
};

constexpr const char* kExtThreadCheck = "clap.thread-check";
struct HostThreadCheck
{
    bool(KVX_CLAP_CALL* isMainThread)(const Host* host);
    bool(KVX_CLAP_CALL* isAudioThread)(const Host* host);
};

// The layout every CLAP module and host shares.
static_assert(sizeof(Version) == 12);
static_assert(sizeof(EventHeader) == 16);
static_assert(offsetof(EventParamValue, paramId) == 16);
static_assert(offsetof(EventParamValue, value) == (sizeof(void*) == 8 ? 48 : 40));
static_assert(sizeof(EventParamGesture) == 20);
static_assert(offsetof(ParamInfo, name) == (sizeof(void*) == 8 ? 16 : 12));
static_assert(offsetof(ParamInfo, minValue) == 1296);
static_assert(offsetof(AudioBuffer, constantMask) == (sizeof(void*) == 8 ? 24 : 16));
static_assert(offsetof(Process, framesCount) == 8);
static_assert(sizeof(Plugin) == 12 * sizeof(void*));
static_assert(sizeof(PluginGui) == 15 * sizeof(void*));
} // namespace KVX::Clap
