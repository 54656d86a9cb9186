// Writes lumbrik's archive and model formats.
//
// Archive: int32 entry count, then per entry: int8 name length, name bytes,
// uint32 data size, data. Model: marker byte, optional skipped int32 (when the
// marker is 255), int32 mesh count, then mesh records (see encodeModel).
// All integers little-endian. Used by the tests and by the data tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// An archive being assembled; entries keep the order they were added in.
struct PakFile {
    std::vector<std::string> names;
    std::vector<Bytes> data;
};

// Appends an entry; names longer than 127 bytes are refused (returns false).
bool pakAdd(PakFile &pak, const std::string &name, const Bytes &bytes);
// The archive's bytes, ready to be written.
Bytes encodePak(const PakFile &pak);
// Writes bytes to path through a new temporary file beside it (never one that
// exists) and a rename; false on failure, with the temporary removed.
bool writeFileAtomic(const std::string &path, const Bytes &bytes);
// Reads a whole file; false when it cannot be read.
bool readFile(const std::string &path, Bytes &out);

struct ModelMaterial {
    bool alphaTest = false;
    bool transparent = false;
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
};

// One vertex: position, normal, texture coordinate.
struct ModelVertex {
    double x = 0, y = 0, z = 0;
    double nx = 0, ny = 0, nz = 1;
    double s = 0, t = 0;
};

// Invariant: vertices.size() is a multiple of 3 (one triangle per three).
struct ModelMesh {
    std::string texture;  // archive entry name, or a "?#Kind..." description
    ModelMaterial material;
    std::vector<ModelVertex> vertices;
};

struct Model {
    unsigned char marker = 0;  // 255 adds the skipped 32-bit field
    int32_t skipped = 0;
    std::vector<ModelMesh> meshes;
};

// The model's bytes in the game's format.
Bytes encodeModel(const Model &model);

// A rectangle of w x h centred on the origin, facing +z, in the x-y plane,
// texture row 0 at the top edge (+y).
ModelMesh quadXY(double w, double h, const std::string &texture, double z = 0);
// The same rectangle lying in the x-z plane (model z is up), facing -y,
// as interface models are stored; texture row 0 at the top edge (+z).
ModelMesh quadXZ(double w, double h, const std::string &texture, double y = 0);

// Little-endian appenders, for writers of further formats.
void putU8(Bytes &out, unsigned v);
void putI32(Bytes &out, int32_t v);
void putU32(Bytes &out, uint32_t v);
void putF32(Bytes &out, float v);
void putF64(Bytes &out, double v);
