// SPDX-License-Identifier: GPL-3.0-or-later
// What the device builds from its description: the layout records, the panel, the processor and the
// default program resource all carry the description's values.
#include "device/description.h"
#include "device/device_dsp.h"
#include "device/device_gui.h"
#include "device/device_layout.h"
#include "formats/fxp.h"
#include "formats/program_chunk.h"
#include "gui/core/resource_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KVX::Test
{
namespace
{
namespace D = Device::Description;

std::u16string U16(std::string_view text)
{
    return std::u16string(text.begin(), text.end()); // the description's texts are ASCII
}

TEST(DeviceDescription, TheLayoutRecordsCarryTheParametersAndImages)
{
    for (const auto& parameter : D::kParameters)
    {
        SCOPED_TRACE(std::string(parameter.name));
        const bool fader = parameter.kind == D::ParameterKind::BandFader;
        const WidgetSpec& record =
            fader ? Device::g_FaderSpecs[static_cast<std::size_t>(parameter.index)] : Device::g_InButtonSpec;
        EXPECT_EQ(record.name, U16(parameter.name));
        EXPECT_EQ(record.paramIndex, parameter.index);
        EXPECT_EQ(record.unit, U16(parameter.unit));
        EXPECT_EQ(record.minDisplay, parameter.displayMin);
        EXPECT_EQ(record.maxDisplay, parameter.displayMax);
        EXPECT_EQ(record.defaultValue, parameter.recordDefault);
        const D::Image& image =
            fader ? D::kFaderImages[static_cast<std::size_t>(parameter.index)] : D::kButtonImage;
        EXPECT_EQ(record.image, U16(image.resourceName));
    }
    EXPECT_EQ(Device::g_LampSpec.image, U16(D::kLampImage.resourceName));
    EXPECT_EQ(Device::g_HintSpec.image, U16(D::kHintImage.resourceName));
    EXPECT_EQ(Device::g_BackgroundSpec.image, U16(D::kBackgroundImage.resourceName));
}

TEST(DeviceDescription, TheControlsFitThePanelAndTheirSheets)
{
    // The background is the panel: same size as the image it shows.
    EXPECT_EQ(Device::g_BackgroundSpec.width, D::kPanelWidth);
    EXPECT_EQ(Device::g_BackgroundSpec.height, D::kPanelHeight);
    EXPECT_EQ(D::kBackgroundImage.width, D::kPanelWidth);
    EXPECT_EQ(D::kBackgroundImage.height, D::kPanelHeight);

    for (std::size_t band = 0; band < D::kBandCount; ++band)
    {
        const WidgetSpec& record = Device::g_FaderSpecs[band];
        EXPECT_EQ(record.x, D::kFaderX[band]);
        EXPECT_EQ(record.y, D::kFaderY);
        // A fader is one frame of its sheet, laid out in the columns its name gives.
        EXPECT_EQ(D::kFaderImages[band].width % record.width, 0);
        EXPECT_EQ(D::kFaderImages[band].height % record.height, 0);
        EXPECT_LE(record.x + record.width, D::kPanelWidth);
        if (band > 0)
        {
            EXPECT_GE(record.x, Device::g_FaderSpecs[band - 1].x + record.width) << "faders overlap";
        }
    }
    for (const WidgetSpec* record : {&Device::g_InButtonSpec, &Device::g_LampSpec})
    {
        EXPECT_LE(record->x + record->width, D::kPanelWidth)
            << std::string(record->name.begin(), record->name.end());
        EXPECT_LE(record->y + record->height, D::kPanelHeight);
    }
    // Two-frame sheets in one column.
    EXPECT_EQ(D::kButtonImage.height, 2 * Device::g_InButtonSpec.height);
    EXPECT_EQ(D::kLampImage.height, 2 * Device::g_LampSpec.height);
}

TEST(DeviceDescription, ThePanelTakesItsSizeCaptionAndChunkFromTheDescription)
{
    CDeviceGUI panel(nullptr);
    EXPECT_EQ(panel.Width(), D::kPanelWidth);
    EXPECT_EQ(panel.Height(), D::kPanelHeight);
    EXPECT_EQ(panel.ErrorCaption(), U16(D::kIdentity.name) + u" " + U16(D::kIdentity.versionText));
    EXPECT_EQ(panel.ChunkBytes(), D::kChunkBytes);
    EXPECT_EQ(static_cast<std::size_t>(D::kChunkBytes), Formats::ChunkBytes(D::kParameterCount));

    ERect* rect = nullptr;
    ASSERT_TRUE(panel.getRect(&rect));
    EXPECT_EQ(rect->right - rect->left, D::kPanelWidth);
    EXPECT_EQ(rect->bottom - rect->top, D::kPanelHeight);
}

TEST(DeviceDescription, TheDefaultProgramResourceHoldsTheProgramDefaults)
{
    Platform::ResourceView resource;
    ASSERT_TRUE(OpenResourceStream(U16(D::kDefaultProgramResource), u"FXP", resource, false));
    Formats::Fxp::Program program;
    ASSERT_EQ(Formats::Fxp::Decode(resource.data, resource.size, program), Formats::Fxp::DecodeError::None);
    EXPECT_TRUE(program.opaque);
    EXPECT_EQ(program.pluginId, D::kIdentity.uniqueId);
    EXPECT_EQ(program.pluginVersion, D::kIdentity.version);
    EXPECT_EQ(program.name, D::kDefaultProgramName);
    ASSERT_TRUE(Formats::IsCompleteChunk(program.chunk.data(), program.chunk.size(), D::kParameterCount));
    for (std::size_t i = 0; i < D::kParameterCount; ++i)
    {
        const Formats::ChunkEntry entry = Formats::GetChunkEntry(program.chunk.data(), i);
        EXPECT_EQ(entry.value, D::kParameters[static_cast<std::size_t>(entry.index)].programDefault)
            << entry.index;
    }
}

TEST(DeviceDescription, EveryImageItNamesIsEmbedded)
{
    std::vector<D::Image> images = {D::kBackgroundImage, D::kButtonImage, D::kLampImage, D::kHintImage};
    images.insert(images.end(), D::kFaderImages.begin(), D::kFaderImages.end());
    for (const D::Image& image : images)
    {
        Platform::ResourceView resource;
        EXPECT_TRUE(OpenResourceStream(U16(image.resourceName), u"IMG", resource, false))
            << std::string(image.resourceName);
    }
}

TEST(DeviceDescription, TheVersionTextSpellsTheVersionParts)
{
    std::string parts;
    for (int part : D::kIdentity.versionParts)
    {
        parts += (parts.empty() ? "" : ".") + std::to_string(part);
    }
    EXPECT_EQ(parts, D::kIdentity.versionText);
}
} // namespace
} // namespace KVX::Test
