// The airway graph of the source tree, loaded once with the loader's console lines kept out of
// the output, for tests and benchmarks that may run from any folder.
#pragma once

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "world/BronchiGraph.h"

inline const BronchiGraph& realGraph()
{
    static const std::unique_ptr<BronchiGraph> graph = [] {
        const auto file =
            std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" /
            "Bronchi.gra";
        std::ostringstream sink;
        auto* out = std::cout.rdbuf(sink.rdbuf());
        auto* err = std::cerr.rdbuf(sink.rdbuf());
        auto loaded = std::make_unique<BronchiGraph>(file.c_str());
        std::cout.rdbuf(out);
        std::cerr.rdbuf(err);
        return loaded;
    }();
    return *graph;
}
