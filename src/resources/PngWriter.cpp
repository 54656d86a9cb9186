#include "resources/PngWriter.h"

#include <cstddef>
#include <cstdint>

struct CrcTable {
    uint32_t entries[256];
    CrcTable()
    {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};

static uint32_t crc(const unsigned char *p, size_t n)
{
    // Built once, on first use, by whichever thread comes first (C++11 statics).
    static const CrcTable table;
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < n; i++)
        c = table.entries[(c ^ p[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

static void putBE32(Bytes &out, uint32_t v)
{
    for (int i = 3; i >= 0; i--)
        out.push_back((unsigned char)((v >> (8 * i)) & 0xff));
}

static void putChunk(Bytes &out, const char *type, const Bytes &data)
{
    putBE32(out, (uint32_t)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBE32(out, crc(out.data() + start, out.size() - start));
}

// zlib stream made of stored (uncompressed) deflate blocks.
static Bytes zlibStored(const Bytes &raw)
{
    Bytes out = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos;
        if (n > 65535)
            n = 65535;
        bool last = pos + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back((unsigned char)(n & 0xff));
        out.push_back((unsigned char)(n >> 8));
        out.push_back((unsigned char)(~n & 0xff));
        out.push_back((unsigned char)((~n >> 8) & 0xff));
        out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBE32(out, (b << 16) | a);
    return out;
}

int pngChannels(PngKind kind)
{
    switch (kind) {
    case PNG_GREY: return 1;
    case PNG_RGB: return 3;
    case PNG_PALETTE: return 1;
    case PNG_GREY_ALPHA: return 2;
    case PNG_RGBA: return 4;
    }
    return 4;
}

Bytes encodePng(const PngImage &image)
{
    static const unsigned char signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    Bytes out(signature, signature + 8);

    Bytes header;
    putBE32(header, (uint32_t)image.width);
    putBE32(header, (uint32_t)image.height);
    header.push_back(8);  // bits per channel
    header.push_back((unsigned char)image.kind);
    header.push_back(0);
    header.push_back(0);
    header.push_back(0);
    putChunk(out, "IHDR", header);
    if (image.kind == PNG_PALETTE) {
        putChunk(out, "PLTE", image.palette);
        if (!image.paletteAlpha.empty())
            putChunk(out, "tRNS", image.paletteAlpha);
    }

    size_t rowBytes = (size_t)image.width * pngChannels(image.kind);
    Bytes raw;
    raw.reserve((rowBytes + 1) * image.height);
    for (int y = 0; y < image.height; y++) {
        raw.push_back(0);  // filter: none
        const unsigned char *row = image.pixels.data() + rowBytes * y;
        raw.insert(raw.end(), row, row + rowBytes);
    }
    putChunk(out, "IDAT", zlibStored(raw));
    putChunk(out, "IEND", Bytes());
    return out;
}
