// Replays the fuzz corpora through the fuzz targets themselves, so every input the fuzzer ever
// kept (and every finding added to it) stays a regression test, under the sanitizers too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/BronchiGraphFuzz.cpp"
#include "fuzz/HighScoresFuzz.cpp"

namespace {

namespace fs = std::filesystem;

std::string current;

void reportInTest(const std::string& what)
{
    ADD_FAILURE() << current << ": " << what;
}

// Every file of tests/fuzz/<target>/, in name order; fails when the corpus is missing.
void replay(const std::string& target, int (*run)(const uint8_t*, std::size_t))
{
    const fs::path folder = fs::path(ONCORAIDER_SOURCE_DIR) / "tests" / "fuzz" / target;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_GE(inputs.size(), 10u) << "the seed corpus of " << target << " is gone";

    fuzz::onFailure = reportInTest;
    for (const fs::path& input : inputs) {
        current = input.filename().string();
        const std::string bytes = fuzz::readFile(input.string());
        run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
}

TEST(FuzzCorpus, BronchiGraphLoaderKeepsItsPropertiesOnEveryInput)
{
    replay("bronchi_graph", fuzz::fuzzBronchiGraph);
}

TEST(FuzzCorpus, HighScoresLoaderKeepsItsPropertiesOnEveryInput)
{
    replay("high_scores", fuzz::fuzzHighScores);
}

}  // namespace
