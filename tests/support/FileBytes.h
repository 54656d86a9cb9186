// Whole files as bytes, for tests that check what the code wrote on disk.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// The file's bytes; empty when it cannot be read.
inline Bytes readFileBytes(const std::string &path)
{
    Bytes bytes;
    FILE *in = std::fopen(path.c_str(), "rb");
    for (int c; in && (c = std::fgetc(in)) != EOF;)
        bytes.push_back((unsigned char)c);
    if (in)
        std::fclose(in);
    return bytes;
}

// Creates or truncates the file with these bytes; false when it cannot.
inline bool writeFileBytes(const std::string &path, const Bytes &bytes)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}
