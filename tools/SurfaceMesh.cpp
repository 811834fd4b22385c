// Surface extraction and remeshing for the airway wall.
#include "SurfaceMesh.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>

#include "AirwayShape.h"

namespace {

double triangleLength(const Vec3& a, const Vec3& b) { return length(b - a); }

}  // namespace

SurfaceMesh SurfaceMesh::extract(const AirwayVolume& volume, double spacing) {
    Vec3 lower;
    Vec3 upper;
    volume.bounds(lower, upper);
    const int nx = static_cast<int>((upper.x - lower.x) / spacing) + 3;
    const int ny = static_cast<int>((upper.y - lower.y) / spacing) + 3;
    const int nz = static_cast<int>((upper.z - lower.z) / spacing) + 3;
    const Vec3 origin = lower - Vec3{spacing, spacing, spacing};
    auto gridPoint = [&](int64_t index) {
        const int64_t i = index % nx;
        const int64_t j = (index / nx) % ny;
        const int64_t k = index / (int64_t{nx} * ny);
        return origin + Vec3{static_cast<double>(i), static_cast<double>(j),
                             static_cast<double>(k)} * spacing;
    };
    std::vector<double> values(static_cast<size_t>(nx) * ny * nz);
    for (int64_t index = 0; index < static_cast<int64_t>(values.size()); ++index) {
        const double f = volume.field(gridPoint(index));
        // A grid point exactly on the surface counts as outside, so no edge vertex doubles up.
        values[static_cast<size_t>(index)] = f == 0.0 ? 1e-12 : f;
    }

    SurfaceMesh mesh;
    std::map<std::pair<int64_t, int64_t>, int> edgeVertex;
    auto vertexOn = [&](int64_t inside, int64_t outside) {
        const std::pair<int64_t, int64_t> key{std::min(inside, outside),
                                              std::max(inside, outside)};
        const auto found = edgeVertex.find(key);
        if (found != edgeVertex.end()) return found->second;
        const double fi = values[static_cast<size_t>(inside)];
        const double fo = values[static_cast<size_t>(outside)];
        const Vec3 pi = gridPoint(inside);
        const Vec3 po = gridPoint(outside);
        mesh.positions.push_back(pi + (po - pi) * (fi / (fi - fo)));
        const int id = static_cast<int>(mesh.positions.size()) - 1;
        edgeVertex.emplace(key, id);
        return id;
    };
    // Orientation comes from the grid corners (edge midpoints), never from the interpolated
    // points, which may be degenerate: outward normal, away from the inside corners.
    auto emit = [&](const std::array<std::pair<int64_t, int64_t>, 3>& e, const Vec3& outward) {
        const Vec3 a = (gridPoint(e[0].first) + gridPoint(e[0].second)) * 0.5;
        const Vec3 b = (gridPoint(e[1].first) + gridPoint(e[1].second)) * 0.5;
        const Vec3 c = (gridPoint(e[2].first) + gridPoint(e[2].second)) * 0.5;
        std::array<int, 3> t{vertexOn(e[0].first, e[0].second),
                             vertexOn(e[1].first, e[1].second),
                             vertexOn(e[2].first, e[2].second)};
        if (dot(cross(b - a, c - a), outward) < 0.0) std::swap(t[1], t[2]);
        mesh.triangles.push_back(t);
    };
    static const int permutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                           {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int k = 0; k + 1 < nz; ++k) {
        for (int j = 0; j + 1 < ny; ++j) {
            for (int i = 0; i + 1 < nx; ++i) {
                int64_t corner[8];
                int insideCount = 0;
                for (int c = 0; c < 8; ++c) {
                    corner[c] = (i + (c & 1)) + int64_t{nx} * ((j + ((c >> 1) & 1)) +
                                                              int64_t{ny} * (k + (c >> 2)));
                    if (values[static_cast<size_t>(corner[c])] < 0.0) ++insideCount;
                }
                if (insideCount == 0 || insideCount == 8) continue;
                // Six tetrahedra around the cube's main diagonal: neighbouring cubes cut
                // their shared faces the same way.
                for (const auto& perm : permutations) {
                    const int second = 1 << perm[0];
                    const int third = second | (1 << perm[1]);
                    const int64_t tet[4] = {corner[0], corner[second], corner[third], corner[7]};
                    std::vector<int64_t> in;
                    std::vector<int64_t> out;
                    Vec3 inSum;
                    Vec3 outSum;
                    for (int64_t g : tet) {
                        if (values[static_cast<size_t>(g)] < 0.0) {
                            in.push_back(g);
                            inSum += gridPoint(g);
                        } else {
                            out.push_back(g);
                            outSum += gridPoint(g);
                        }
                    }
                    if (in.empty() || out.empty()) continue;
                    const Vec3 outward = outSum / static_cast<double>(out.size()) -
                                         inSum / static_cast<double>(in.size());
                    if (in.size() == 1) {
                        emit({{{in[0], out[0]}, {in[0], out[1]}, {in[0], out[2]}}}, outward);
                    } else if (in.size() == 3) {
                        emit({{{in[0], out[0]}, {in[1], out[0]}, {in[2], out[0]}}}, outward);
                    } else {
                        emit({{{in[0], out[0]}, {in[0], out[1]}, {in[1], out[1]}}}, outward);
                        emit({{{in[0], out[0]}, {in[1], out[1]}, {in[1], out[0]}}}, outward);
                    }
                }
            }
        }
    }
    return mesh;
}

void SurfaceMesh::buildAdjacency() {
    alive.assign(triangles.size(), 1);
    vertexTriangles.assign(positions.size(), {});
    for (size_t t = 0; t < triangles.size(); ++t) {
        for (int v : triangles[t]) vertexTriangles[static_cast<size_t>(v)].push_back(static_cast<int>(t));
    }
}

void SurfaceMesh::compact() {
    std::vector<int> newIndex(positions.size(), -1);
    std::vector<Vec3> keptPositions;
    for (size_t v = 0; v < positions.size(); ++v) {
        if (!vertexTriangles[v].empty()) {
            newIndex[v] = static_cast<int>(keptPositions.size());
            keptPositions.push_back(positions[v]);
        }
    }
    std::vector<std::array<int, 3>> keptTriangles;
    for (size_t t = 0; t < triangles.size(); ++t) {
        if (!alive[t]) continue;
        std::array<int, 3> tri = triangles[t];
        for (int& v : tri) v = newIndex[static_cast<size_t>(v)];
        keptTriangles.push_back(tri);
    }
    positions.swap(keptPositions);
    triangles.swap(keptTriangles);
    buildAdjacency();
}

std::vector<std::array<int, 2>> SurfaceMesh::edges() const {
    std::vector<std::array<int, 2>> result;
    for (size_t t = 0; t < triangles.size(); ++t) {
        if (!alive.empty() && !alive[t]) continue;
        for (int i = 0; i < 3; ++i) {
            const int a = triangles[t][i];
            const int b = triangles[t][(i + 1) % 3];
            if (a < b) result.push_back({a, b});
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<int> SurfaceMesh::neighbours(int v) const {
    std::vector<int> result;
    for (int t : vertexTriangles[static_cast<size_t>(v)]) {
        for (int w : triangles[static_cast<size_t>(t)]) {
            if (w != v) result.push_back(w);
        }
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

std::vector<int> SurfaceMesh::edgeTriangles(int a, int b) const {
    std::vector<int> result;
    for (int t : vertexTriangles[static_cast<size_t>(a)]) {
        const auto& tri = triangles[static_cast<size_t>(t)];
        if (tri[0] == b || tri[1] == b || tri[2] == b) result.push_back(t);
    }
    return result;
}

Vec3 SurfaceMesh::normalOf(const std::array<int, 3>& t) const {
    const Vec3& a = positions[static_cast<size_t>(t[0])];
    return cross(positions[static_cast<size_t>(t[1])] - a, positions[static_cast<size_t>(t[2])] - a);
}

int SurfaceMesh::replaceVertex(int triangle, int from, int to) {
    for (int& v : triangles[static_cast<size_t>(triangle)]) {
        if (v == from) v = to;
    }
    return triangle;
}

double SurfaceMesh::relativeLength(const AirwayVolume& volume, int a, int b) const {
    const Vec3& pa = positions[static_cast<size_t>(a)];
    const Vec3& pb = positions[static_cast<size_t>(b)];
    return triangleLength(pa, pb) / volume.edgeScale((pa + pb) * 0.5);
}

bool SurfaceMesh::split(const AirwayVolume& volume, int a, int b) {
    const std::vector<int> around = edgeTriangles(a, b);
    if (around.size() != 2) return false;
    const Vec3 m = volume.project((positions[static_cast<size_t>(a)] + positions[static_cast<size_t>(b)]) * 0.5);
    const int mid = static_cast<int>(positions.size());
    positions.push_back(m);
    vertexTriangles.emplace_back();
    for (int t : around) {
        std::array<int, 3>& tri = triangles[static_cast<size_t>(t)];
        int i = 0;
        while (!((tri[i] == a || tri[i] == b) && (tri[(i + 1) % 3] == a || tri[(i + 1) % 3] == b))) ++i;
        const int u = tri[i];
        const int v = tri[(i + 1) % 3];
        const int w = tri[(i + 2) % 3];
        tri = {u, mid, w};
        const int added = static_cast<int>(triangles.size());
        triangles.push_back({mid, v, w});
        alive.push_back(1);
        auto& vt = vertexTriangles[static_cast<size_t>(v)];
        vt.erase(std::find(vt.begin(), vt.end(), t));
        vt.push_back(added);
        vertexTriangles[static_cast<size_t>(w)].push_back(added);
        vertexTriangles[static_cast<size_t>(mid)].push_back(t);
        vertexTriangles[static_cast<size_t>(mid)].push_back(added);
    }
    return true;
}

bool SurfaceMesh::collapse(const AirwayVolume& volume, int a, int b, double maxEdge) {
    const std::vector<int> around = edgeTriangles(a, b);
    if (around.size() != 2) return false;
    std::vector<int> opposite;
    for (int t : around) {
        for (int v : triangles[static_cast<size_t>(t)]) {
            if (v != a && v != b) opposite.push_back(v);
        }
    }
    const std::vector<int> na = neighbours(a);
    const std::vector<int> nb = neighbours(b);
    std::vector<int> common;
    std::set_intersection(na.begin(), na.end(), nb.begin(), nb.end(), std::back_inserter(common));
    std::sort(opposite.begin(), opposite.end());
    if (common != opposite || opposite[0] == opposite[1]) return false;
    const Vec3 m = volume.project((positions[static_cast<size_t>(a)] + positions[static_cast<size_t>(b)]) * 0.5);
    for (const std::vector<int>* ring : {&na, &nb}) {
        for (int n : *ring) {
            if (n != a && n != b && triangleLength(m, positions[static_cast<size_t>(n)]) > maxEdge) return false;
        }
    }
    const Vec3 up = normalized(volume.gradient(m));
    for (int v : {a, b}) {
        for (int t : vertexTriangles[static_cast<size_t>(v)]) {
            if (t == around[0] || t == around[1]) continue;
            std::array<int, 3> tri = triangles[static_cast<size_t>(t)];
            const Vec3 saved = positions[static_cast<size_t>(v)];
            positions[static_cast<size_t>(v)] = m;
            const Vec3 n = normalOf(tri);
            positions[static_cast<size_t>(v)] = saved;
            const double l = length(n);
            if (l < 1e-12 || dot(n, up) < 0.2 * l) return false;
        }
    }
    for (int t : around) {
        alive[static_cast<size_t>(t)] = 0;
        for (int v : triangles[static_cast<size_t>(t)]) {
            auto& vt = vertexTriangles[static_cast<size_t>(v)];
            vt.erase(std::find(vt.begin(), vt.end(), t));
        }
    }
    for (int t : vertexTriangles[static_cast<size_t>(a)]) {
        vertexTriangles[static_cast<size_t>(b)].push_back(replaceVertex(t, a, b));
    }
    vertexTriangles[static_cast<size_t>(a)].clear();
    positions[static_cast<size_t>(b)] = m;
    return true;
}

bool SurfaceMesh::flip(int a, int b) {
    const std::vector<int> around = edgeTriangles(a, b);
    if (around.size() != 2) return false;
    // t1 runs a -> b, t2 runs b -> a.
    int t1 = around[0];
    int t2 = around[1];
    auto runs = [&](int t, int from, int to) {
        const auto& tri = triangles[static_cast<size_t>(t)];
        for (int i = 0; i < 3; ++i) {
            if (tri[i] == from && tri[(i + 1) % 3] == to) return true;
        }
        return false;
    };
    if (!runs(t1, a, b)) std::swap(t1, t2);
    if (!runs(t1, a, b) || !runs(t2, b, a)) return false;
    auto third = [&](int t) {
        for (int v : triangles[static_cast<size_t>(t)]) {
            if (v != a && v != b) return v;
        }
        return -1;
    };
    const int c = third(t1);
    const int d = third(t2);
    const std::vector<int> nc = neighbours(c);
    if (c == d || std::binary_search(nc.begin(), nc.end(), d)) return false;
    const Vec3 before = normalized(normalOf(triangles[static_cast<size_t>(t1)])) +
                        normalized(normalOf(triangles[static_cast<size_t>(t2)]));
    const std::array<int, 3> n1{a, d, c};
    const std::array<int, 3> n2{d, b, c};
    const Vec3 after1 = normalized(normalOf(n1));
    const Vec3 after2 = normalized(normalOf(n2));
    const Vec3 ref = normalized(before);
    if (dot(after1, ref) < 0.8 || dot(after2, ref) < 0.8) return false;
    triangles[static_cast<size_t>(t1)] = n1;
    triangles[static_cast<size_t>(t2)] = n2;
    auto drop = [&](int v, int t) {
        auto& vt = vertexTriangles[static_cast<size_t>(v)];
        vt.erase(std::find(vt.begin(), vt.end(), t));
    };
    drop(b, t1);
    drop(a, t2);
    vertexTriangles[static_cast<size_t>(d)].push_back(t1);
    vertexTriangles[static_cast<size_t>(c)].push_back(t2);
    return true;
}

void SurfaceMesh::relax(const AirwayVolume& volume, int iterations) {
    for (int it = 0; it < iterations; ++it) {
        std::vector<Vec3> moved = positions;
        for (size_t v = 0; v < positions.size(); ++v) {
            if (vertexTriangles[v].empty()) continue;
            // Uniform Laplacian: with the splits and collapses it evens out the edge lengths.
            Vec3 centroid;
            const std::vector<int> ring = neighbours(static_cast<int>(v));
            for (int w : ring) centroid += positions[static_cast<size_t>(w)];
            const double weight = static_cast<double>(ring.size());
            const Vec3 p = positions[v];
            const Vec3 n = normalized(volume.gradient(p));
            const Vec3 shift = centroid / weight - p;
            moved[v] = volume.project(p + shift - n * dot(shift, n));
        }
        positions.swap(moved);
    }
}

void SurfaceMesh::remesh(const AirwayVolume& volume, double targetEdge, int iterations) {
    buildAdjacency();
    for (int it = 0; it < iterations; ++it) {
        for (const auto& e : edges()) {
            if (relativeLength(volume, e[0], e[1]) > 4.0 / 3.0 * targetEdge) split(volume, e[0], e[1]);
        }
        for (const auto& e : edges()) {
            if (vertexTriangles[static_cast<size_t>(e[0])].empty() || vertexTriangles[static_cast<size_t>(e[1])].empty()) continue;
            if (relativeLength(volume, e[0], e[1]) < 4.0 / 5.0 * targetEdge) {
                const Vec3 mid = (positions[static_cast<size_t>(e[0])] + positions[static_cast<size_t>(e[1])]) * 0.5;
                collapse(volume, e[0], e[1], 4.0 / 3.0 * targetEdge * volume.edgeScale(mid));
            }
        }
        compact();
        for (const auto& e : edges()) {
            const std::vector<int> around = edgeTriangles(e[0], e[1]);
            if (around.size() != 2) continue;
            int c = -1;
            int d = -1;
            for (int v : triangles[static_cast<size_t>(around[0])]) {
                if (v != e[0] && v != e[1]) c = v;
            }
            for (int v : triangles[static_cast<size_t>(around[1])]) {
                if (v != e[0] && v != e[1]) d = v;
            }
            auto valence = [&](int v) { return static_cast<int>(vertexTriangles[static_cast<size_t>(v)].size()); };
            auto deviation = [](int a, int b, int x, int y) {
                return std::abs(a - 6) + std::abs(b - 6) + std::abs(x - 6) + std::abs(y - 6);
            };
            const int va = valence(e[0]);
            const int vb = valence(e[1]);
            const int vc = valence(c);
            const int vd = valence(d);
            if (va <= 3 || vb <= 3) continue;
            if (deviation(va - 1, vb - 1, vc + 1, vd + 1) < deviation(va, vb, vc, vd)) {
                flip(e[0], e[1]);
            }
        }
        relax(volume, 1);
    }
    compact();
}

void SurfaceMesh::reachTriangleCount(const AirwayVolume& volume, size_t count) {
    buildAdjacency();
    size_t live = triangles.size();
    while (live != count) {
        std::vector<std::pair<double, std::array<int, 2>>> byLength;
        for (const auto& e : edges()) {
            byLength.push_back({relativeLength(volume, e[0], e[1]), e});
        }
        std::sort(byLength.begin(), byLength.end());
        const bool grow = live < count;
        if (grow) std::reverse(byLength.begin(), byLength.end());
        std::vector<char> touched(positions.size(), 0);
        bool changed = false;
        for (const auto& entry : byLength) {
            if (live == count) break;
            const int a = entry.second[0];
            const int b = entry.second[1];
            if (touched[static_cast<size_t>(a)] || touched[static_cast<size_t>(b)]) continue;
            const bool done = grow ? split(volume, a, b) : collapse(volume, a, b, 1e300);
            if (!done) continue;
            changed = true;
            touched.resize(positions.size(), 0);
            touched[static_cast<size_t>(a)] = touched[static_cast<size_t>(b)] = 1;
            for (int n : neighbours(grow ? static_cast<int>(positions.size()) - 1 : b)) touched[static_cast<size_t>(n)] = 1;
            live = grow ? live + 2 : live - 2;
        }
        if (!changed) break;
        compact();
        live = triangles.size();
    }
    compact();
}

double SurfaceMesh::area() const {
    double sum = 0.0;
    for (const auto& t : triangles) sum += 0.5 * length(normalOf(t));
    return sum;
}

int SurfaceMesh::eulerCharacteristic() const {
    return static_cast<int>(positions.size()) - static_cast<int>(triangles.size() * 3 / 2) +
           static_cast<int>(triangles.size());
}

bool SurfaceMesh::closedManifold() const {
    std::map<std::pair<int, int>, int> directed;
    for (const auto& t : triangles) {
        for (int i = 0; i < 3; ++i) {
            if (++directed[{t[i], t[(i + 1) % 3]}] > 1) return false;
        }
    }
    for (const auto& entry : directed) {
        if (directed.find({entry.first.second, entry.first.first}) == directed.end()) return false;
    }
    // Each vertex's triangles must form one fan, not two cones touching at a point.
    std::vector<std::vector<int>> around(positions.size());
    for (size_t t = 0; t < triangles.size(); ++t) {
        for (int v : triangles[t]) around[static_cast<size_t>(v)].push_back(static_cast<int>(t));
    }
    for (size_t v = 0; v < positions.size(); ++v) {
        if (around[v].empty()) return false;
        std::map<int, int> next;
        for (int t : around[v]) {
            const auto& tri = triangles[static_cast<size_t>(t)];
            int i = 0;
            while (tri[i] != static_cast<int>(v)) ++i;
            next[tri[(i + 1) % 3]] = tri[(i + 2) % 3];
        }
        int steps = 0;
        int w = next.begin()->first;
        do {
            w = next[w];
            ++steps;
        } while (w != next.begin()->first && steps <= static_cast<int>(next.size()));
        if (steps != static_cast<int>(next.size())) return false;
    }
    return true;
}

void SurfaceMesh::edgeLengthRange(double& shortest, double& mean, double& longest) const {
    shortest = 1e300;
    longest = 0.0;
    double sum = 0.0;
    size_t n = 0;
    for (const auto& t : triangles) {
        for (int i = 0; i < 3; ++i) {
            const double l = triangleLength(positions[static_cast<size_t>(t[i])], positions[static_cast<size_t>(t[(i + 1) % 3])]);
            shortest = std::min(shortest, l);
            longest = std::max(longest, l);
            sum += l;
            ++n;
        }
    }
    mean = sum / static_cast<double>(n);
}
