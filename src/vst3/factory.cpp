// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/factory.h"

#include "device/description.h"
#include "vst3/class_ids.h"
#include "vst3/parameters.h"
#include "vst3/plugin.h"

#include <iterator>
#include <string_view>
#include <type_traits>

namespace KVX::Vst3
{
namespace
{
using Device::Description::kIdentity;

// The one class, described in any of the three record forms; the two longer forms add vendor, version and
// sub-categories. Texts are cut to each record's own field sizes.
template <class Info> tresult FillClassInfo(std::int32_t index, Info* info)
{
    if (info == nullptr || index != 0)
    {
        return kInvalidArgument;
    }
    *info = Info{};
    kProcessorClassId.CopyTo(info->cid);
    info->cardinality = PClassInfo::kManyInstances;
    CopyText(std::string_view(kAudioEffectCategory), info->category, std::size(info->category));
    CopyText(kIdentity.name, info->name, std::size(info->name));
    if constexpr (!std::is_same_v<Info, PClassInfo>)
    {
        CopyText(std::string_view(kSubCategories), info->subCategories, std::size(info->subCategories));
        CopyText(kIdentity.vendor, info->vendor, std::size(info->vendor));
        CopyText(kIdentity.versionText, info->version, std::size(info->version));
        CopyText(std::string_view(kInterfaceVersion), info->sdkVersion, std::size(info->sdkVersion));
    }
    return kResultOk;
}
} // namespace

CFactory& CFactory::Instance()
{
    static CFactory factory;
    return factory;
}

tresult CFactory::queryInterface(const TUID iid, void** object)
{
    if (object == nullptr)
    {
        return kInvalidArgument;
    }
    if (Iid::FUnknown.Equals(iid) || Iid::IPluginFactory.Equals(iid) || Iid::IPluginFactory2.Equals(iid) ||
        Iid::IPluginFactory3.Equals(iid))
    {
        *object = static_cast<IPluginFactory3*>(this);
        addRef();
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

std::uint32_t CFactory::addRef()
{
    return m_References.fetch_add(1) + 1;
}

std::uint32_t CFactory::release()
{
    std::uint32_t now = m_References.load();
    while (now > 1 && !m_References.compare_exchange_weak(now, now - 1))
    {
    }
    return now > 1 ? now - 1 : 1;
}

tresult CFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (info == nullptr)
    {
        return kInvalidArgument;
    }
    *info = PFactoryInfo{};
    CopyText(kIdentity.vendor, info->vendor, sizeof info->vendor);
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
}

std::int32_t CFactory::countClasses()
{
    return 1;
}

tresult CFactory::getClassInfo(std::int32_t index, PClassInfo* info)
{
    return FillClassInfo(index, info);
}

tresult CFactory::getClassInfo2(std::int32_t index, PClassInfo2* info)
{
    return FillClassInfo(index, info);
}

tresult CFactory::getClassInfoUnicode(std::int32_t index, PClassInfoW* info)
{
    return FillClassInfo(index, info);
}

tresult CFactory::setHostContext(FUnknown*)
{
    return kResultOk;
}

tresult CFactory::createInstance(FIDString cid, FIDString iid, void** object)
{
    if (object == nullptr)
    {
        return kInvalidArgument;
    }
    *object = nullptr;
    if (cid == nullptr || iid == nullptr || !kProcessorClassId.Equals(cid))
    {
        return kNoInterface;
    }
    CPlugin* plugin = CPlugin::Create();
    if (plugin == nullptr)
    {
        return kOutOfMemory;
    }
    const tresult result = plugin->queryInterface(iid, object);
    plugin->release(); // the interface asked for holds the one reference left
    return result;
}
} // namespace KVX::Vst3
