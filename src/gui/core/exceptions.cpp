// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/exceptions.h"

#include "gui/core/opengl.h"
#include "platform/message_box.h"

namespace KVX::Exceptions
{
namespace
{
std::u16string Ascii(const char* text)
{
    return std::u16string(text, text + std::char_traits<char>::length(text));
}
} // namespace

std::u16string Decimal(std::int64_t value)
{
    return Ascii(std::to_string(value).c_str());
}

std::u16string Hexadecimal(std::int32_t value)
{
    static const char digits[] = "0123456789abcdef";
    auto v = static_cast<std::uint32_t>(value);
    std::u16string out;
    do
    {
        out.insert(out.begin(), static_cast<char16_t>(digits[v & 0xF]));
        v >>= 4;
    } while (v != 0);
    return u"0x" + out;
}

Std::Std(const std::u16string& message, const std::u16string& title)
    : m_Text(u" " + title + u" ERROR:\r\n\r\n" + message)
{
}

void Std::Show(const std::u16string& caption, void* owner) const
{
    Platform::ShowMessageBox(caption, caption + m_Text, owner, Platform::kMessageBoxErrorOk);
}

StdFunc::StdFunc(const std::u16string& function, std::int32_t code, const std::u16string& title)
    : Std(u"\r\n\r\nFunction: " + function + u"(): error = " + Decimal(code), title)
{
}

OGL::OGL(const std::u16string& function, std::int32_t code) : Std(u"", u"OPENGL")
{
    const struct
    {
        OpenGL::DriverText which;
        const char16_t* label;
    } lines[] = {{OpenGL::DriverText::Vendor, u"Vendor: "},
                 {OpenGL::DriverText::Renderer, u"Renderer: "},
                 {OpenGL::DriverText::Version, u"Version: "}};
    for (const auto& line : lines)
    {
        if (std::u16string text; OpenGL::GetDriverText(line.which, text))
        {
            m_Text += line.label + text + u"\r\n";
        }
    }
    m_Text += u"Function: " + function + u"(): error = " + Hexadecimal(code);
}

OGLTexImage2D::OGLTexImage2D(const std::u16string& image, std::int32_t width, std::int32_t height,
                             std::int32_t code)
    : OGL(u"glTexImage2D", code)
{
    m_Text += u"\r\nImage: \"" + image + u"\" (" + Decimal(width) + u"x" + Decimal(height) + u"px)";
    m_Text += u"\r\n\r\nCan't create texture. Your version of OpenGL supports maximum " +
              Decimal(OpenGL::MaxTextureSize()) +
              u"px size texture. Please update your graphics driver or hardware and try again.";
}

GDIP::GDIP(const std::u16string& function, std::int32_t status) : Std(u"", u"GDI+")
{
    m_Text += u"Function: " + function + u"() error = " + Hexadecimal(status);
}

GDIPImage::GDIPImage(const std::u16string& image, std::int32_t width, std::int32_t height,
                     std::int32_t status)
    : GDIP(u"Gdiplus::Bitmap", status)
{
    m_Text += u"\r\nImage: \"" + image + u"\" (" + Decimal(width) + u"x" + Decimal(height) + u"px)";
    m_Text += u"\r\n\r\nCan't load image.";
}

void CheckGLError(const std::u16string& function)
{
    const std::uint32_t error = OpenGL::TakeError();
    if (error != 0)
    {
        throw OGL(function, static_cast<std::int32_t>(error));
    }
}

void CheckTexImageError(const std::u16string& image, std::int32_t width, std::int32_t height)
{
    const std::uint32_t error = OpenGL::TakeError();
    if (error != 0)
    {
        throw OGLTexImage2D(image, width, height, static_cast<std::int32_t>(error));
    }
}
} // namespace KVX::Exceptions
