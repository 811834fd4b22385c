// Recorded missions: the text format, read and written. A recording holds what a mission
// cannot work out by itself: the random seed it was spawned with and, frame by frame, the
// milliseconds and the flight keys that counted.
#pragma once

#include <cstdio>
#include <istream>
#include <string>
#include <vector>

#include "mission/FlightKeys.h"

struct RecordedFrame {
    int millis;
    FlightKeys keys;
};

struct Recording {
    unsigned seed = 0;         // given to srand when the ship and the first tumor were placed
    int carriedEndMillis = 0;  // endMillis as the mission found it (left by an earlier one)
    std::vector<RecordedFrame> frames;
};

// Bounds no recording of a real mission comes near: a mission ends three seconds after its
// three minutes, and a frame takes at least 26 ms.
constexpr int longestFrameMillis = 3600000;
constexpr std::size_t mostFrames = 10000;

// Reads a whole recording. Empty on success, otherwise what is wrong, as one line.
std::string readRecording(std::istream& in, Recording& recording);

// FILE for the first mission of a run, FILE with -2, -3, ... before its extension for later ones.
std::string recordingPath(const std::string& file, int mission);

// Writes a recording while its mission runs: to FILE.partial, each frame at once, so that a
// crash keeps what was flown; finish renames the complete file into place.
class RecordingWriter {
public:
    RecordingWriter() = default;
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;
    ~RecordingWriter();

    // Empty on success, otherwise why the file cannot be written.
    std::string start(const std::string& path, const Recording& header);
    void writeFrame(int millis, FlightKeys keys);
    // After a successful start: empty on success, otherwise why the recording is not complete
    // in its place.
    std::string finish();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};
