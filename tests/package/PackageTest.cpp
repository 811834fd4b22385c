// The Debian package as Debian's tools and a player see it: lintian, its control fields, and the
// game started through the launcher of the unpacked package. The test Package.Build makes it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/Pty.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    std::string output;  // standard output and error
    int status;
};

Result shell(const std::string& command)
{
    Result result{"", -1};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& word)
{
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string text(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

fs::path packageFile()
{
    const std::string prefix = "oncoraider_" ONCORAIDER_VERSION "_";
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(ONCORAIDER_PACKAGE_DIR, error)) {
        const std::string name = entry.path().filename();
        if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".deb")
            return entry.path();
    }
    return {};
}

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

struct Package : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(scratch.data()), nullptr);
        ASSERT_FALSE(deb.empty()) << "no package in " ONCORAIDER_PACKAGE_DIR;
        // A space in the path catches a launcher that splits its own location.
        root = fs::path(scratch) / "unpacked root";
        const Result unpacked = shell("dpkg-deb -x " + quoted(deb) + " " + quoted(root));
        ASSERT_EQ(unpacked.status, 0) << unpacked.output;
        launcher = root / "usr/games/oncoraider";
    }
    void TearDown() override { fs::remove_all(scratch); }

    const fs::path deb = packageFile();
    std::string scratch = "/tmp/oncoraider-package-XXXXXX";
    fs::path root;
    fs::path launcher;
};

TEST_F(Package, LintianFindsNoErrorAndEveryWarningLeftIsExplainedInTheDocs)
{
    const Result lint = shell("lintian " + quoted(deb));
    const std::string explained = text(ONCORAIDER_SOURCE_DIR "/docs/packaging.md");
    for (const std::string& line : lines(lint.output)) {
        EXPECT_NE(line.rfind("E: ", 0), 0u) << line;
        std::istringstream words(line);
        std::string severity, package, tag;
        words >> severity >> package >> tag;
        if (severity == "W:") {
            EXPECT_NE(explained.find("`" + tag + "`"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(lint.status, 0) << lint.output;
}

TEST_F(Package, DependsOnTheLibrariesOfTheBinaryAndHasNoMaintainerScripts)
{
    const std::string depends = shell("dpkg-deb -f " + quoted(deb) + " Depends").output;
    for (const char* library : {"libc6 ", "libstdc++6 ", "libglut", "libglu1", "libx11-6"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    // Removing or upgrading the game runs nothing that could reach a player's table.
    const std::vector<std::string> control =
        lines(shell("dpkg-deb --ctrl-tarfile " + quoted(deb) + " | tar t").output);
    EXPECT_EQ(std::set<std::string>(control.begin(), control.end()),
              (std::set<std::string>{"./control", "./md5sums"}));
}

TEST_F(Package, VersionIsTheProjectsAndTheLatestInTheChangelog)
{
    EXPECT_EQ(shell("dpkg-deb -f " + quoted(deb) + " Version").output, ONCORAIDER_VERSION "\n");
    const fs::path changelog = root / "usr/share/doc/oncoraider/changelog.gz";
    EXPECT_EQ(shell("zcat " + quoted(changelog) + " | dpkg-parsechangelog -l - -S Version").output,
              ONCORAIDER_VERSION "\n");
}

TEST_F(Package, ManualPageRendersWithoutWarnings)
{
    const std::string page = quoted(root / "usr/share/man/man6/oncoraider.6.gz");
    // As lintian asks man: warnings on standard error.
    EXPECT_EQ(shell("man --warnings -E UTF-8 -l -Tutf8 -Z " + page + " >/dev/null").output, "");
    const Result shown = shell("MANWIDTH=80 man -l " + page);
    EXPECT_EQ(shown.output.rfind("ONCORAIDER(6)", 0), 0u) << shown.output;
}

// The launcher the entry starts, and the icon it names in both sizes.
TEST_F(Package, DesktopEntryValidatesAndNamesTheLauncherAndTheIcons)
{
    const fs::path entry = root / "usr/share/applications/oncoraider.desktop";
    const Result valid = shell("desktop-file-validate " + quoted(entry));
    EXPECT_EQ(valid.status, 0) << valid.output;
    EXPECT_EQ(valid.output, "");
    const std::string fields = text(entry);
    EXPECT_NE(fields.find("\nExec=/usr/games/oncoraider\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find("\nIcon=oncoraider\n"), std::string::npos) << fields;
    EXPECT_TRUE(fs::is_regular_file(launcher));
    for (const unsigned side : {256u, 48u}) {
        const std::string size = std::to_string(side) + "x" + std::to_string(side);
        const std::string png =
            text(root / ("usr/share/icons/hicolor/" + size + "/apps/oncoraider.png"));
        ASSERT_GE(png.size(), 24u) << size;
        // The image header's width and height, big-endian, at bytes 16 and 20.
        const auto at = [&](std::size_t i) {
            return static_cast<unsigned>(static_cast<unsigned char>(png[i])) << 24 |
                   static_cast<unsigned char>(png[i + 1]) << 16 |
                   static_cast<unsigned char>(png[i + 2]) << 8 |
                   static_cast<unsigned char>(png[i + 3]);
        };
        EXPECT_EQ(at(16), side) << size;
        EXPECT_EQ(at(20), side) << size;
    }
}

// Started from another folder with a fresh home: the game runs in the XDG data folder, where the
// world file is refreshed at every start and the table stays as the game left it.
TEST_F(Package, LauncherRunsTheGameInThePlayersDataFolderFromAnyFolder)
{
    const fs::path home = fs::path(scratch) / "home";
    const fs::path elsewhere = fs::path(scratch) / "elsewhere";
    const fs::path folder = home / ".local/share/oncoraider";
    fs::create_directories(home);
    fs::create_directories(elsewhere);
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    const auto playShowingHighScores = [&](const std::string& table) {
        pty::Process game(launcher, {elsewhere, {}, false});
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
        game.send("h");
        EXPECT_TRUE(game.waitFor("Highscores:\r\n-----------\r\n" + table)) << game.output();
        game.send("\x1b");
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
        game.send("\x1b");
        EXPECT_EQ(game.waitExit(), 0) << game.output();
    };
    const std::string installedWorld = text(root / "usr/share/games/oncoraider/Bronchi.gra");

    playShowingHighScores("1: - (0)\r\n2: - (0)\r\n");
    EXPECT_EQ(text(folder / "Bronchi.gra"), installedWorld);
    EXPECT_TRUE(fs::is_empty(elsewhere));

    // As a mission's save leaves the table; the world file of an older version.
    const std::string table = "ann 1200\nbob 900\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n";
    std::ofstream(folder / "highscores.vxr") << table;
    std::ofstream(folder / "Bronchi.gra") << "stale\n";
    playShowingHighScores("1: ann (1200)\r\n2: bob (900)\r\n3: - (0)\r\n");
    EXPECT_EQ(text(folder / "highscores.vxr"), table);
    EXPECT_EQ(text(folder / "Bronchi.gra"), installedWorld);
}

// With a stand-in game that says where it runs and what it was given.
TEST_F(Package, LauncherMakesTheFilesOfTheReplayOptionsAbsoluteAndPassesTheRestOn)
{
    const fs::path data = fs::path(scratch) / "data";
    const fs::path elsewhere = fs::path(scratch) / "elsewhere";
    fs::create_directories(elsewhere);
    std::ofstream(root / "usr/lib/games/oncoraider/oncoraider", std::ios::trunc)
        << "#!/bin/sh\npwd\nfor arg in \"$@\"; do echo \"[$arg]\"; done\n";
    // Reached through a symbolic link in another folder, as from a ~/bin.
    fs::create_symlink(launcher, fs::path(scratch) / "link");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    const std::string from = elsewhere.string() + "/";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases{
        {{"--record", "flight.rec"}, {"--record", from + "flight.rec"}},
        {{"--replay=old/flight.rec"}, {"--replay=" + from + "old/flight.rec"}},
        {{"--verify", "my flight"}, {"--verify", from + "my flight"}},
        {{"--verify=/tmp/f.rec", "--record", "/tmp/g"},
         {"--verify=/tmp/f.rec", "--record", "/tmp/g"}},
        {{"--window=640x480", "-display", ":0", "two words", ""},
         {"--window=640x480", "-display", ":0", "two words", ""}},
        {{"--help", "--version", "--window", "--record="},
         {"--help", "--version", "--window", "--record="}},
        {{"--replay"}, {"--replay"}},
    };
    for (const auto& [given, passed] : cases) {
        std::string command = "cd " + quoted(elsewhere) + " && ../link";
        std::vector<std::string> expected{(data / "oncoraider").string()};
        for (const std::string& arg : given)
            command += " " + quoted(arg);
        for (const std::string& arg : passed)
            expected.push_back("[" + arg + "]");
        EXPECT_EQ(lines(shell(command).output), expected) << command;
    }
}

}  // namespace
