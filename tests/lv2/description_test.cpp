// The device description against the records and constants the VST build is made from, so that the two
// cannot drift apart while the existing code does not read the description yet.
#include "device/description.h"
#include "device/device_dsp.h"
#include "device/device_layout.h"
#include "gui/core/exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace KVX::Test
{
namespace
{
namespace D = Device::Description;

std::u16string U16(std::string_view text)
{
    return std::u16string(text.begin(), text.end()); // the description's texts are ASCII
}

TEST(DeviceDescription, AgreesWithTheLayoutRecords)
{
    for (const auto& parameter : D::kParameters)
    {
        SCOPED_TRACE(std::string(parameter.name));
        const WidgetSpec& record = parameter.kind == D::ParameterKind::BandFader
                                       ? Device::g_FaderSpecs[static_cast<std::size_t>(parameter.index)]
                                       : Device::g_InButtonSpec;
        EXPECT_EQ(record.name, U16(parameter.name));
        EXPECT_EQ(record.paramIndex, parameter.index);
        EXPECT_EQ(record.unit, U16(parameter.unit));
        EXPECT_EQ(record.minDisplay, parameter.displayMin);
        EXPECT_EQ(record.maxDisplay, parameter.displayMax);
        EXPECT_EQ(record.defaultValue, parameter.recordDefault);
        if (parameter.kind == D::ParameterKind::BandFader)
        {
            EXPECT_EQ(record.image,
                      U16(D::kFaderImages[static_cast<std::size_t>(parameter.index)].resourceName));
        }
    }
    EXPECT_EQ(Device::g_InButtonSpec.image, U16(D::kButtonImage.resourceName));
    EXPECT_EQ(Device::g_LampSpec.image, U16(D::kLampImage.resourceName));
    EXPECT_EQ(Device::g_HintSpec.image, U16(D::kHintImage.resourceName));
    EXPECT_EQ(Device::g_BackgroundSpec.image, U16(D::kBackgroundImage.resourceName));
    EXPECT_EQ(Device::g_BackgroundSpec.width, D::kPanelWidth);
    EXPECT_EQ(Device::g_BackgroundSpec.height, D::kPanelHeight);
    EXPECT_EQ(Device::kBandCount, D::kBandCount);
    EXPECT_EQ(Device::kInParam, D::kInParameter);
}

TEST(DeviceDescription, AgreesWithTheProcessorsIdentity)
{
    EXPECT_EQ(CDeviceDSP::kUniqueId, D::kIdentity.uniqueId);
    EXPECT_EQ(Exceptions::ErrorCaption(), U16(D::kIdentity.name) + u" " + U16(D::kIdentity.versionText));
    std::string parts;
    for (int part : D::kIdentity.versionParts)
    {
        parts += (parts.empty() ? "" : ".") + std::to_string(part);
    }
    EXPECT_EQ(parts, D::kIdentity.versionText);
}
} // namespace
} // namespace KVX::Test
