// The game's wall test: the collision query over the global graph and the real wall table.
#include "world/World.h"

#include "world/BronchiMesh.h"
#include "world/WallCollision.h"

namespace {

const WallTable bronchiWall{BronchiMesh,      wallTriangleCount,     wallSegmentBase,
                            wallSegmentBaseCount, wallSegmentStart, wallSegmentStartCount};

}  // namespace

bool insideAirway(Vektor3D position) {
    return insideAirway(bronchiGraph, bronchiWall, position);
}
