// Generated-texture descriptions: any text is refused or gives a size inside
// the limits and texels for exactly that size; a description is one only
// when its second character is '#'.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "resources/GeneratedTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text((const char *)data, size);  // a mesh's texture name is a C string
    const char *description = text.c_str();
    GeneratedTextureDesc desc;
    if (!parseGeneratedTexture(description, desc))
        return 0;
    if (!isGeneratedTextureName(description))
        abort();
    if (desc.width < 1 || desc.height < 1 || desc.width > 4096 || desc.height > 4096)
        abort();
    TexturePixels pixels = generatedPixels(desc);
    if (pixels.width != desc.width || pixels.height != desc.height || !pixels.hasAlpha ||
        pixels.pixels.size() != (size_t)desc.width * desc.height * 4)
        abort();
    return 0;
}
