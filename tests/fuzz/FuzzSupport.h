// Shared by the fuzz targets: a scratch file for the loaders, which take file names, silenced
// console streams, and one way to report a broken property in both builds.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace fuzz {

// The fuzzer wants an abort, so that it keeps the input; the corpus replay sets a test failure.
inline void (*onFailure)(const std::string& what) = [](const std::string& what) {
    std::fprintf(stderr, "broken property: %s\n", what.c_str());
    std::abort();
};

inline void expect(bool holds, const std::string& what)
{
    if (!holds)
        onFailure(what);
}

// One folder per process, in memory where the system offers it; removed at exit.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/oncoraider-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // A path in the folder, its content replaced by the given bytes.
    std::string write(const std::string& name, const uint8_t* data, std::size_t size) const
    {
        const std::string file = path_ + "/" + name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return file;
    }
    std::string path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline const ScratchFolder& scratch()
{
    static const ScratchFolder folder;
    return folder;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The loaders report progress on the console; thousands of runs a second need none of it.
class QuietConsole {
public:
    QuietConsole() : out_(std::cout.rdbuf(&sink_)), err_(std::cerr.rdbuf(&sink_)) {}
    ~QuietConsole()
    {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
    }
    QuietConsole(const QuietConsole&) = delete;
    QuietConsole& operator=(const QuietConsole&) = delete;

private:
    struct Sink : std::streambuf {
        int overflow(int c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    Sink sink_;
    std::streambuf* out_;
    std::streambuf* err_;
};

}  // namespace fuzz
