// SPDX-License-Identifier: GPL-3.0-or-later
// Shader programs built from inline sources, shared and released.
#include <gtest/gtest.h>

#include "gl_context.h"
#include "gui/core/shader_cache.h"

#include <GL/glew.h>

namespace KVX
{
namespace
{
const char16_t* const kShader =
    u"//Tint\r\n"
    u"void main() { gl_Position = ftransform(); gl_TexCoord[0] = gl_MultiTexCoord0; }\n"
    u"//PS\n"
    u"uniform vec4 g_Color;\n"
    u"void main() { gl_FragColor = g_Color; }\n";

TEST(ShaderKeys, AreTheFirstLineAfterTheSlashes)
{
    EXPECT_EQ(ShaderKey(kShader), u"Tint");
    EXPECT_EQ(ShaderKey(u"//Knob.ps"), u"Knob.ps");
    EXPECT_EQ(ShaderKey(u"//"), u"");
    EXPECT_EQ(ShaderKey(u"Tint"), u"");
}

struct ShaderCacheTest : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(context.Ok()); }
    KVX::Test::GLContext context;
    CShaderCache cache;
};

TEST_F(ShaderCacheTest, AnInlineProgramIsBuiltOnceAndShared)
{
    ShaderSlot a = cache.GetShader(kShader);
    ASSERT_NE(a.program, 0u);
    EXPECT_EQ(a.usable, 1);
    EXPECT_EQ(cache.Log(), u"NO ERROR");
    ShaderSlot b = cache.GetShader(kShader);
    EXPECT_EQ(b.program, a.program);
    EXPECT_EQ(b.references, 2);
    const GLuint program = a.program;
    cache.FreeShader(a);
    EXPECT_TRUE(glIsProgram(program));
    cache.FreeShader(b);
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(cache.Size(), 0u);
}

TEST_F(ShaderCacheTest, AFaultySourceIsLoggedAndMarkedUnusable)
{
    ShaderSlot slot =
        cache.GetShader(u"//Broken\r\nvoid main() { this is not glsl }\n//PS\nvoid main() {}\n");
    EXPECT_EQ(slot.usable, 0);
    EXPECT_EQ(cache.Log().rfind(u"SHADER LOG: \r\n", 0), 0u);
    cache.FreeShader(slot);
}

TEST_F(ShaderCacheTest, AMissingProgramResourceBuildsNothing)
{
    ShaderSlot slot = cache.GetShader(u"//Missing.ps");
    EXPECT_EQ(slot.program, 0u);
    EXPECT_EQ(slot.references, 0);
}
} // namespace
} // namespace KVX
