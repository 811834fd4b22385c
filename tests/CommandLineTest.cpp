// The game's own options: what it takes and what it hands to the windowing library; and the
// real binary's --help, --version, unknown options and --verify.
#include "console/CommandLine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Files.h"

namespace {

// What the game makes of the arguments, in one line: the problem, or the options taken.
std::string parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "oncoraider");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    CommandLine o;
    const std::string problem = parseCommandLine(static_cast<int>(argv.size()), argv.data(), o);
    if (!problem.empty())
        return problem;
    std::string taken = (o.fullScreen ? "full screen " : "window ") +
                        std::to_string(o.windowWidth) + "x" + std::to_string(o.windowHeight) +
                        (o.help ? " help" : "") + (o.version ? " version" : "") + " record[" +
                        o.recordFile + "] replay[" + o.replayFile + "] verify[" + o.verifyFile +
                        "]; passed on:";
    for (const std::string& arg : o.passOn)
        taken += " " + arg;
    return taken;
}

TEST(CommandLine, OptionsTakenAndPassedOnOrWhatIsWrongWithThem)
{
    const std::string none = " record[] replay[] verify[]; passed on: oncoraider";
    const std::string badSize =
        "oncoraider: --window= wants WIDTHxHEIGHT, such as --window=1024x768";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "full screen 800x600" + none},
        {{"--window"}, "window 800x600" + none},
        {{"--window=16384x1"}, "window 16384x1" + none},
        {{"--help", "--version"}, "full screen 800x600 help version" + none},
        {{"-display", ":3", "--window=1024x768", "-geometry", "+5+5"},
         "window 1024x768" + none + " -display :3 -geometry +5+5"},
        {{"--record=a b.rpl"}, "full screen 800x600 record[a b.rpl] replay[] verify[]; "
                               "passed on: oncoraider"},
        {{"--replay", "r", "x"}, "full screen 800x600 record[] replay[r] verify[]; "
                                 "passed on: oncoraider x"},
        {{"--bogus"}, "oncoraider: unknown option --bogus (see oncoraider --help)"},
        {{"--recordings"}, "oncoraider: unknown option --recordings (see oncoraider --help)"},
        {{"--window=800"}, badSize},
        {{"--window=0x600"}, badSize},
        {{"--window=800x-6"}, badSize},
        {{"--window=16385x600"}, badSize},
        {{"--record"}, "oncoraider: --record needs a file name (see oncoraider --help)"},
        {{"--replay", "a", "--verify=b"},
         "oncoraider: --record, --replay and --verify go one at a time (see oncoraider --help)"},
    };
    for (const auto& [args, outcome] : cases)
        EXPECT_EQ(parse(args), outcome) << ::testing::PrintToString(args);
}

struct Outcome {
    int status;
    std::string out, err;
};

// The real binary in a folder of its own that holds the airway map.
struct Binary : ::testing::Test {
    void SetUp() override { files::copyMap(dir.path()); }

    Outcome run(const std::string& args) const
    {
        const int status = std::system(("cd " + dir.path() + " && " ONCORAIDER_BINARY " " + args +
                                        " </dev/null >out.txt 2>err.txt")
                                           .c_str());
        return {WEXITSTATUS(status), files::read(dir / "out.txt"), files::read(dir / "err.txt")};
    }

    files::Scratch dir{"args"};
};

// At once, and without touching a file: --help, --version, an unknown option, a bad recording.
TEST_F(Binary, AnswersAtOnceAndTouchesNoFile)
{
    const Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: oncoraider [OPTION]...", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--window=WxH"), std::string::npos) << help.out;
    const Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "oncoraider " ONCORAIDER_VERSION "\n");
    const Outcome bogus = run("--bogus -display :0");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.out, "") << "the map is not even loaded";
    EXPECT_EQ(bogus.err, "oncoraider: unknown option --bogus (see oncoraider --help)\n");
    const Outcome missing = run("--verify missing");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "oncoraider: missing: cannot open the file\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "highscores.vxr"));
}

const std::string committed = ONCORAIDER_SOURCE_DIR "/tests/recordings/full-mission.rpl";

// The committed recording: any change to the rules that alters a flown mission shows here.
TEST_F(Binary, TheCommittedRecordingVerifiesToItsNumbers)
{
    const Outcome verified = run("--verify " + committed);
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(verified.out, "Mission Review:\n---------------\nShots: 90\nHits:  37\n"
                            "-------------------\nRatio: 41.1111 %\nHealth: 42.12 %\n"
                            "-------------------\nTotal Points: 64069\n\n");
}

// The committed three-minute flight cut short, run on, and with a key in its end phase.
TEST_F(Binary, AFlightThatDoesNotEndWithItsMissionIsRefusedAtTheLine)
{
    const std::string flown = files::read(committed);
    ASSERT_EQ(flown.substr(flown.size() - 4), "\n26\n");
    const int lines = static_cast<int>(std::count(flown.begin(), flown.end(), '\n'));
    const std::string withoutLastLine = flown.substr(0, flown.size() - 3);
    const std::pair<std::string, std::string> cases[] = {
        {withoutLastLine, "the recording stops before its mission ends"},
        {flown + "26\n",
         "line " + std::to_string(lines + 1) + ": a frame after the end of the mission"},
        {withoutLastLine + "26 UP\n",
         "line " + std::to_string(lines) + ": keys in a frame after the ship's end"},
    };
    for (const auto& [text, problem] : cases) {
        files::write(dir / "flight.rpl", text);
        EXPECT_EQ(run("--verify flight.rpl").err, "oncoraider: flight.rpl: " + problem + "\n");
    }
}

}  // namespace
