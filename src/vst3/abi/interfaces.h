// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The VST3 interfaces this plug-in implements or calls, with their records, in their published slot order.
// Records use natural alignment on every platform we build for.
#include "vst3/abi/types.h"

#include <cstddef>

namespace KVX::Vst3
{
class IBStream;
class IComponentHandler;
class IParamValueQueue;
class IParameterChanges;
class IPlugFrame;
class IPlugView;

// ---- Factory ---------------------------------------------------------------------------------------

struct PFactoryInfo
{
    enum : std::int32_t
    {
        kNoFlags = 0,
        kClassesDiscardable = 1 << 0,
        kUnicode = 1 << 4
    };
    char vendor[64];
    char url[256];
    char email[128];
    std::int32_t flags;
};

struct PClassInfo
{
    static constexpr std::int32_t kManyInstances = 0x7FFFFFFF;
    char cid[16];
    std::int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2
{
    char cid[16];
    std::int32_t cardinality;
    char category[32];
    char name[64];
    std::uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW
{
    char cid[16];
    std::int32_t cardinality;
    char category[32];
    TChar name[64];
    std::uint32_t classFlags;
    char subCategories[128];
    TChar vendor[64];
    TChar version[64];
    TChar sdkVersion[64];
};

class IPluginFactory : public FUnknown
{
public:
    virtual tresult KVX_VST3_API getFactoryInfo(PFactoryInfo* info) = 0;
    virtual std::int32_t KVX_VST3_API countClasses() = 0;
    virtual tresult KVX_VST3_API getClassInfo(std::int32_t index, PClassInfo* info) = 0;
    virtual tresult KVX_VST3_API createInstance(FIDString cid, FIDString iid, void** object) = 0;
};

class IPluginFactory2 : public IPluginFactory
{
public:
    virtual tresult KVX_VST3_API getClassInfo2(std::int32_t index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2
{
public:
    virtual tresult KVX_VST3_API getClassInfoUnicode(std::int32_t index, PClassInfoW* info) = 0;
    virtual tresult KVX_VST3_API setHostContext(FUnknown* context) = 0;
};

// ---- Component -------------------------------------------------------------------------------------

enum MediaTypes : MediaType
{
    kAudio = 0,
    kEvent = 1
};
enum BusDirections : BusDirection
{
    kInput = 0,
    kOutput = 1
};
enum BusTypes : BusType
{
    kMain = 0,
    kAux = 1
};

struct BusInfo
{
    enum : std::uint32_t
    {
        kDefaultActive = 1 << 0
    };
    MediaType mediaType;
    BusDirection direction;
    std::int32_t channelCount;
    String128 name;
    BusType busType;
    std::uint32_t flags;
};

struct RoutingInfo
{
    MediaType mediaType;
    std::int32_t busIndex;
    std::int32_t channel;
};

class IPluginBase : public FUnknown
{
public:
    virtual tresult KVX_VST3_API initialize(FUnknown* context) = 0;
    virtual tresult KVX_VST3_API terminate() = 0;
};

class IComponent : public IPluginBase
{
public:
    virtual tresult KVX_VST3_API getControllerClassId(TUID classId) = 0;
    virtual tresult KVX_VST3_API setIoMode(IoMode mode) = 0;
    virtual std::int32_t KVX_VST3_API getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult KVX_VST3_API getBusInfo(MediaType type, BusDirection dir, std::int32_t index,
                                            BusInfo& bus) = 0;
    virtual tresult KVX_VST3_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult KVX_VST3_API activateBus(MediaType type, BusDirection dir, std::int32_t index,
                                             TBool state) = 0;
    virtual tresult KVX_VST3_API setActive(TBool state) = 0;
    virtual tresult KVX_VST3_API setState(IBStream* state) = 0;
    virtual tresult KVX_VST3_API getState(IBStream* state) = 0;
};

// ---- Audio processor -------------------------------------------------------------------------------

enum SymbolicSampleSizes : std::int32_t
{
    kSample32 = 0,
    kSample64 = 1
};
constexpr SpeakerArrangement kSpeakerL = 1u << 0;
constexpr SpeakerArrangement kSpeakerR = 1u << 1;
constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;

struct ProcessSetup
{
    std::int32_t processMode;
    std::int32_t symbolicSampleSize;
    std::int32_t maxSamplesPerBlock;
    SampleRate sampleRate;
};

struct AudioBusBuffers
{
    std::int32_t numChannels;
    std::uint64_t silenceFlags;
    union
    {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

struct ProcessData
{
    std::int32_t processMode;
    std::int32_t symbolicSampleSize;
    std::int32_t numSamples;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    void* inputEvents;
    void* outputEvents;
    void* processContext;
};

class IAudioProcessor : public FUnknown
{
public:
    virtual tresult KVX_VST3_API setBusArrangements(SpeakerArrangement* inputs, std::int32_t numIns,
                                                    SpeakerArrangement* outputs, std::int32_t numOuts) = 0;
    virtual tresult KVX_VST3_API getBusArrangement(BusDirection dir, std::int32_t index,
                                                   SpeakerArrangement& arrangement) = 0;
    virtual tresult KVX_VST3_API canProcessSampleSize(std::int32_t symbolicSampleSize) = 0;
    virtual std::uint32_t KVX_VST3_API getLatencySamples() = 0;
    virtual tresult KVX_VST3_API setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult KVX_VST3_API setProcessing(TBool state) = 0;
    virtual tresult KVX_VST3_API process(ProcessData& data) = 0;
    virtual std::uint32_t KVX_VST3_API getTailSamples() = 0;
};

// What the processor needs of the host's process context in each block (flag bits; none here).
class IProcessContextRequirements : public FUnknown
{
public:
    virtual std::uint32_t KVX_VST3_API getProcessContextRequirements() = 0;
};

class IParamValueQueue : public FUnknown
{
public:
    virtual ParamID KVX_VST3_API getParameterId() = 0;
    virtual std::int32_t KVX_VST3_API getPointCount() = 0;
    virtual tresult KVX_VST3_API getPoint(std::int32_t index, std::int32_t& sampleOffset,
                                          ParamValue& value) = 0;
    virtual tresult KVX_VST3_API addPoint(std::int32_t sampleOffset, ParamValue value,
                                          std::int32_t& index) = 0;
};

class IParameterChanges : public FUnknown
{
public:
    virtual std::int32_t KVX_VST3_API getParameterCount() = 0;
    virtual IParamValueQueue* KVX_VST3_API getParameterData(std::int32_t index) = 0;
    virtual IParamValueQueue* KVX_VST3_API addParameterData(const ParamID& id, std::int32_t& index) = 0;
};

// ---- Streams ---------------------------------------------------------------------------------------

class IBStream : public FUnknown
{
public:
    enum : std::int32_t
    {
        kIBSeekSet = 0,
        kIBSeekCur = 1,
        kIBSeekEnd = 2
    };
    virtual tresult KVX_VST3_API read(void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead) = 0;
    virtual tresult KVX_VST3_API write(void* buffer, std::int32_t numBytes,
                                       std::int32_t* numBytesWritten) = 0;
    virtual tresult KVX_VST3_API seek(std::int64_t pos, std::int32_t mode, std::int64_t* result) = 0;
    virtual tresult KVX_VST3_API tell(std::int64_t* pos) = 0;
};

// ---- Edit controller -------------------------------------------------------------------------------

struct ParameterInfo
{
    enum : std::int32_t
    {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    std::int32_t stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    std::int32_t flags;
};

class IComponentHandler : public FUnknown
{
public:
    virtual tresult KVX_VST3_API beginEdit(ParamID id) = 0;
    virtual tresult KVX_VST3_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult KVX_VST3_API endEdit(ParamID id) = 0;
    virtual tresult KVX_VST3_API restartComponent(std::int32_t flags) = 0;
};

class IEditController : public IPluginBase
{
public:
    virtual tresult KVX_VST3_API setComponentState(IBStream* state) = 0;
    virtual tresult KVX_VST3_API setState(IBStream* state) = 0;
    virtual tresult KVX_VST3_API getState(IBStream* state) = 0;
    virtual std::int32_t KVX_VST3_API getParameterCount() = 0;
    virtual tresult KVX_VST3_API getParameterInfo(std::int32_t paramIndex, ParameterInfo& info) = 0;
    virtual tresult KVX_VST3_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                       String128 string) = 0;
    virtual tresult KVX_VST3_API getParamValueByString(ParamID id, TChar* string,
                                                       ParamValue& valueNormalized) = 0;
    virtual ParamValue KVX_VST3_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue KVX_VST3_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue KVX_VST3_API getParamNormalized(ParamID id) = 0;
    virtual tresult KVX_VST3_API setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult KVX_VST3_API setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* KVX_VST3_API createView(FIDString name) = 0;
};

// Joins a separate component and controller; the messages themselves are not needed here.
class IConnectionPoint : public FUnknown
{
public:
    virtual tresult KVX_VST3_API connect(IConnectionPoint* other) = 0;
    virtual tresult KVX_VST3_API disconnect(IConnectionPoint* other) = 0;
    virtual tresult KVX_VST3_API notify(FUnknown* message) = 0;
};

class IHostApplication : public FUnknown
{
public:
    virtual tresult KVX_VST3_API getName(String128 name) = 0;
    virtual tresult KVX_VST3_API createInstance(TUID cid, TUID iid, void** object) = 0;
};

// ---- Plug view -------------------------------------------------------------------------------------

struct ViewRect
{
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
constexpr const char* kEditorViewName = "editor";

class IPlugView : public FUnknown
{
public:
    virtual tresult KVX_VST3_API isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult KVX_VST3_API attached(void* parent, FIDString type) = 0;
    virtual tresult KVX_VST3_API removed() = 0;
    virtual tresult KVX_VST3_API onWheel(float distance) = 0;
    virtual tresult KVX_VST3_API onKeyDown(TChar key, std::int16_t keyCode, std::int16_t modifiers) = 0;
    virtual tresult KVX_VST3_API onKeyUp(TChar key, std::int16_t keyCode, std::int16_t modifiers) = 0;
    virtual tresult KVX_VST3_API getSize(ViewRect* size) = 0;
    virtual tresult KVX_VST3_API onSize(ViewRect* newSize) = 0;
    virtual tresult KVX_VST3_API onFocus(TBool state) = 0;
    virtual tresult KVX_VST3_API setFrame(IPlugFrame* frame) = 0;
    virtual tresult KVX_VST3_API canResize() = 0;
    virtual tresult KVX_VST3_API checkSizeConstraint(ViewRect* rect) = 0;
};

class IPlugFrame : public FUnknown
{
public:
    virtual tresult KVX_VST3_API resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

// The host's scale for the view's content (1 = 100 %), offered beside IPlugView.
class IPlugViewContentScaleSupport : public FUnknown
{
public:
    using ScaleFactor = float;
    virtual tresult KVX_VST3_API setContentScaleFactor(ScaleFactor factor) = 0;
};

// The host's event loop on Linux, offered by the frame given to setFrame.
class ITimerHandler : public FUnknown
{
public:
    virtual void KVX_VST3_API onTimer() = 0;
};

class IEventHandler : public FUnknown
{
public:
    virtual void KVX_VST3_API onFDIsSet(FileDescriptor fd) = 0;
};

class IRunLoop : public FUnknown
{
public:
    virtual tresult KVX_VST3_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult KVX_VST3_API unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult KVX_VST3_API registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult KVX_VST3_API unregisterTimer(ITimerHandler* handler) = 0;
};

// ---- Interface identifiers -------------------------------------------------------------------------

namespace Iid
{
constexpr Uid IPluginFactory = Uid::FromWords(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
constexpr Uid IPluginFactory2 = Uid::FromWords(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
constexpr Uid IPluginFactory3 = Uid::FromWords(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
constexpr Uid IPluginBase = Uid::FromWords(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
constexpr Uid IComponent = Uid::FromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
constexpr Uid IAudioProcessor = Uid::FromWords(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
constexpr Uid IProcessContextRequirements = Uid::FromWords(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
constexpr Uid IEditController = Uid::FromWords(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
constexpr Uid IConnectionPoint = Uid::FromWords(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
constexpr Uid IComponentHandler = Uid::FromWords(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
constexpr Uid IHostApplication = Uid::FromWords(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
constexpr Uid IBStream = Uid::FromWords(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
constexpr Uid IParamValueQueue = Uid::FromWords(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
constexpr Uid IParameterChanges = Uid::FromWords(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
constexpr Uid IPlugView = Uid::FromWords(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
constexpr Uid IPlugFrame = Uid::FromWords(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
constexpr Uid IPlugViewContentScaleSupport = Uid::FromWords(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
constexpr Uid ITimerHandler = Uid::FromWords(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
constexpr Uid IEventHandler = Uid::FromWords(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
constexpr Uid IRunLoop = Uid::FromWords(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
} // namespace Iid

// Layouts the host relies on byte for byte.
static_assert(sizeof(PFactoryInfo) == 452);
static_assert(sizeof(PClassInfo) == 116);
static_assert(sizeof(PClassInfo2) == 440);
static_assert(sizeof(PClassInfoW) == 696);
static_assert(sizeof(BusInfo) == 276);
static_assert(sizeof(ProcessSetup) == 24);
static_assert(sizeof(AudioBusBuffers) == 24);
static_assert(sizeof(ParameterInfo) == 792);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(sizeof(ViewRect) == 16);
static_assert(sizeof(ProcessData) == (sizeof(void*) == 8 ? 80 : 48));
} // namespace KVX::Vst3
