// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/texture_cache.h"

#include "gui/core/blur_pixels.h"
#include "gui/core/exceptions.h"
#include "gui/core/image_name.h"
#include "gui/core/opengl.h"
#include "gui/core/resource_stream.h"

#include <limits>
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

ImageSource OpenImage(const std::u16string& name, const std::u16string& path, bool throwIfMissing)
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
    source.found = OpenResourceStream(name, u"IMG", source.resource, throwIfMissing);
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
                       const FrameLayout& layout, std::int32_t density)
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
           std::to_string(layout.columns) + ":d" + std::to_string(density);
}

// A requested size in pixels of an image drawn at `density` (−1 and other non-sizes stay as they are).
std::int32_t PixelSize(std::int32_t units, std::int32_t density)
{
    return units > 0 ? units * density : units;
}

bool FitsAtDensity(std::int32_t units, std::int32_t density)
{
    return units <= std::numeric_limits<std::int32_t>::max() / density;
}
} // namespace

Platform::Bitmap LoadBitmap(const std::u16string& name, const std::u16string& path, std::int32_t width,
                            std::int32_t height, std::int32_t blur)
{
    // A missing blurred image (a shadow) is no error.
    ImageSource source = OpenImage(name, path, blur == 0);
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
                                      std::int32_t density)
{
    const NameKey nameKey{BuildImageName(name, width, height, blur), 1};
    if (density == 2)
    {
        const NameKey twinKey{nameKey.first, density};
        if (const auto known = m_ContentOfName.find(twinKey); known != m_ContentOfName.end())
        {
            return AddReference(twinKey, known->second);
        }
        if (const TextureSlot twin = LoadTwin(twinKey, name, path, width, height, blur); twin.IsLoaded())
        {
            return twin;
        }
        // The image itself, remembered for this request too so that the twin is not looked for again
        // while the texture lives.
        const TextureSlot slot = GetTexture(name, path, width, height, blur, 1);
        if (const auto loaded = m_ContentOfName.find(nameKey);
            slot.IsLoaded() && loaded != m_ContentOfName.end())
        {
            m_ContentOfName.emplace(twinKey, loaded->second);
        }
        return slot;
    }
    if (const auto known = m_ContentOfName.find(nameKey); known != m_ContentOfName.end())
    {
        return AddReference(nameKey, known->second);
    }
    return Load(nameKey, name, path, width, height, blur);
}

TextureSlot CTextureCache::AddReference(const NameKey& nameKey, const std::string& contentKey)
{
    Entry& entry = m_Entries.at(contentKey);
    m_ContentOfName.emplace(nameKey, contentKey);
    ++entry.references;
    return entry.slot;
}

TextureSlot CTextureCache::Load(const NameKey& nameKey, const std::u16string& name,
                                const std::u16string& path, std::int32_t width, std::int32_t height,
                                std::int32_t blur)
{
    // A missing blurred image (a shadow) is no error.
    ImageSource source = OpenImage(name, path, blur == 0);
    if (!source.found)
    {
        return {};
    }
    const FrameLayout layout = ParseFrameLayout(name);
    std::string contentKey = ContentKey(source, width, height, blur, layout, 1);
    if (m_Entries.count(contentKey) != 0)
    {
        return AddReference(nameKey, contentKey);
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

TextureSlot CTextureCache::LoadTwin(const NameKey& nameKey, const std::u16string& name,
                                    const std::u16string& path, std::int32_t width, std::int32_t height,
                                    std::int32_t blur)
{
    const std::int32_t density = nameKey.second;
    const std::u16string twinName = TwinImageName(name, density);
    if (twinName.empty() || !FitsAtDensity(width, density) || !FitsAtDensity(height, density))
    {
        return {};
    }
    // A missing twin is no error: the image itself serves.
    ImageSource source = OpenImage(twinName, TwinImageName(path, density), false);
    if (!source.found)
    {
        return {};
    }
    const std::int32_t pixelWidth = PixelSize(width, density);
    const std::int32_t pixelHeight = PixelSize(height, density);
    const FrameLayout layout = ParseFrameLayout(name);
    std::string contentKey = ContentKey(source, pixelWidth, pixelHeight, blur, layout, density);
    if (m_Entries.count(contentKey) != 0)
    {
        return AddReference(nameKey, contentKey);
    }
    Entry entry;
    try
    {
        const Platform::Bitmap bitmap = FinishBitmap(source, twinName, pixelWidth, pixelHeight, blur);
        // Slot sizes are whole units: a twin that does not cover whole units is passed over.
        if (bitmap.Empty() || bitmap.width % density != 0 || bitmap.height % density != 0)
        {
            return {};
        }
        entry.slot = UploadTexture(bitmap, twinName);
    }
    catch (const Exceptions::GDIPImage&)
    {
        return {}; // an undecodable twin is passed over like a missing one
    }
    catch (const Exceptions::OGLTexImage2D&)
    {
        return {}; // so is one too large for the driver, when the image itself may still fit
    }
    entry.slot.width /= density;
    entry.slot.height /= density;
    entry.slot.density = density;
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
    slot = TextureSlot{0, 0, 0, 0.0f, 0.0f, 0, 0, 0};
}

const CTextureCache::Entry* CTextureCache::Find(const std::u16string& key, std::int32_t density) const
{
    const auto name = m_ContentOfName.find(NameKey{key, density});
    if (name == m_ContentOfName.end())
    {
        return nullptr;
    }
    const auto it = m_Entries.find(name->second);
    return it != m_Entries.end() ? &it->second : nullptr;
}
} // namespace KVX
