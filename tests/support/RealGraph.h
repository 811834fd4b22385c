// The airway graph of the source tree, loaded once and quietly, wherever the program runs.
#pragma once

#include <filesystem>

#include "world/World.h"

inline const BronchiGraph& realGraph() {
    static const auto graph = loadGraphQuietly(
        (std::filesystem::path(__FILE__).parent_path() / "../../data/Bronchi.gra").c_str());
    return *graph;
}
