// Bad "Bronchi.gra" and "highscores.vxr" files: the loaders, the player's view, and saves that
// fail safe.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "console/HighScores.h"
#include "support/Pty.h"
#include "world/BronchiGraph.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path)
{
    return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// "highscores.vxr" with these entries first, then placeholders.
std::string table(const std::vector<std::string>& entries)
{
    std::string text;
    for (std::size_t i = 0; i < 10; ++i)
        text += (i < entries.size() ? entries[i] : "- 0") + "\n";
    return text;
}

// A mission's update with a winning result: load, offer, sort and save.
// Returns the table as loaded.
std::string loadAndOffer(const std::string& file)
{
    HighScores scores(file);
    std::string text;
    for (const HighScoresItem& item : scores.items)
        text += item.name + " " + std::to_string(item.score) + "\n";
    scores.insert("zed", 1000);
    scores.sort();
    scores.save();
    return text;
}

struct BadFiles : ::testing::Test {
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { fs::remove_all(folder); }
    std::string folder = "/tmp/oncoraider-badfiles-XXXXXX";
};

// The player's view of a world without airways: the menu comes up, and M says why there is
// no mission.
TEST_F(BadFiles, WithAMissingGraphFileOrOneWithoutEdgesTheGameRefusesMissionsWithAMessage)
{
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
    const std::string refused =
        "No mission: the airway map \"./Bronchi.gra\" is missing or holds no airways.\r\n"
        "\r\n(Press [ENTER] to continue)\r\n";
    for (const bool missing : {true, false}) {
        if (!missing)
            writeFile(folder + "/Bronchi.gra",
                      "VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 1 1\n0 0 1 1 9\n");
        pty::Process game(ONCORAIDER_BINARY, folder);
        for (const auto& [text, key] :
             {std::pair{menuEnd, "m"}, {refused, "\r"}, {menuEnd, "\x1b"}}) {
            ASSERT_TRUE(game.waitFor(text)) << game.output();
            game.send(key);
        }
        EXPECT_EQ(game.waitExit(), 0) << game.output();
        EXPECT_EQ(game.output().find("Error opening file\r\nError opening file\r\n"),
                  missing ? 0 : std::string::npos);
    }
}

// First use, and names far longer than any buffer: an offer saves the ten places, names whole.
TEST_F(BadFiles, WithoutAScoreFileOrWithLongNamesAnOfferSavesTenPlaces)
{
    const std::string file = folder + "/highscores.vxr";
    const std::string name(10 * 1024, 'n');
    EXPECT_EQ(loadAndOffer(file), table({}));
    EXPECT_EQ(readFile(file), table({"zed 1000"}));
    writeFile(file, name + " 700\r\n" + name + "x 600");
    EXPECT_EQ(loadAndOffer(file), table({name + " 700", name + "x 600"}));
    EXPECT_EQ(readFile(file), table({"zed 1000", name + " 700", name + "x 600"}));
}

// Files nobody may use, in a folder anyone may write (so a rename over them would work), and a full
// disk. Root (as in CI) may use any file: here it has the rights of nobody.
TEST_F(BadFiles, ScoreFilesThePlayerMayNotUseReadAsPlaceholdersAndFailedSavesLeaveThemAlone)
{
    const std::string kept = table({"ann 900", "bob 800"});
    std::string seen;
    const std::string files[] = {folder + "/unreadable", folder + "/readOnly", folder + "/full"};
    for (const auto& [file, perms] : {std::pair{files[0], 0}, {files[1], 0444}, {files[2], 0666}}) {
        writeFile(file, kept);
        fs::permissions(file, fs::perms(perms));
    }
    fs::permissions(folder, fs::perms::all);
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    const auto onSignal = signal(SIGXFSZ, SIG_IGN);
    setfsuid(65534);
    const bool binds = !std::ifstream(files[0]).is_open();
    for (const std::string& file : files) {
        // For the last file the disk is full after 20 bytes.
        const rlimit size{file == files[2] ? 20 : limit.rlim_cur, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &size);
        seen += loadAndOffer(file);
    }
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, onSignal);
    setfsuid(geteuid());
    fs::permissions(files[0], fs::perms::owner_read);
    ASSERT_TRUE(binds) << "the unreadable file could be read: this test would prove nothing";
    EXPECT_EQ(seen, table({}) + kept + kept);
    EXPECT_EQ(readFile(files[0]) + readFile(files[1]) + readFile(files[2]), kept + kept + kept);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 3) << "a file left behind";
}

}  // namespace
