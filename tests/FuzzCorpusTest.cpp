// Replays the committed fuzz corpora through the fuzz targets themselves, so that every input the
// fuzzer kept, every past finding included, stays a regression test, under the sanitizers too.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/BronchiGraphFuzz.cpp"
#include "fuzz/HighScoresFuzz.cpp"
#include "fuzz/RecordingFuzz.cpp"

namespace {

std::string input;

TEST(FuzzCorpus, EveryInputKeepsTheLoadersProperties)
{
    fuzz::onFailure = [](const char* what) { ADD_FAILURE() << input << ": " << what; };
    const std::pair<const char*, int (*)(const uint8_t*, std::size_t)> targets[] = {
        {"bronchi_graph", fuzz::fuzzBronchiGraph},
        {"high_scores", fuzz::fuzzHighScores},
        {"recording", fuzz::fuzzRecording}};
    for (const auto& [target, run] : targets) {
        const std::filesystem::path folder =
            std::filesystem::path(ONCORAIDER_SOURCE_DIR) / "tests/fuzz" / target;
        int inputs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            input = entry.path().string();
            std::ifstream in(input, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in), {}};
            run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
        EXPECT_GE(inputs, 10) << "the committed corpus of " << target << " is gone";
    }
}

}  // namespace
