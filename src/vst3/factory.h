// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The module's one factory: it lists the device's class and creates it.
#include "vst3/abi/interfaces.h"

#include <atomic>

namespace KVX::Vst3
{
class CFactory final : public IPluginFactory3
{
public:
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    // The factory lives as long as the module: counting only keeps hosts' bookkeeping honest.
    std::uint32_t KVX_VST3_API addRef() override;
    std::uint32_t KVX_VST3_API release() override;

    tresult KVX_VST3_API getFactoryInfo(PFactoryInfo* info) override;
    std::int32_t KVX_VST3_API countClasses() override;
    tresult KVX_VST3_API getClassInfo(std::int32_t index, PClassInfo* info) override;
    tresult KVX_VST3_API createInstance(FIDString cid, FIDString iid, void** object) override;
    tresult KVX_VST3_API getClassInfo2(std::int32_t index, PClassInfo2* info) override;
    tresult KVX_VST3_API getClassInfoUnicode(std::int32_t index, PClassInfoW* info) override;
    tresult KVX_VST3_API setHostContext(FUnknown* context) override;

    static CFactory& Instance();

private:
    std::atomic<std::uint32_t> m_References{1};
};
} // namespace KVX::Vst3
