// The Windows build's image decoding (stb_image behind decodeImage), built
// here with the image module compiled the Windows way: any bytes are refused
// or give pixels whose rows hold exactly the reported size.
#define LUMBRIK_STB_IMAGE
#include "resources/Texture.cpp"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TexturePixels out;
    if (!decodeImage(data, (uint32_t)size, out))
        return 0;
    const int channels = out.hasAlpha ? 4 : 3;
    if (out.width < 1 || out.height < 1 || out.rowBytes % 4 != 0 || out.rowBytes < out.width * channels ||
        out.pixels.size() != (size_t)out.rowBytes * out.height)
        abort();
    return 0;
}
