#include "gui/core/texture_cache.h"

#include "gui/core/blur_pixels.h"
#include "gui/core/exceptions.h"
#include "gui/core/image_name.h"
#include "gui/core/resource_stream.h"

#include <GL/glew.h>

namespace KVX
{
namespace
{
bool IsFilePath(const std::u16string& name)
{
    // "C:\..." on Windows; an absolute path on Linux.
    return (name.size() >= 2 && name[1] == u':') || (!name.empty() && name[0] == u'/');
}
} // namespace

Platform::Bitmap LoadBitmap(const std::u16string& name, const std::u16string& path, std::int32_t width,
                            std::int32_t height, std::int32_t blur)
{
    Platform::ImageResult image;
    if (IsFilePath(name))
    {
        image = Platform::LoadPngFile(name);
        if (image.status == Platform::ImageStatus::FileNotFound && !path.empty())
        {
            image = Platform::LoadPngFile(path);
        }
        if (image.status == Platform::ImageStatus::FileNotFound)
        {
            return {};
        }
    }
    else
    {
        Platform::ResourceView resource;
        if (!OpenResourceStream(name, u"IMG", resource, blur == 0))
        {
            return {}; // a missing blurred image (a shadow) is no error
        }
        image = Platform::DecodePng(resource.data, resource.size);
    }
    if (!image)
    {
        throw Exceptions::GDIPImage(name, image.bitmap.width, image.bitmap.height,
                                    static_cast<std::int32_t>(image.status));
    }
    Platform::Bitmap bitmap = std::move(image.bitmap);

    if ((width != -1 || height != -1) && width > 0 && height > 0 &&
        (bitmap.width != width || bitmap.height != height))
    {
        Platform::ImageResult scaled = Platform::ScaleBitmap(bitmap, width, height);
        if (!scaled)
        {
            throw Exceptions::GDIPImage(name, width, height, static_cast<std::int32_t>(scaled.status));
        }
        bitmap = std::move(scaled.bitmap);
    }
    if (blur > 0)
    {
        BlurPixels(bitmap.pixels.data(), bitmap.width, bitmap.height, blur, bitmap.stride, bitmap.hasAlpha);
    }
    return bitmap;
}

std::int32_t TextureSide(std::int32_t size)
{
    for (int i = 1; i <= 19; ++i)
    {
        if ((1 << i) >= size)
        {
            return 1 << i;
        }
    }
    return 1 << 19;
}

TextureSlot UploadTexture(const Platform::Bitmap& bitmap, const std::u16string& imageName)
{
    TextureSlot slot;
    slot.width = bitmap.width;
    slot.height = bitmap.height;
    const std::int32_t textureWidth = TextureSide(bitmap.width);
    const std::int32_t textureHeight = TextureSide(bitmap.height);
    slot.uExtent = static_cast<float>(bitmap.width) / static_cast<float>(textureWidth);
    slot.vExtent = static_cast<float>(bitmap.height) / static_cast<float>(textureHeight);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    Exceptions::CheckGLError(u"glGenTextures");
    slot.texture = texture;
    try
    {
        if (glActiveTexture != nullptr)
        {
            glActiveTexture(GL_TEXTURE0);
        }
        glBindTexture(GL_TEXTURE_2D, texture);
        Exceptions::CheckGLError(u"glBindTexture");
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        const GLenum format = bitmap.hasAlpha ? GL_BGRA : GL_BGR;
        glTexImage2D(GL_TEXTURE_2D, 0, bitmap.hasAlpha ? GL_RGBA8 : GL_RGB8, textureWidth, textureHeight, 0,
                     format, GL_UNSIGNED_BYTE, nullptr);
        Exceptions::CheckTexImageError(imageName, textureWidth, textureHeight);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap.stride / (bitmap.hasAlpha ? 4 : 3));
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, bitmap.width, bitmap.height, format, GL_UNSIGNED_BYTE,
                        bitmap.pixels.data());
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    catch (...)
    {
        glDeleteTextures(1, &texture);
        throw;
    }
    return slot;
}

TextureSlot CTextureCache::GetTexture(const std::u16string& name, const std::u16string& path,
                                      std::int32_t width, std::int32_t height, std::int32_t blur)
{
    const std::u16string key = BuildImageName(name, width, height, blur);
    Entry& entry = m_Entries[key];
    if (!entry.slot.IsLoaded())
    {
        const Platform::Bitmap bitmap = LoadBitmap(name, path, width, height, blur);
        if (bitmap.Empty())
        {
            return entry.slot;
        }
        entry.slot = UploadTexture(bitmap, name);
        const FrameLayout layout = ParseFrameLayout(name);
        entry.slot.frames = layout.frames;
        entry.slot.columns = layout.columns;
    }
    ++entry.references;
    return entry.slot;
}

void CTextureCache::FreeTexture(TextureSlot& slot)
{
    if (slot.texture != 0)
    {
        for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it)
        {
            if (it->second.slot.texture == slot.texture)
            {
                if (--it->second.references <= 0)
                {
                    const GLuint texture = slot.texture;
                    glDeleteTextures(1, &texture);
                    m_Entries.erase(it);
                }
                break;
            }
        }
    }
    slot = TextureSlot{0, 0, 0, 0.0f, 0.0f, 0, 0};
}

const CTextureCache::Entry* CTextureCache::Find(const std::u16string& key) const
{
    const auto it = m_Entries.find(key);
    return it != m_Entries.end() ? &it->second : nullptr;
}
} // namespace KVX
