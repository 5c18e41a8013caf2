// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Failures of platform services, each carrying one finished report text for the user to send to support.
// Thrown by value, caught by const reference at the factory, the panel's window creation and its redraw.
#include <cstdint>
#include <exception>
#include <string>

namespace KVX::Exceptions
{
class Std : public std::exception
{
public:
    Std(const std::u16string& message, const std::u16string& title);

    const std::u16string& Text() const { return m_Text; }

    // Modal error box owned by `owner` (may be null); its text is the caption followed by the report.
    void Show(const std::u16string& caption, void* owner) const;

protected:
    Std() = default;
    std::u16string m_Text;
};

class StdFunc : public Std
{
public:
    StdFunc(const std::u16string& function, std::int32_t code, const std::u16string& title);
};

class OGL : public Std
{
public:
    OGL(const std::u16string& function, std::int32_t code);
};

class OGLTexImage2D : public OGL
{
public:
    OGLTexImage2D(const std::u16string& image, std::int32_t width, std::int32_t height, std::int32_t code);
};

class GDIP : public Std
{
public:
    GDIP(const std::u16string& function, std::int32_t status);
};

class GDIPImage : public GDIP
{
public:
    GDIPImage(const std::u16string& image, std::int32_t width, std::int32_t height, std::int32_t status);
};

// Throws OGL when the OpenGL error flag is set.
void CheckGLError(const std::u16string& function);
// Throws OGLTexImage2D when the OpenGL error flag is set.
void CheckTexImageError(const std::u16string& image, std::int32_t width, std::int32_t height);

// Number forms used in the reports.
std::u16string Decimal(std::int64_t value);
std::u16string Hexadecimal(std::int32_t value);
} // namespace KVX::Exceptions
