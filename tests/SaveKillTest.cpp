// A crash while the high-score table is saved: the helper oncoraider_savekill makes a mission's
// update (load, offer, sort, save) and prints "s" just before its save and "d" after it; killed at
// a random moment of the save, 200 times over, it must leave the old table or the new one, whole.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "support/Pty.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path)
{
    return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}};
}

// One update in dir, killed (SIGKILL) killAfter microseconds into its save, or never when that is
// negative. Returns how long the save ran.
long update(const std::string& dir, int round, long killAfter)
{
    const std::string name = "pilot" + std::to_string(round % 13);
    const std::string score = std::to_string(1000 + round);
    pty::Process helper(fs::path(ONCORAIDER_BINARY).parent_path() / "oncoraider_savekill",
                        dir, {name, score});
    EXPECT_TRUE(helper.waitFor("s")) << "round " << round << ": " << helper.output();
    const auto start = std::chrono::steady_clock::now();
    if (killAfter < 0) {
        helper.waitFor("d");
    } else {
        usleep(static_cast<useconds_t>(killAfter));
        helper.kill(SIGKILL);
    }
    helper.waitExit();
    const auto saveTime = std::chrono::steady_clock::now() - start;
    return std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count();
}

struct SaveKilled : ::testing::Test {
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { fs::remove_all(folder); }
    std::string folder = "/tmp/oncoraider-savekill-XXXXXX";
};

TEST_F(SaveKilled, AtAnyMomentTheFileIsTheOldOrTheNewTableWhole)
{
    const std::string file = folder + "/highscores.vxr", reference = folder + "/reference";
    fs::create_directory(reference);
    std::ofstream(file) << "ann 50\nbob 40\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n";
    std::mt19937 random(2024);
    int kept = 0, replaced = 0;
    for (int round = 0; round < 200; ++round) {
        // The same update uninterrupted on a copy gives the new table, and how long a save takes.
        const std::string old = readFile(file);
        fs::copy_file(file, reference + "/highscores.vxr", fs::copy_options::overwrite_existing);
        const long saveTime = update(reference, round, -1);
        const std::string renewed = readFile(reference + "/highscores.vxr");
        ASSERT_NE(renewed, old) << "every offer beats one of the thirteen pilots";
        const long killAfter =
            round % 10 == 0 ? 0 : std::uniform_int_distribution<long>(0, 2 * saveTime)(random);
        update(folder, round, killAfter);
        const std::string now = readFile(file);
        ASSERT_TRUE(now == old || now == renewed) << "round " << round << ":\n" << now;
        (now == old ? kept : replaced) += 1;
    }
    const auto unfinished = std::distance(fs::directory_iterator(folder), {}) - 2;
    std::cout << "200 saves killed: " << kept << " left the old table, " << replaced
              << " the new one; " << unfinished
              << " were cut between writing the new file and renaming it" << std::endl;
    EXPECT_GT(kept, 0) << "no kill came before the table was replaced";
    EXPECT_GT(replaced, 0) << "no kill came late enough for a replaced table";
}

}  // namespace
