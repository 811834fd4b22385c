// Fuzz target for recordings: any bytes either are refused with a reason, or read as a recording
// within the bounds, which written out again reads back the same.
#include <algorithm>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "mission/Recording.h"

namespace fuzz {

int fuzzRecording(const uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Recording read;
    const std::string problem = readRecording(in, read);
    expect(problem.find('\n') == std::string::npos, "a problem is told in one line");
    if (!problem.empty())
        return 0;
    expect(read.frames.size() <= mostFrames, "no more frames than a mission can have");
    for (const RecordedFrame& frame : read.frames) {
        expect(frame.millis >= 26, "no frame is shorter than a frame can be");
        expect(frame.millis <= longestFrameMillis, "no frame is longer than the bound");
        expect(frame.keys < (1u << flightKeyCount), "only flight keys");
    }
    const std::string path = scratchFile("written.rpl", data, 0);
    RecordingWriter writer;
    expect(writer.start(path, read).empty(), "a recording can be written");
    for (const RecordedFrame& frame : read.frames)
        writer.writeFrame(frame.millis, frame.keys);
    expect(writer.finish().empty(), "a written recording is complete");
    std::ifstream written(path);
    Recording again;
    expect(readRecording(written, again).empty(), "a written recording reads back");
    expect(again.seed == read.seed, "the seed reads back the same");
    expect(again.carriedEndMillis == read.carriedEndMillis, "the end time reads back the same");
    const auto sameFrame = [](const RecordedFrame& a, const RecordedFrame& b) {
        return a.millis == b.millis && a.keys == b.keys;
    };
    expect(std::equal(read.frames.begin(), read.frames.end(), again.frames.begin(),
                      again.frames.end(), sameFrame),
           "the frames read back the same");
    return 0;
}

}  // namespace fuzz
