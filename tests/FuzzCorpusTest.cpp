// Replays the committed fuzz corpora through the fuzz targets themselves, so that every input the
// fuzzer kept, every past finding included, stays a regression test, under the sanitizers too.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/BronchiGraphFuzz.cpp"
#include "fuzz/HighScoresFuzz.cpp"
#include "fuzz/RecordingFuzz.cpp"
#include "support/Files.h"

namespace {

std::string input;

TEST(FuzzCorpus, EveryInputKeepsTheLoadersProperties)
{
    fuzz::onFailure = [](const char* what) { ADD_FAILURE() << input << ": " << what; };
    const std::pair<std::string, int (*)(const uint8_t*, std::size_t)> targets[] = {
        {"bronchi_graph", fuzz::fuzzBronchiGraph},
        {"high_scores", fuzz::fuzzHighScores},
        {"recording", fuzz::fuzzRecording}};
    for (const auto& [target, run] : targets) {
        int inputs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::string(ONCORAIDER_SOURCE_DIR) + "/tests/fuzz/" + target)) {
            input = entry.path().string();
            const std::string bytes = files::read(input);
            run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
        EXPECT_GE(inputs, 10) << "the committed corpus of " << target << " is gone";
    }
}

}  // namespace
