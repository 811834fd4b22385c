// Loading, ranking and printing the high-score table, and replacing its file so that a crash
// or a full disk never leaves half a table behind.
#include "console/HighScores.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>

namespace {

const HighScoresItem placeholder("-", 0);

// A whole word of decimal digits with an optional sign, within the 32-bit range.
bool parseScore(const std::string& word, std::int32_t& score)
{
    std::size_t i = (word[0] == '+' || word[0] == '-') ? 1 : 0;
    if (i == word.size())
        return false;
    long long magnitude = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        magnitude = magnitude * 10 + (word[i] - '0');
        if (magnitude > 1LL + INT32_MAX)
            return false;
    }
    const long long value = word[0] == '-' ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return false;
    score = static_cast<std::int32_t>(value);
    return true;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path ends at through symbolic links, so that the link itself survives a save.
std::string followLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
            break;
        const std::string next(target, static_cast<std::size_t>(n));
        path = next[0] == '/' ? next : directoryOf(path) + "/" + next;
    }
    return path;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void writeInPlace(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    out << text;
}

void syncDirectory(const std::string& directory)
{
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Writes a complete new file beside the old one and renames it over it.
void replaceFile(const std::string& fileName, const std::string& text)
{
    const std::string target = followLinks(fileName);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    // A table the player may not write is not replaced behind its back either.
    if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return;
    if (exists && !S_ISREG(old.st_mode)) {
        writeInPlace(target, text);  // a device or pipe is written to, never replaced
        return;
    }
    const std::string directory = directoryOf(target);
    std::string temporary = directory + "/." + baseNameOf(target) + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        writeInPlace(target, text);  // e.g. a writable file in a read-only folder
        return;
    }
    mode_t mode;
    if (exists) {
        // Owner first: changing it may clear mode bits. Only root may give the file away.
        const int ownerKept = fchown(fd, old.st_uid, old.st_gid);
        (void)ownerKept;
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool written = fchmod(fd, mode) == 0 && writeAll(fd, text) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(temporary.c_str());  // the old table stays whole
        return;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        writeInPlace(target, text);  // e.g. a file mounted on its own cannot be replaced
        return;
    }
    syncDirectory(directory);
}

}  // namespace

HighScoresItem::HighScoresItem(std::string name, std::int32_t score) : name(std::move(name)), score(score) {}

HighScores::HighScores(const std::string& fileName) : fileName(fileName)
{
    for (HighScoresItem& item : items)
        item = placeholder;
    std::ifstream in(fileName);
    std::string name;
    std::string scoreWord;
    std::int32_t score = 0;
    for (HighScoresItem& item : items) {
        if (!(in >> name >> scoreWord) || !parseScore(scoreWord, score))
            break;
        item = HighScoresItem(name, score);
    }
}

bool HighScores::insert(std::string name, std::int32_t score)
{
    // The lowest-placed entry of a returning player is the one that counts.
    for (int i = capacity - 1; i >= 0; --i) {
        if (items[i].name == name) {
            if (items[i].score >= score)
                return false;
            items[i].score = score;
            return true;
        }
    }
    for (int i = 0; i < capacity; ++i) {
        if (items[i].score < score) {
            for (int j = capacity - 1; j > i; --j)
                items[j] = items[j - 1];
            items[i] = HighScoresItem(std::move(name), score);
            return true;
        }
    }
    return false;
}

void HighScores::sort()
{
    for (int i = 0; i < capacity; ++i) {
        int best = i;
        for (int j = i + 1; j < capacity; ++j) {
            if (items[j].score > items[best].score)
                best = j;
        }
        if (best != i)
            std::swap(items[i], items[best]);
    }
}

void HighScores::save() const
{
    std::ostringstream text;
    for (const HighScoresItem& item : items)
        text << item.name << ' ' << item.score << '\n';
    replaceFile(fileName, text.str());
}

void HighScores::print() const
{
    for (int place = 1; place <= capacity; ++place) {
        const HighScoresItem& item = items[place - 1];
        std::cout << place << ": " << item.name << " (" << item.score << ")" << std::endl;
    }
}

void showHighScores()
{
    HighScores("highscores.vxr").print();
}
