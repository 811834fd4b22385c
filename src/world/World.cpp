// The game's airway graph and wall test.
#include "world/World.h"

#include <iostream>
#include <memory>
#include <sstream>

#include "world/BronchiMesh.h"

namespace {

const char* const mapFile = "./Bronchi.gra";
std::unique_ptr<BronchiGraph> graph;

}  // namespace

const WallTable bronchiWall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                            wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};

const BronchiGraph& bronchiGraph() {
    if (!graph) {
        graph = std::make_unique<BronchiGraph>(mapFile);
    }
    return *graph;
}

void loadBronchiGraphQuietly() {
    if (!graph) {
        graph = loadGraphQuietly(mapFile);
    }
}

std::unique_ptr<BronchiGraph> loadGraphQuietly(const char* fileName) {
    std::ostringstream sink;
    std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
    std::streambuf* err = std::cerr.rdbuf(sink.rdbuf());
    auto loaded = std::make_unique<BronchiGraph>(fileName);
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);
    return loaded;
}

bool insideAirway(Vektor3D position) {
    return insideAirway(bronchiGraph(), bronchiWall, position);
}
