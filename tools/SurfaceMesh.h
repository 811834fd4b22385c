// A closed triangle surface of the airway: extraction from the implicit volume (marching
// tetrahedra), isotropic remeshing onto the volume's zero level, and an exact triangle count.
// Triangles are counter-clockwise seen from outside while they are built here.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "AirwayMath.h"

class AirwayVolume;

class SurfaceMesh {
public:
    std::vector<Vec3> positions;
    std::vector<std::array<int, 3>> triangles;

    // Marching tetrahedra over a cubic grid of the given spacing; closed and 2-manifold by
    // construction, but with slivers that the remeshing removes.
    static SurfaceMesh extract(const AirwayVolume& volume, double spacing);

    // Split, collapse, flip and relax towards edges of the target length, every vertex kept
    // on the zero level.
    void remesh(const AirwayVolume& volume, double targetEdge, int iterations);
    // Splits the longest or collapses the shortest edges until the count is reached.
    void reachTriangleCount(const AirwayVolume& volume, size_t count);
    void relax(const AirwayVolume& volume, int iterations);

    double area() const;
    // Euler characteristic and whether every edge has exactly two triangles, in opposite
    // directions.
    int eulerCharacteristic() const;
    bool closedManifold() const;
    void edgeLengthRange(double& shortest, double& mean, double& longest) const;

private:
    void buildAdjacency();
    void compact();
    std::vector<std::array<int, 2>> edges() const;
    std::vector<int> neighbours(int v) const;
    // The live triangles holding edge a-b.
    std::vector<int> edgeTriangles(int a, int b) const;
    // Edge length over the wanted size at its midpoint.
    double relativeLength(const AirwayVolume& volume, int a, int b) const;
    bool split(const AirwayVolume& volume, int a, int b);
    // Moves b to the projected midpoint and drops a; false when that would break the surface.
    bool collapse(const AirwayVolume& volume, int a, int b, double maxEdge);
    bool flip(int a, int b);
    int replaceVertex(int triangle, int from, int to);
    Vec3 normalOf(const std::array<int, 3>& t) const;

    std::vector<char> alive;
    std::vector<std::vector<int>> vertexTriangles;
};
