// The game's own options: what it takes, what it hands to the windowing library, and the real
// binary's --help, --version and unknown options.
#include "console/CommandLine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Parsed {
    std::vector<std::string> args;
    std::string problem;
    CommandLine options;
};

Parsed parse(std::vector<std::string> args)
{
    Parsed result;
    result.args = args;
    args.insert(args.begin(), "oncoraider");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    result.problem =
        parseCommandLine(static_cast<int>(argv.size()), argv.data(), result.options);
    return result;
}

TEST(CommandLine, WindowSizesAndWhatGoesToTheWindowingLibrary)
{
    struct Case {
        std::vector<std::string> args;
        bool fullScreen;
        int width, height;
        std::vector<std::string> passOn;
    };
    const Case cases[] = {
        {{}, true, 800, 600, {"oncoraider"}},
        {{"--window"}, false, 800, 600, {"oncoraider"}},
        {{"-display", ":3", "--window=1024x768", "-geometry", "+5+5"}, false, 1024, 768,
         {"oncoraider", "-display", ":3", "-geometry", "+5+5"}},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.args);
        EXPECT_EQ(p.problem, "") << ::testing::PrintToString(c.args);
        EXPECT_EQ(p.options.fullScreen, c.fullScreen) << ::testing::PrintToString(c.args);
        EXPECT_EQ(p.options.windowWidth, c.width) << ::testing::PrintToString(c.args);
        EXPECT_EQ(p.options.windowHeight, c.height) << ::testing::PrintToString(c.args);
        EXPECT_EQ(p.options.passOn, c.passOn);
    }
}

TEST(CommandLine, MalformedOptionsAreNamed)
{
    const std::string badSize =
        "oncoraider: --window= wants WIDTHxHEIGHT, such as --window=1024x768";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "oncoraider: unknown option --bogus (see oncoraider --help)"},
        {{"--window=800"}, badSize},
        {{"--window=0x600"}, badSize},
        {{"--window=800x-6"}, badSize},
        {{"--record"}, "oncoraider: --record needs a file name (see oncoraider --help)"},
        {{"--replay", "a", "--verify=b"},
         "oncoraider: --record, --replay and --verify go one at a time (see oncoraider --help)"},
    };
    for (const auto& [args, problem] : cases)
        EXPECT_EQ(parse(args).problem, problem) << ::testing::PrintToString(args);
}

struct Outcome {
    int status;
    std::string out, err;
};

// The real binary in a folder of its own that holds the airway map.
struct Binary : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        fs::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", dir + "/Bronchi.gra");
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome run(const std::string& args)
    {
        const std::string command = "cd " + dir + " && " ONCORAIDER_BINARY " " + args +
                                    " </dev/null >" + dir + ".out 2>" + dir + ".err";
        const int status = std::system(command.c_str());
        const auto slurp = [](const std::string& path) {
            std::ostringstream text;
            text << std::ifstream(path).rdbuf();
            fs::remove(path);
            return text.str();
        };
        return {WEXITSTATUS(status), slurp(dir + ".out"), slurp(dir + ".err")};
    }

    std::string dir = "/tmp/oncoraider-args-XXXXXX";
};

TEST_F(Binary, HelpVersionAndUnknownOptionsAnswerAtOnceAndTouchNoFile)
{
    const Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: oncoraider [OPTION]...", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--window=WxH"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("highscores.vxr"), std::string::npos) << help.out;
    const Outcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "oncoraider " ONCORAIDER_VERSION "\n");
    const Outcome bogus = run("--bogus -display :0");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.out, "") << "the map is not even loaded";
    EXPECT_EQ(bogus.err, "oncoraider: unknown option --bogus (see oncoraider --help)\n");
    EXPECT_FALSE(fs::exists(dir + "/highscores.vxr"));
}

// The committed recording: any change to the rules that alters a flown mission shows here.
TEST_F(Binary, TheCommittedRecordingVerifiesToItsNumbers)
{
    const Outcome verified =
        run("--verify " ONCORAIDER_SOURCE_DIR "/tests/recordings/full-mission.rpl");
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(verified.out, "Mission Review:\n---------------\nShots: 90\nHits:  37\n"
                            "-------------------\nRatio: 41.1111 %\nHealth: 42.12 %\n"
                            "-------------------\nTotal Points: 64069\n\n");
}

TEST_F(Binary, ABadRecordingIsRefusedInOneLine)
{
    std::ifstream committed(ONCORAIDER_SOURCE_DIR "/tests/recordings/full-mission.rpl");
    const std::string flown{std::istreambuf_iterator<char>(committed), {}};
    const std::string header = "oncoraider-replay 1\nseed 1\nend-phase-ms 0\n";
    std::string tenMillionFrames = header;
    for (int i = 0; i < 10000000; ++i)
        tenMillionFrames += "26\n";
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"truncated", flown.substr(0, flown.size() / 2)},
        {"garbage", "\x89PNG\r\n\x1a\n\0\0"},
        {"version", "oncoraider-replay 9\n"},
        {"long-frame", header + "1000000000\n"},
        {"many-frames", tenMillionFrames},
        {"no-such-key", header + "26 UP TURBO\n"},
    };
    for (const auto& [name, content] : files)
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
    for (const char* name : {"missing", "empty", "truncated", "garbage", "version", "long-frame",
                             "many-frames", "no-such-key"}) {
        const Outcome verified = run(std::string("--verify ") + name);
        EXPECT_EQ(verified.status, 2) << name;
        EXPECT_EQ(verified.out, "") << name;
        EXPECT_EQ(verified.err.rfind(std::string("oncoraider: ") + name + ": ", 0), 0u)
            << verified.err;
        EXPECT_EQ(std::count(verified.err.begin(), verified.err.end(), '\n'), 1) << verified.err;
    }
}

}  // namespace
