// SPDX-License-Identifier: GPL-3.0-or-later
// Objects of a host built on its own declarations of the interfaces: the same slots under other class
// names, as every real host has. The plug-in may rely on nothing but the slots; in the sanitised build
// the type check on virtual calls stopped it at the first call into such an object.
#include "plugin_fixture.h"

namespace HostSdk
{
using KVX::Vst3::ParamID;
using KVX::Vst3::ParamValue;
using KVX::Vst3::tresult;

class FUnknown
{
public:
    virtual tresult KVX_VST3_API queryInterface(const char* iid, void** object) = 0;
    virtual std::uint32_t KVX_VST3_API addRef() = 0;
    virtual std::uint32_t KVX_VST3_API release() = 0;
};

class IBStream : public FUnknown
{
public:
    virtual tresult KVX_VST3_API read(void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead) = 0;
    virtual tresult KVX_VST3_API write(void* buffer, std::int32_t numBytes,
                                       std::int32_t* numBytesWritten) = 0;
    virtual tresult KVX_VST3_API seek(std::int64_t pos, std::int32_t mode, std::int64_t* result) = 0;
    virtual tresult KVX_VST3_API tell(std::int64_t* pos) = 0;
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

class IComponentHandler : public FUnknown
{
public:
    virtual tresult KVX_VST3_API beginEdit(ParamID id) = 0;
    virtual tresult KVX_VST3_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult KVX_VST3_API endEdit(ParamID id) = 0;
    virtual tresult KVX_VST3_API restartComponent(std::int32_t flags) = 0;
};
} // namespace HostSdk

namespace KVX::Test::Vst3
{
namespace
{
template <typename Interface> class CCounted : public Interface
{
public:
    tresult KVX_VST3_API queryInterface(const char*, void** object) override
    {
        *object = nullptr;
        return kNoInterface;
    }
    std::uint32_t KVX_VST3_API addRef() override { return ++m_References; }
    std::uint32_t KVX_VST3_API release() override { return --m_References; }
    std::uint32_t References() const { return m_References; }

private:
    std::uint32_t m_References = 1;
};

// The host's object seen through our declarations, as the plug-in receives it.
template <typename Ours, typename Theirs> Ours* AsOurs(Theirs* object)
{
    return reinterpret_cast<Ours*>(object);
}

class CStream final : public CCounted<HostSdk::IBStream>
{
public:
    tresult KVX_VST3_API read(void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead) override
    {
        const auto n = std::min(static_cast<std::size_t>(numBytes), bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, n);
        at += n;
        *numBytesRead = static_cast<std::int32_t>(n);
        return kResultOk;
    }
    tresult KVX_VST3_API write(void* buffer, std::int32_t numBytes, std::int32_t* numBytesWritten) override
    {
        const auto* from = static_cast<const std::uint8_t*>(buffer);
        bytes.insert(bytes.end(), from, from + numBytes);
        *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult KVX_VST3_API seek(std::int64_t, std::int32_t, std::int64_t*) override { return kNotImplemented; }
    tresult KVX_VST3_API tell(std::int64_t* pos) override
    {
        *pos = static_cast<std::int64_t>(at);
        return kResultOk;
    }

    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
};

class COnePoint final : public CCounted<HostSdk::IParamValueQueue>
{
public:
    COnePoint(ParamID id, ParamValue value) : m_Id(id), m_Value(value) {}
    ParamID KVX_VST3_API getParameterId() override { return m_Id; }
    std::int32_t KVX_VST3_API getPointCount() override { return 1; }
    tresult KVX_VST3_API getPoint(std::int32_t, std::int32_t& sampleOffset, ParamValue& value) override
    {
        sampleOffset = 0;
        value = m_Value;
        return kResultOk;
    }
    tresult KVX_VST3_API addPoint(std::int32_t, ParamValue, std::int32_t&) override { return kResultFalse; }

private:
    ParamID m_Id;
    ParamValue m_Value;
};

class COneChange final : public CCounted<HostSdk::IParameterChanges>
{
public:
    COneChange(ParamID id, ParamValue value) : m_Point(id, value) {}
    std::int32_t KVX_VST3_API getParameterCount() override { return 1; }
    HostSdk::IParamValueQueue* KVX_VST3_API getParameterData(std::int32_t) override { return &m_Point; }
    HostSdk::IParamValueQueue* KVX_VST3_API addParameterData(const ParamID&, std::int32_t&) override
    {
        return nullptr;
    }

private:
    COnePoint m_Point;
};

class CHandler final : public CCounted<HostSdk::IComponentHandler>
{
public:
    tresult KVX_VST3_API beginEdit(ParamID) override { return kResultOk; }
    tresult KVX_VST3_API performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult KVX_VST3_API endEdit(ParamID) override { return kResultOk; }
    tresult KVX_VST3_API restartComponent(std::int32_t) override { return kResultOk; }
};

using Vst3ForeignHost = Vst3Plugin;

TEST_F(Vst3ForeignHost, ParameterChangesStateStreamsAndTheHandlerAreCalledThroughTheirSlots)
{
    CHandler handler;
    ASSERT_EQ(Controller()->setComponentHandler(AsOurs<IComponentHandler>(&handler)), kResultOk);
    EXPECT_EQ(handler.References(), 2u);

    ASSERT_EQ(m_Instance->Start(48000.0, 64), kResultOk);
    COneChange change(4, 0.25);
    std::vector<float> silence(64, 0.0f);
    const float* in[2] = {silence.data(), silence.data()};
    StereoBuffers out(64);
    ASSERT_EQ(m_Instance->Process(in, out.Channels(), 64, AsOurs<IParameterChanges>(&change)), kResultOk);

    CStream stream;
    ASSERT_EQ(Component()->getState(AsOurs<IBStream>(&stream)), kResultOk);
    EXPECT_EQ(StateValue(stream.bytes, 4), 0.25f);
    auto restored = NewInstance();
    ASSERT_EQ(restored->Component()->setState(AsOurs<IBStream>(&stream)), kResultOk);
    EXPECT_EQ(restored->Controller()->getParamNormalized(4), 0.25);

    EXPECT_EQ(Controller()->setComponentHandler(nullptr), kResultOk);
    EXPECT_EQ(handler.References(), 1u);
}
} // namespace
} // namespace KVX::Test::Vst3
