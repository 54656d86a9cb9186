// Bounds-checked little-endian reading from a byte range. Every read either
// succeeds wholly inside [cursor, end) or fails and leaves the cursor alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct ByteReader {
    const unsigned char *cursor = nullptr;  // Borrowed: valid while the range lives
    const unsigned char *end = nullptr;

    size_t remaining() const { return (size_t)(end - cursor); }

    // Lends the next n bytes and steps past them; false when fewer remain.
    bool take(const unsigned char *&out, size_t n)
    {
        if (n > remaining())
            return false;
        out = cursor;
        cursor += n;
        return true;
    }
    bool skip(size_t n)
    {
        const unsigned char *ignored;
        return take(ignored, n);
    }
    bool readU8(uint8_t &out)
    {
        const unsigned char *p;
        if (!take(p, 1))
            return false;
        out = p[0];
        return true;
    }
    bool readI8(int8_t &out)
    {
        uint8_t v;
        if (!readU8(v))
            return false;
        out = (int8_t)v;
        return true;
    }
    bool readU32(uint32_t &out)
    {
        const unsigned char *p;
        if (!take(p, 4))
            return false;
        out = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
        return true;
    }
    bool readI32(int32_t &out)
    {
        uint32_t v;
        if (!readU32(v))
            return false;
        out = (int32_t)v;
        return true;
    }
};
