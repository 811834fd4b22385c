// Shared by the fuzz targets: a scratch file for the loaders, which take file names, and one way
// to report a broken property: an abort for libFuzzer to keep the input, a failure in the replay.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz {

inline void (*onFailure)(const char* what) = [](const char* what) {
    std::fprintf(stderr, "broken property: %s\n", what);
    abort();
};

inline void expect(bool holds, const char* what)
{
    if (!holds)
        onFailure(what);
}

// A file of that name holding the data, in a folder of this process's own, in memory where the
// system offers it (saves sync) and removed at exit.
inline std::string scratchFile(const std::string& name, const uint8_t* data, std::size_t size)
{
    static const struct Folder {
        std::string path = (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                           std::string("/oncoraider-fuzz-XXXXXX");
        Folder() { expect(mkdtemp(path.data()) != nullptr, "a scratch folder can be made"); }
        ~Folder() { std::filesystem::remove_all(path); }
    } folder;
    const std::string path = folder.path + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    return path;
}

}  // namespace fuzz
