// SPDX-License-Identifier: GPL-3.0-or-later
// Our VST3 host loads each factory .vstpreset as hosts do: the class it names, the component's state, then
// the controller's; the plug-in then holds and shows the preset's values.
#include "bank.h"
#include "formats/vst3_preset.h"
#include "vst3/plugin_fixture.h"

namespace KVX::Test::Vst3
{
namespace
{
class FactoryVst3Presets : public Vst3Plugin
{
};

TEST_F(FactoryVst3Presets, EachLoadsIntoTheVst3Build)
{
    // The class id as preset files spell it, from the class the module's factory lists.
    char classId[33];
    const auto* cid = reinterpret_cast<const unsigned char*>(m_Class.cid);
    for (int i = 0; i < 16; ++i)
    {
        std::snprintf(classId + 2 * i, 3, "%02X", cid[i]);
    }
    for (const BankPreset& preset : ReadBank())
    {
        const auto bytes =
            ReadFile(std::string(KVX_FACTORY_PRESETS_DIR) + "/vst3/" + preset.name + ".vstpreset");
        Formats::Vst3Preset::Preset file;
        ASSERT_EQ(Formats::Vst3Preset::Decode(bytes.data(), bytes.size(), file),
                  Formats::Vst3Preset::DecodeError::None);
        EXPECT_EQ(file.classId, classId) << preset.name;

        auto instance = NewInstance();
        ASSERT_EQ(instance->SetState(file.component), kResultOk) << preset.name;
        CMemoryStream controllerState(file.controller);
        EXPECT_EQ(instance->Controller()->setState(&controllerState), kResultOk);
        EXPECT_EQ(instance->State(), file.component) << preset.name;
        for (std::size_t i = 0; i < preset.values.size(); ++i)
        {
            EXPECT_EQ(instance->Controller()->getParamNormalized(static_cast<ParamID>(i)),
                      static_cast<double>(preset.values[i]))
                << preset.name << " parameter " << i;
        }
    }
}
} // namespace
} // namespace KVX::Test::Vst3
