// The game's wall test: the collision query over the global graph and the real wall table.
#include "world/World.h"

#include "world/BronchiMesh.h"

const WallTable bronchiWall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                            wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};

bool insideAirway(Vektor3D position) {
    return insideAirway(bronchiGraph, bronchiWall, position);
}
