// Turns the closed airway surface into the game's wall table: picks each triangle's vertex 0,
// groups the triangles by the centre-line segment that the game's own nearestSegment gives for
// that vertex, and orders them group by group.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "world/BronchiMesh.h"

class BronchiGraph;

struct WallInput {
    // Rounded to the floats the table will hold; normals of unit length, out of the airway.
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals;
    // Counter-clockwise seen from inside.
    std::vector<std::array<int, 3>> triangles;
};

struct WallData {
    std::vector<WallTriangle> triangles;
    std::array<uint32_t, wallSegmentBaseCount> segmentBase{};
    std::array<uint32_t, wallSegmentStartCount> segmentStart{};
};

// The wall segment of a point: wallSegmentBase[to] + k of its nearest centre-line segment.
uint32_t wallSegmentOf(const BronchiGraph& graph, const uint32_t segmentBase[], float x, float y,
                       float z);

// Builds the table; the ungrouped triangles are the ones nearest to closedEnd. An empty result
// with a message in error when a centre-line segment cannot get its three triangles.
WallData groupWall(const WallInput& input, const BronchiGraph& graph,
                   const std::array<float, 3>& closedEnd, std::string& error);
