// The airway graph of the source tree, loaded once and quietly, for tests and benchmarks that may
// run from any folder.
#pragma once

#include <filesystem>
#include <memory>

#include "world/World.h"

inline const BronchiGraph& realGraph()
{
    static const std::unique_ptr<BronchiGraph> graph = loadGraphQuietly(
        (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" /
         "Bronchi.gra")
            .c_str());
    return *graph;
}
