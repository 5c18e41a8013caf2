// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's reference-counted textures: each distinct (image, size, blur) is decoded and uploaded once,
// into a power-of-two texture whose top-left corner holds the image. Images are also keyed by content, so
// that names with byte-identical pictures (a skin's repeated sprite sheets) share one decode and texture.
#include "gui/core/slots.h"
#include "platform/image.h"

#include <map>
#include <string>

namespace KVX
{
// Decodes an image from the module's resources (type "IMG") or, for a name that is a file path, from
// disk, then scales and blurs it as asked. An empty bitmap when there is nothing to load; throws
// Exceptions::Std for a missing unblurred resource and Exceptions::GDIPImage for an undecodable image.
Platform::Bitmap LoadBitmap(const std::u16string& name, const std::u16string& path, std::int32_t width,
                            std::int32_t height, std::int32_t blur);

// The smallest power of two 2^1 … 2^19 not below `size`.
std::int32_t TextureSide(std::int32_t size);

// Uploads a bitmap into a new texture with linear filtering; throws Exceptions::OGL or OGLTexImage2D.
TextureSlot UploadTexture(const Platform::Bitmap& bitmap, const std::u16string& imageName);

class CTextureCache
{
public:
    struct Entry
    {
        TextureSlot slot;
        std::int32_t references = 0;
    };

    // The texture for the image, loading it on first use; each call that returns a loaded slot adds a
    // reference. An image that cannot be found gives an unloaded slot and no reference.
    TextureSlot GetTexture(const std::u16string& name, const std::u16string& path, std::int32_t width,
                           std::int32_t height, std::int32_t blur, std::int32_t density = 1);
    // Drops one reference of the texture named in the slot, deleting it with the last; clears the slot.
    void FreeTexture(TextureSlot& slot);

    // How many textures exist (names that share a picture count once).
    std::size_t Size() const { return m_Entries.size(); }
    // The texture behind an image name key (see BuildImageName), or null.
    const Entry* Find(const std::u16string& key) const;

private:
    std::map<std::string, Entry> m_Entries;                // by content and load parameters
    std::map<std::u16string, std::string> m_ContentOfName; // name key → content key, while loaded
};
} // namespace KVX
