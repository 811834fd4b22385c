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

namespace fs = std::filesystem;

inline void (*onFailure)(const char* what) = [](const char* what) {
    std::fprintf(stderr, "broken property: %s\n", what);
    abort();
};

inline void expect(bool holds, const char* what) { if (!holds) onFailure(what); }

// One folder per process, in memory where the system offers it (saves sync), removed at exit.
struct ScratchFolder {
    std::string path = (fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/oncoraider-fuzz-XXXXXX");
    ScratchFolder() { expect(mkdtemp(path.data()) != nullptr, "a scratch folder can be made"); }
    ~ScratchFolder() { std::error_code ignored; fs::remove_all(path, ignored); }
};

// A file of that name in the scratch folder, holding the data.
inline std::string scratchFile(const std::string& name, const uint8_t* data, std::size_t size)
{
    static const ScratchFolder folder;
    const std::string path = folder.path + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

}  // namespace fuzz
