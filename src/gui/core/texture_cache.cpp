// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/texture_cache.h"

#include "gui/core/blur_pixels.h"
#include "gui/core/exceptions.h"
#include "gui/core/image_name.h"
#include "gui/core/opengl.h"
#include "gui/core/resource_stream.h"

#include <string>

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

namespace
{
// Where an image's pixels come from: the module's encoded bytes, or a file already decoded.
struct ImageSource
{
    bool found = false;
    Platform::ResourceView resource; // set for a module resource
    Platform::ImageResult file;      // set for a file path
    bool fromFile = false;
};

ImageSource OpenImage(const std::u16string& name, const std::u16string& path, std::int32_t blur)
{
    ImageSource source;
    if (IsFilePath(name))
    {
        source.fromFile = true;
        source.file = Platform::LoadPngFile(name);
        if (source.file.status == Platform::ImageStatus::FileNotFound && !path.empty())
        {
            source.file = Platform::LoadPngFile(path);
        }
        source.found = source.file.status != Platform::ImageStatus::FileNotFound;
        return source;
    }
    // A missing blurred image (a shadow) is no error.
    source.found = OpenResourceStream(name, u"IMG", source.resource, blur == 0);
    return source;
}

Platform::Bitmap FinishBitmap(ImageSource& source, const std::u16string& name, std::int32_t width,
                              std::int32_t height, std::int32_t blur)
{
    Platform::ImageResult image = source.fromFile
                                      ? std::move(source.file)
                                      : Platform::DecodePng(source.resource.data, source.resource.size);
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

// 64-bit FNV-1a: cheap next to decoding, and enough to tell a skin's few dozen images apart.
std::uint64_t HashBytes(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i)
    {
        hash = (hash ^ data[i]) * 1099511628211ull;
    }
    return hash;
}

// Everything that makes two loads give the same texture: the picture's bytes (encoded for a resource,
// decoded for a file, which is read whole anyway), the load parameters and the frame layout.
std::string ContentKey(const ImageSource& source, std::int32_t width, std::int32_t height, std::int32_t blur,
                       const FrameLayout& layout)
{
    std::uint64_t hash = 0;
    std::size_t size = 0;
    int decodedWidth = 0;
    if (source.fromFile)
    {
        const Platform::Bitmap& bitmap = source.file.bitmap;
        hash = HashBytes(bitmap.pixels.data(), bitmap.pixels.size());
        size = bitmap.pixels.size();
        decodedWidth = bitmap.width;
    }
    else
    {
        hash = HashBytes(source.resource.data, source.resource.size);
        size = source.resource.size;
    }
    return std::string(source.fromFile ? "file:" : "res:") + std::to_string(hash) + ":" +
           std::to_string(size) + ":" + std::to_string(decodedWidth) + ":" + std::to_string(width) + "x" +
           std::to_string(height) + ":" + std::to_string(blur) + ":" + std::to_string(layout.frames) + "x" +
           std::to_string(layout.columns);
}
} // namespace

Platform::Bitmap LoadBitmap(const std::u16string& name, const std::u16string& path, std::int32_t width,
                            std::int32_t height, std::int32_t blur)
{
    ImageSource source = OpenImage(name, path, blur);
    if (!source.found)
    {
        return {};
    }
    return FinishBitmap(source, name, width, height, blur);
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
    slot.texture = OpenGL::CreateTexture(bitmap, textureWidth, textureHeight, imageName);
    return slot;
}

TextureSlot CTextureCache::GetTexture(const std::u16string& name, const std::u16string& path,
                                      std::int32_t width, std::int32_t height, std::int32_t blur,
                                      std::int32_t)
{
    const std::u16string nameKey = BuildImageName(name, width, height, blur);
    if (const auto known = m_ContentOfName.find(nameKey); known != m_ContentOfName.end())
    {
        Entry& entry = m_Entries.at(known->second);
        ++entry.references;
        return entry.slot;
    }
    ImageSource source = OpenImage(name, path, blur);
    if (!source.found)
    {
        return {};
    }
    const FrameLayout layout = ParseFrameLayout(name);
    std::string contentKey = ContentKey(source, width, height, blur, layout);
    if (const auto shared = m_Entries.find(contentKey); shared != m_Entries.end())
    {
        m_ContentOfName.emplace(nameKey, contentKey);
        ++shared->second.references;
        return shared->second.slot;
    }
    const Platform::Bitmap bitmap = FinishBitmap(source, name, width, height, blur);
    if (bitmap.Empty())
    {
        return {};
    }
    Entry entry;
    entry.slot = UploadTexture(bitmap, name);
    entry.slot.frames = layout.frames;
    entry.slot.columns = layout.columns;
    entry.references = 1;
    const TextureSlot slot = entry.slot;
    m_ContentOfName.emplace(nameKey, contentKey);
    m_Entries.emplace(std::move(contentKey), entry);
    return slot;
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
                    OpenGL::DeleteTexture(slot.texture);
                    std::erase_if(m_ContentOfName,
                                  [&](const auto& name) { return name.second == it->first; });
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
    const auto name = m_ContentOfName.find(key);
    if (name == m_ContentOfName.end())
    {
        return nullptr;
    }
    const auto it = m_Entries.find(name->second);
    return it != m_Entries.end() ? &it->second : nullptr;
}
} // namespace KVX
