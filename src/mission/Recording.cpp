// The recording format:
//   oncoraider-replay 1
//   seed 123456
//   end-phase-ms 0
//   27 UP SPACE        one line per executed frame: its milliseconds, then the keys that counted
#include "mission/Recording.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sstream>

namespace {

const char* const versionLine = "oncoraider-replay 1";

// A whole line's worth of a non-negative decimal number, at most `limit`.
bool readNumber(const std::string& word, unsigned long long limit, unsigned long long& value)
{
    if (word.empty() || word.size() > 19)
        return false;
    if (word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(word);
    return value <= limit;
}

// "NAME VALUE" with the given name.
bool readHeader(std::istream& in, const char* name, unsigned long long limit,
                unsigned long long& value)
{
    std::string line;
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const std::size_t blank = line.find(' ');
    return line.substr(0, blank) == name && blank != std::string::npos &&
           readNumber(line.substr(blank + 1), limit, value);
}

FlightKeys keyByName(const std::string& name)
{
    for (int k = 0; k < flightKeyCount; ++k) {
        if (name == flightKeys[k].name)
            return 1u << k;
    }
    return 0;
}

std::string atLine(std::size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

}  // namespace

std::string readRecording(std::istream& in, Recording& recording)
{
    std::string line;
    if (!std::getline(in, line))
        return "the file is empty";
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.rfind("oncoraider-replay ", 0) != 0)
        return "not a recording of this game (no \"oncoraider-replay\" line first)";
    if (line != versionLine)
        return "a recording of another version (\"" + line.substr(0, 40) +
               "\"; this game reads \"" + versionLine + "\")";
    unsigned long long value = 0;
    if (!readHeader(in, "seed", std::numeric_limits<unsigned>::max(), value))
        return atLine(2, "\"seed\" and a number from 0 to 4294967295 expected");
    recording.seed = static_cast<unsigned>(value);
    if (!readHeader(in, "end-phase-ms", longestFrameMillis, value))
        return atLine(3, "\"end-phase-ms\" and a number of milliseconds expected");
    recording.carriedEndMillis = static_cast<int>(value);

    recording.frames.clear();
    for (std::size_t number = 4; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (recording.frames.size() == mostFrames)
            return atLine(number, "more frames than a mission can have");
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (!readNumber(word, longestFrameMillis, value) || value < 26)
            return atLine(number, "a frame of 26 to " + std::to_string(longestFrameMillis) +
                                      " milliseconds expected, not \"" + word.substr(0, 20) + "\"");
        RecordedFrame frame{static_cast<int>(value), 0};
        while (words >> word) {
            const FlightKeys key = keyByName(word);
            if (key == 0)
                return atLine(number, "no flight key is called \"" + word.substr(0, 20) + "\"");
            frame.keys |= key;
        }
        recording.frames.push_back(frame);
    }
    if (in.bad())
        return "the file cannot be read";
    return {};
}

std::string recordingPath(const std::string& file, int mission)
{
    if (mission <= 1)
        return file;
    const std::size_t slash = file.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)  // no extension, or a hidden file's dot
        dot = file.size();
    return file.substr(0, dot) + "-" + std::to_string(mission) + file.substr(dot);
}

RecordingWriter::~RecordingWriter()
{
    if (file_ != nullptr)
        std::fclose(file_);
}

std::string RecordingWriter::start(const std::string& path, const Recording& header)
{
    path_ = path;
    failed_ = false;
    file_ = std::fopen((path + ".partial").c_str(), "w");
    if (file_ == nullptr)
        return std::strerror(errno);
    std::fprintf(file_, "%s\nseed %u\nend-phase-ms %d\n", versionLine, header.seed,
                 header.carriedEndMillis);
    failed_ = std::fflush(file_) != 0;
    return {};
}

void RecordingWriter::writeFrame(int millis, FlightKeys keys)
{
    if (file_ == nullptr)
        return;
    std::fprintf(file_, "%d", millis);
    for (int k = 0; k < flightKeyCount; ++k) {
        if (keys >> k & 1u)
            std::fprintf(file_, " %s", flightKeys[k].name);
    }
    std::fputc('\n', file_);
    if (std::fflush(file_) != 0)
        failed_ = true;
}

std::string RecordingWriter::finish()
{
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed)
        return "writing " + path_ + ".partial failed (is the disk full?); what was written "
               "stays there";
    if (!platform::moveFileOver(path_ + ".partial", path_))
        return "cannot rename it to " + path_ + "; the recording stays in " + path_ + ".partial";
    return {};
}
