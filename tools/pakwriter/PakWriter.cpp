#include "pakwriter/PakWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

void putU8(Bytes &out, unsigned v) { out.push_back((unsigned char)(v & 0xff)); }

void putU32(Bytes &out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back((unsigned char)((v >> (8 * i)) & 0xff));
}

void putI32(Bytes &out, int32_t v) { putU32(out, (uint32_t)v); }

void putF32(Bytes &out, float v)
{
    uint32_t bits;
    memcpy(&bits, &v, 4);
    putU32(out, bits);
}

void putF64(Bytes &out, double v)
{
    uint64_t bits;
    memcpy(&bits, &v, 8);
    putU32(out, (uint32_t)(bits & 0xffffffffu));
    putU32(out, (uint32_t)(bits >> 32));
}

bool pakAdd(PakFile &pak, const std::string &name, const Bytes &bytes)
{
    if (name.size() > 127)
        return false;
    pak.names.push_back(name);
    pak.data.push_back(bytes);
    return true;
}

Bytes encodePak(const PakFile &pak)
{
    Bytes out;
    putI32(out, (int32_t)pak.names.size());
    for (size_t i = 0; i < pak.names.size(); i++) {
        const std::string &name = pak.names[i];
        putU8(out, (unsigned)name.size());
        out.insert(out.end(), name.begin(), name.end());
        putU32(out, (uint32_t)pak.data[i].size());
        out.insert(out.end(), pak.data[i].begin(), pak.data[i].end());
    }
    return out;
}

// Opens a new temporary file beside `path` under a name no file has yet
// (O_EXCL), so that it can never replace a file written before, such as an
// archive entry named like the temporary. Returns the stream, or null.
static FILE *createTemporary(const std::string &path, std::string &temp)
{
    for (int n = 0; n < 1000; n++) {
        temp = path + ".tmp" + std::to_string(getpid()) + "." + std::to_string(n);
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return nullptr;
        FILE *f = fdopen(fd, "wb");
        if (!f) {
            close(fd);
            remove(temp.c_str());
        }
        return f;
    }
    return nullptr;
}

bool writeFileAtomic(const std::string &path, const Bytes &bytes)
{
    std::string temp;
    FILE *f = createTemporary(path, temp);
    if (!f)
        return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        remove(temp.c_str());
        return false;
    }
    return true;
}

bool readFile(const std::string &path, Bytes &out)
{
    out.clear();
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

static void putMaterial(Bytes &out, const ModelMaterial &m)
{
    putU8(out, m.alphaTest ? 1 : 0);
    putU8(out, m.transparent ? 1 : 0);
    putU8(out, 0);
    putU8(out, 0);
    for (float v : m.ambient) putF32(out, v);
    for (float v : m.diffuse) putF32(out, v);
    for (float v : m.specular) putF32(out, v);
    putF32(out, m.shininess);
    putU32(out, 0);
}

static void putMesh(Bytes &out, const ModelMesh &mesh)
{
    int32_t triangles = (int32_t)(mesh.vertices.size() / 3);
    size_t count = (size_t)triangles * 3;
    putI32(out, (int32_t)mesh.texture.size() + 1);
    out.insert(out.end(), mesh.texture.begin(), mesh.texture.end());
    putU8(out, 0);
    out.insert(out.end(), 80, 0);  // header block the game does not read
    putMaterial(out, mesh.material);
    putI32(out, triangles);
    putU8(out, 0);
    for (size_t i = 0; i < count; i++) {
        putF64(out, mesh.vertices[i].x); putF64(out, mesh.vertices[i].y); putF64(out, mesh.vertices[i].z);
    }
    for (size_t i = 0; i < count; i++) {
        putF64(out, mesh.vertices[i].nx); putF64(out, mesh.vertices[i].ny); putF64(out, mesh.vertices[i].nz);
    }
    for (size_t i = 0; i < count; i++) {
        putF64(out, mesh.vertices[i].s); putF64(out, mesh.vertices[i].t);
    }
}

Bytes encodeModel(const Model &model)
{
    Bytes out;
    putU8(out, model.marker);
    if (model.marker == 255)
        putI32(out, model.skipped);
    putI32(out, (int32_t)model.meshes.size());
    for (const ModelMesh &mesh : model.meshes)
        putMesh(out, mesh);
    return out;
}

static ModelVertex vertex(double x, double y, double z, double nx, double ny, double nz, double s, double t)
{
    ModelVertex v;
    v.x = x; v.y = y; v.z = z;
    v.nx = nx; v.ny = ny; v.nz = nz;
    v.s = s; v.t = t;
    return v;
}

ModelMesh quadXY(double w, double h, const std::string &texture, double z)
{
    ModelMesh m;
    m.texture = texture;
    double x0 = -w / 2, x1 = w / 2, y0 = -h / 2, y1 = h / 2;
    ModelVertex bl = vertex(x0, y0, z, 0, 0, 1, 0, 1), br = vertex(x1, y0, z, 0, 0, 1, 1, 1);
    ModelVertex tr = vertex(x1, y1, z, 0, 0, 1, 1, 0), tl = vertex(x0, y1, z, 0, 0, 1, 0, 0);
    m.vertices = {bl, br, tr, bl, tr, tl};
    return m;
}

ModelMesh quadXZ(double w, double h, const std::string &texture, double y)
{
    ModelMesh m;
    m.texture = texture;
    double x0 = -w / 2, x1 = w / 2, z0 = -h / 2, z1 = h / 2;
    ModelVertex bl = vertex(x0, y, z0, 0, -1, 0, 0, 1), br = vertex(x1, y, z0, 0, -1, 0, 1, 1);
    ModelVertex tr = vertex(x1, y, z1, 0, -1, 0, 1, 0), tl = vertex(x0, y, z1, 0, -1, 0, 0, 0);
    m.vertices = {bl, br, tr, bl, tr, tl};
    return m;
}
