// paktool: creates, lists, extracts and checks the game's .pak archives.
//
//   paktool create ARCHIVE FILE[=NAME]...   entry name = the file's name, or NAME
//   paktool list ARCHIVE                    name, size and what each entry is
//   paktool extract ARCHIVE [-C DIR] [ENTRY...]   entries whose names cannot be
//                                           file names, and repeated names,
//                                           are reported and skipped (status 1)
//   paktool check ARCHIVE...                structure, models and their textures
//
// Exit status: 0 on success, 1 when an archive is damaged or a check fails,
// 2 on wrong usage.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pakwriter/PakWriter.h"
#include "paktool/PakContents.h"

static int usage()
{
    fprintf(stderr,
            "usage: paktool create ARCHIVE FILE[=NAME]...\n"
            "       paktool list ARCHIVE\n"
            "       paktool extract ARCHIVE [-C DIR] [ENTRY...]\n"
            "       paktool check ARCHIVE...\n");
    return 2;
}

// Loads an archive; prints why not and returns false when it cannot.
static bool openArchive(const char *path, PakArchive &archive)
{
    PakLoadResult result = loadPakArchive(archive, path);
    if (result == PAK_CANNOT_OPEN)
        fprintf(stderr, "paktool: cannot read %s\n", path);
    else if (result == PAK_MALFORMED)
        fprintf(stderr, "paktool: %s is damaged: a count, name or size runs past its end\n", path);
    return result == PAK_OK;
}

static std::string baseName(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static int create(int argc, char **argv)
{
    if (argc < 1)
        return usage();
    PakFile pak;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        size_t eq = arg.find('=');
        std::string file = eq == std::string::npos ? arg : arg.substr(0, eq);
        std::string name = eq == std::string::npos ? baseName(file) : arg.substr(eq + 1);
        Bytes bytes;
        if (!readFile(file, bytes)) {
            fprintf(stderr, "paktool: cannot read %s\n", file.c_str());
            return 1;
        }
        if (!pakAdd(pak, name, bytes)) {
            fprintf(stderr, "paktool: entry name \"%s\" is longer than 127 bytes\n", name.c_str());
            return 1;
        }
    }
    if (!writeFileAtomic(argv[0], encodePak(pak))) {
        fprintf(stderr, "paktool: cannot write %s\n", argv[0]);
        return 1;
    }
    return 0;
}

static int list(int argc, char **argv)
{
    PakArchive archive;
    if (argc != 1)
        return usage();
    if (!openArchive(argv[0], archive))
        return 1;
    for (size_t i = 0; i < archive.entries.size(); i++) {
        EntryInfo info = inspectEntry(archive.entries[i].name, archive.entries[i].data, archive.entries[i].size);
        printf("%s\n", describeEntry(archive.entries[i].name, archive.entries[i].size, info).c_str());
    }
    return 0;
}

// Why an entry name cannot be a file name inside the folder, or null when it
// can: names that would leave the folder, or be cut short, are refused.
static const char *unwritableName(const std::string &name)
{
    if (name.empty())
        return "the name is empty";
    if (name.find('\0') != std::string::npos)
        return "the name holds a NUL byte";
    if (name.find('/') != std::string::npos)
        return "the name holds a '/'";
    if (name == "." || name == "..")
        return "the name is . or ..";
    return nullptr;
}

// A name as it can be printed: control bytes, quotes and backslashes as \xHH.
static std::string printable(const std::string &name)
{
    std::string out;
    for (unsigned char c : name) {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02x", c);
        out += (c < 32 || c == 127 || c == '"' || c == '\\') ? std::string(hex) : std::string(1, (char)c);
    }
    return out;
}

// Writes entry i into dir; 1 with a message when it cannot, or when an
// earlier entry has the same name (the first is the one the game reads).
static int extractOne(const PakArchive &archive, size_t i, const std::string &dir)
{
    const std::string &name = archive.entries[i].name;
    const char *why = unwritableName(name);
    int first = why ? -1 : archive.find(name.c_str());
    if (!why && first != (int)i)
        why = "an earlier entry has the same name (duplicate; the first was kept)";
    if (why) {
        fprintf(stderr, "paktool: entry %zu \"%s\" not extracted: %s\n", i + 1, printable(name).c_str(), why);
        return 1;
    }
    Bytes bytes(archive.entries[i].data, archive.entries[i].data + archive.entries[i].size);
    if (!writeFileAtomic(dir + "/" + name, bytes)) {
        fprintf(stderr, "paktool: cannot write %s/%s\n", dir.c_str(), name.c_str());
        return 1;
    }
    return 0;
}

static int extract(int argc, char **argv)
{
    if (argc < 1)
        return usage();
    PakArchive archive;
    if (!openArchive(argv[0], archive))
        return 1;
    std::string dir = ".";
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "-C") == 0 && i + 1 < argc)
            dir = argv[++i];
        else
            wanted.push_back(argv[i]);
    }
    int status = 0;
    for (size_t i = 0; i < archive.entries.size(); i++) {
        bool all = wanted.empty();
        bool named = false;
        for (const std::string &w : wanted)
            named = named || w == archive.entries[i].name;
        if (all || named)
            status |= extractOne(archive, i, dir);
    }
    for (const std::string &w : wanted) {
        if (archive.find(w.c_str()) < 0) {
            fprintf(stderr, "paktool: no entry \"%s\" in %s\n", w.c_str(), argv[0]);
            status = 1;
        }
    }
    return status;
}

static int check(int argc, char **argv)
{
    if (argc < 1)
        return usage();
    int status = 0;
    for (int i = 0; i < argc; i++) {
        PakArchive archive;
        if (!openArchive(argv[i], archive)) {
            status = 1;
            continue;
        }
        std::vector<std::string> problems = checkArchive(archive);
        for (const std::string &p : problems)
            fprintf(stderr, "%s: %s\n", argv[i], p.c_str());
        if (!problems.empty())
            status = 1;
        else
            printf("%s: ok (%zu entries)\n", argv[i], archive.entries.size());
    }
    return status;
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    const char *command = argv[1];
    if (strcmp(command, "create") == 0)
        return create(argc - 2, argv + 2);
    if (strcmp(command, "list") == 0)
        return list(argc - 2, argv + 2);
    if (strcmp(command, "extract") == 0)
        return extract(argc - 2, argv + 2);
    if (strcmp(command, "check") == 0)
        return check(argc - 2, argv + 2);
    return usage();
}
