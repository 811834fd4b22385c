// The airway graph of the source tree, loaded once and quietly, for tests and benchmarks that may
// run from any folder.
#pragma once

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "world/BronchiGraph.h"

// The loader's progress lines would mix with a test's or a benchmark's own output.
inline std::unique_ptr<BronchiGraph> loadGraphQuietly(const char* path)
{
    std::ostringstream sink;
    auto* out = std::cout.rdbuf(sink.rdbuf());
    auto* err = std::cerr.rdbuf(sink.rdbuf());
    auto graph = std::make_unique<BronchiGraph>(path);
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);
    return graph;
}

inline const BronchiGraph& realGraph()
{
    static const std::unique_ptr<BronchiGraph> graph = loadGraphQuietly(
        (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" /
         "Bronchi.gra")
            .c_str());
    return *graph;
}
