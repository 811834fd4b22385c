// Replacing a file whole on Windows: a new file beside it, flushed, moved over it.
#include <windows.h>

#include <algorithm>
#include <fstream>

#include "platform/Files.h"

namespace platform {
namespace {

std::string directoryOf(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? "." : path.substr(0, separator + 1);
}

void writeInPlace(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::out | std::ios::trunc | std::ios::binary);
    out << text;
}

bool writeAll(HANDLE file, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

}  // namespace

void replaceFile(const std::string& fileName, const std::string& text)
{
    const DWORD attributes = GetFileAttributesA(fileName.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // A table the player may not write is not replaced behind its back either.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return;
    char temporary[MAX_PATH];
    if (GetTempFileNameA(directoryOf(fileName).c_str(), "vxr", 0, temporary) == 0) {
        writeInPlace(fileName, text);  // e.g. a writable file in a read-only folder
        return;
    }
    const HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = file != INVALID_HANDLE_VALUE && writeAll(file, text) && FlushFileBuffers(file);
    if (file != INVALID_HANDLE_VALUE)
        written = CloseHandle(file) && written;
    if (!written) {
        DeleteFileA(temporary);  // the old table stays whole
        return;
    }
    if (!MoveFileExA(temporary, fileName.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        writeInPlace(fileName, text);
    }
}

bool moveFileOver(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace platform
