// Recorded missions: the file format, a live mission recorded and flown again from its file,
// and the committed recording whose numbers no change to the rules may move.
#include "mission/Recording.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "mission/FrameTick.h"
#include "mission/Mission.h"
#include "mission/MissionState.h"
#include "mission/Replay.h"
#include "platform/Platform.h"
#include "platform/Testing.h"
#include "support/Pilot.h"
#include "world/World.h"

namespace fs = std::filesystem;

namespace {

std::string read(const std::string& text, Recording& recording)
{
    std::istringstream in(text);
    return readRecording(in, recording);
}

const std::string header = "oncoraider-replay 1\nseed 7\nend-phase-ms 0\n";

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
    };
    for (const auto& [text, problem] : cases) {
        Recording recording;
        EXPECT_EQ(read(text, recording), problem) << text;
    }
}

TEST(RecordingFormat, TenMillionFramesAreRefusedWithoutReadingThemAll)
{
    std::string text = header;
    for (int i = 0; i < 10000000; ++i)
        text += "26\n";
    Recording recording;
    EXPECT_EQ(read(text, recording), "line 10004: more frames than a mission can have");
}

TEST(RecordingFormat, WrittenFramesReadBackWithTheirKeys)
{
    const std::string path = fs::temp_directory_path() / "oncoraider-format.rpl";
    RecordingWriter writer;
    ASSERT_EQ(writer.start(path, Recording{4000000000u, 52, {}}), "");
    writer.writeFrame(26, 0);
    writer.writeFrame(3600000, (1u << flightKeyCount) - 1);
    EXPECT_TRUE(fs::exists(path + ".partial")) << "written while the mission runs";
    ASSERT_EQ(writer.finish(), "");
    std::ifstream in(path);
    Recording recording;
    ASSERT_EQ(readRecording(in, recording), "");
    EXPECT_EQ(recording.seed, 4000000000u);
    EXPECT_EQ(recording.carriedEndMillis, 52);
    ASSERT_EQ(recording.frames.size(), 2u);
    EXPECT_EQ(recording.frames[1].millis, 3600000);
    EXPECT_EQ(recording.frames[1].keys, (1u << flightKeyCount) - 1);
    EXPECT_FALSE(fs::exists(path + ".partial"));
    fs::remove(path);
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

struct Numbers {
    int shots, hits;
    float health;
    bool operator==(const Numbers& o) const
    {
        return shots == o.shots && hits == o.hits && health == o.health;
    }
};

bool leftLoop = false;
int frames = 0;

// A whole mission flown by the pilot on the scripted clock, recorded to `path`; its numbers.
Numbers flyAndRecord(const std::string& path, int escapeAtFrame)
{
    platform::resetInput();
    platform::useScriptedClock(5000);
    frameHooks = {[] { leftLoop = true; }, [](float) {},
                  [](bool alive, bool) {
                      if (alive)
                          ship.markTumorHit();
                  },
                  [] { ++frames; }, insideAirway};
    leftLoop = false;
    resetMissionCounters();
    const int carried = endMillis;
    const unsigned seed = spawnMission(nullptr);
    RecordingWriter writer;
    EXPECT_EQ(writer.start(path, Recording{seed, carried, {}}), "");
    recordFrames(&writer);
    for (int frame = 0; !leftLoop; ++frame) {
        platform::releaseAllKeys();
        platform::resetInput();
        pilot::steer();
        if (frame == escapeAtFrame)
            platform::keyDown(platform::key::escape);
        for (const int before = frames; frames == before;)
            frameTick();
    }
    recordFrames(nullptr);
    EXPECT_EQ(writer.finish(), "");
    platform::useRealClock();
    return {shotCount, hitCount, ship.health};
}

struct RecordedMission : ::testing::Test {
    void SetUp() override
    {
        fs::current_path(ONCORAIDER_SOURCE_DIR "/data");
        loadBronchiGraphQuietly();
    }
    void TearDown() override { fs::remove(path); }
    std::string path = fs::temp_directory_path() / "oncoraider-recorded.rpl";
};

TEST_F(RecordedMission, AFlightVerifiesToTheNumbersItWasFlownWith)
{
    for (int escapeAt : {700, 100000}) {
        const Numbers live = flyAndRecord(path, escapeAt);
        EXPECT_GT(live.hits, 0) << "the pilot should hit something";
        Recording recording;
        ASSERT_EQ(checkRecording(path, recording), "");
        EXPECT_EQ((Numbers{shotCount, hitCount, ship.health}), live) << "escape at " << escapeAt;
    }
}

TEST_F(RecordedMission, ARecordingThatStopsShortOrGoesOnIsRefused)
{
    flyAndRecord(path, 300);
    std::ifstream in(path);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    in.close();
    const std::size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    const std::pair<std::string, std::string> cases[] = {
        {text.substr(0, lastLine), "the recording stops before its mission ends"},
        {text + "26\n", "line " + std::to_string(std::count(text.begin(), text.end(), '\n') + 1) +
                            ": a frame after the end of the mission"},
    };
    for (const auto& [changed, problem] : cases) {
        std::ofstream(path, std::ios::trunc) << changed;
        Recording recording;
        EXPECT_EQ(checkRecording(path, recording), path + ": " + problem);
    }
}

}  // namespace
