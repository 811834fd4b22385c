// Real files for the tests: a scratch folder of their own, whole files read and written, and
// words quoted for the shell.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace files {

// A fresh folder under /tmp, removed with all it holds.
class Scratch {
public:
    explicit Scratch(const std::string& purpose = "test")
        : path_("/tmp/oncoraider-" + purpose + "-XXXXXX")
    {
        if (mkdtemp(path_.data()) == nullptr)
            throw std::runtime_error("cannot make " + path_);
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The airway map of the source tree, copied into a folder where the game is to run.
inline void copyMap(const std::string& folder)
{
    std::filesystem::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", folder + "/Bronchi.gra");
}

// One word for sh, whatever it holds.
inline std::string quoted(const std::string& word)
{
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace files
