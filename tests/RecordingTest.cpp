// Recorded missions: the file format, read and written.
#include "mission/Recording.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/Files.h"

namespace fs = std::filesystem;

namespace {

const std::string header = "oncoraider-replay 1\nseed 7\nend-phase-ms 0\n";

std::string tenThousandAndOneFrames()
{
    std::string text = header;
    for (std::size_t i = 0; i <= mostFrames; ++i)
        text += "26\n";
    return text;
}

TEST(RecordingFormat, WhatIsWrongWithAFileIsSaidWithItsLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "the file is empty"},
        {"\x7f" "ELF\x02\x01",
         "not a recording of this game (no \"oncoraider-replay\" line first)"},
        {"oncoraider-replay 2\n",
         "a recording of another version (\"oncoraider-replay 2\"; this game reads "
         "\"oncoraider-replay 1\")"},
        {"oncoraider-replay 1\nseed -1\n",
         "line 2: \"seed\" and a number from 0 to 4294967295 expected"},
        {"oncoraider-replay 1\nseed 7\n",
         "line 3: \"end-phase-ms\" and a number of milliseconds expected"},
        {header + "26\n1000000000 UP\n",
         "line 5: a frame of 26 to 3600000 milliseconds expected, not \"1000000000\""},
        {header + "25\n", "line 4: a frame of 26 to 3600000 milliseconds expected, not \"25\""},
        {header + "26 UP JUMP\n", "line 4: no flight key is called \"JUMP\""},
        {header + "26 up\n", "line 4: no flight key is called \"up\""},
        {tenThousandAndOneFrames(), "line 10004: more frames than a mission can have"},
    };
    for (const auto& [text, problem] : cases) {
        std::istringstream in(text);
        Recording recording;
        EXPECT_EQ(readRecording(in, recording), problem) << text.substr(0, 80);
    }
}

TEST(RecordingFormat, FramesAreWrittenAsTheyComeAndTheFileIsRenamedIntoPlaceAtTheEnd)
{
    const files::Scratch folder("format");
    const std::string path = folder / "flight.rpl";
    RecordingWriter writer;
    ASSERT_EQ(writer.start(path, Recording{4000000000u, 52, {}}), "");
    writer.writeFrame(26, 0);
    writer.writeFrame(3600000, (1u << flightKeyCount) - 1);
    const std::string written = "oncoraider-replay 1\nseed 4000000000\nend-phase-ms 52\n26\n"
                                "3600000 ESC UP DOWN LEFT RIGHT A D W S Q E R F SPACE\n";
    EXPECT_EQ(files::read(path + ".partial"), written) << "written while the mission runs";
    ASSERT_EQ(writer.finish(), "");
    EXPECT_FALSE(fs::exists(path + ".partial"));
    EXPECT_EQ(files::read(path), written);
}

TEST(RecordingFormat, LaterMissionsOfARunAreNumberedBeforeTheExtension)
{
    const std::tuple<std::string, int, std::string> cases[] = {
        {"best.rpl", 1, "best.rpl"},       {"best.rpl", 2, "best-2.rpl"},
        {"a.b/best", 3, "a.b/best-3"},     {"dir/.hidden", 2, "dir/.hidden-2"},
        {"run.2.rpl", 12, "run.2-12.rpl"},
    };
    for (const auto& [file, mission, path] : cases)
        EXPECT_EQ(recordingPath(file, mission), path) << file << " " << mission;
}

}  // namespace
