// Loader of "./Bronchi.gra" (two passes over the file, edges then nodes) and the geometry of the
// nearest-centre-line query. All geometry is in 32-bit floats, summed left to right.
#include "world/BronchiGraph.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <utility>

namespace {

// The game reads lines into a buffer of 3072 characters: 3071 and the terminating zero.
constexpr std::size_t maxLineLength = 3071;
// Room for one more character, so that a carriage return before the line feed does not count
// against the limit, as it did not under the text-mode stream the format was written for.
using LineBuffer = char[maxLineLength + 2];

// Reads one line, drops the line feed and one carriage return in front of it. A line longer
// than 3071 characters is cut there and fails the stream: the pass handles the cut line and
// then stops reading.
void readLine(std::istream& in, LineBuffer& line) {
    in.getline(line, sizeof line);
    if (in.fail() && !in.eof()) {  // the buffer filled before the line ended
        line[maxLineLength] = '\0';
        return;
    }
    std::size_t length = static_cast<std::size_t>(in.gcount());
    if (!in.eof() && length > 0) {
        --length;  // the line feed was extracted but not stored
    }
    if (length > 0 && line[length - 1] == '\r') {
        line[--length] = '\0';
    }
    if (length > maxLineLength) {
        line[maxLineLength] = '\0';
        in.setstate(std::ios::failbit);
    }
}

// Formatted extraction that leaves the target as it was when the read fails, the behaviour the
// file format relies on (since C++11 a failed >> stores 0, or the type's limit on overflow).
template <typename T>
bool readInto(std::istream& in, T& target) {
    T value{};
    if (!(in >> value)) {
        return false;
    }
    target = value;
    return true;
}

// Components that the voxel-size line does not supply stay 1, that is, unscaled.
struct VoxelSize {
    float a = 1.0f;
    float b = 1.0f;
    float c = 1.0f;
};

// The values of the last successful coordinate reads of a pass. A group whose reads fail is
// stored with them; before a whole group has ever been read there are no such values, and the
// group is dropped instead.
struct HeldPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    bool complete = false;
};

void readCoordinates(std::istream& fields, HeldPoint& held) {
    readInto(fields, held.x);
    readInto(fields, held.y);
    if (readInto(fields, held.z)) {
        held.complete = true;
    }
}

// value / size. For a size of 0 the language leaves the quotient undefined, so the IEEE result
// is spelled out instead of divided.
float perVoxel(float value, float size) {
    if (size != 0.0f) {
        return value / size;
    }
    if (value == 0.0f || std::isnan(value)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    const float infinity = std::numeric_limits<float>::infinity();
    return std::signbit(value) != std::signbit(size) ? -infinity : infinity;
}

std::unique_ptr<GraphPoint> scaledPoint(const HeldPoint& held, const VoxelSize& voxel) {
    auto point = std::make_unique<GraphPoint>();
    point->x = perVoxel(held.x, voxel.a);
    point->y = perVoxel(held.y, voxel.b);
    point->z = perVoxel(held.z, voxel.c);
    return point;
}

VoxelSize findVoxelSize(std::istream& file, LineBuffer& line) {
    std::cout << "find Voxel Size...";
    VoxelSize voxel;
    while (file.good()) {
        readLine(file, line);
        if (BronchiGraph::startsWith(line, "VoxelSize:")) {
            std::istringstream fields(line);
            // The keyword is the first token; a number glued to the colon belongs to it.
            std::string keyword;
            fields >> keyword;
            readInto(fields, voxel.a);
            readInto(fields, voxel.b);
            readInto(fields, voxel.c);
            std::cout << "done\n";
            std::cout << "VoxelSize: " << voxel.a << " // " << voxel.b << " // " << voxel.c
                      << '\n';
            break;
        }
    }
    return voxel;
}

// Both passes announce their section search with the same text.
void findSection(std::istream& file, LineBuffer& line, const char* header) {
    std::cout << "find beginning Edges...";
    while (file.good()) {
        readLine(file, line);
        if (BronchiGraph::startsWith(line, header)) {
            std::cout << "done\n";
            break;
        }
    }
}

float norm(float x, float y, float z) {
    return std::sqrt((x * x + y * y) + z * z);
}

// The edge's direction from its `from` node to its `to` node, and where the two nodes lie along
// it. Coinciding nodes give no direction: u = 0.
struct EdgeAxis {
    float u[3] = {0.0f, 0.0f, 0.0f};
    float sA = 0.0f;
    float sB = 0.0f;
    bool ascending = false;
};

float along(const EdgeAxis& axis, const float x[3]) {
    return norm(axis.u[0] * x[0], axis.u[1] * x[1], axis.u[2] * x[2]);
}

EdgeAxis edgeAxis(const float a[3], const float b[3]) {
    EdgeAxis axis;
    const float d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const float length = norm(d[0], d[1], d[2]);
    if (length != 0.0f) {
        for (int i = 0; i < 3; ++i) {
            axis.u[i] = d[i] / length;
        }
    }
    axis.sA = along(axis, a);
    axis.sB = along(axis, b);
    axis.ascending = axis.sB > axis.sA;
    return axis;
}

bool notBefore(const EdgeAxis& axis, float sP, float sX) {
    return axis.ascending ? sP >= sX : sP <= sX;
}

bool notAfter(const EdgeAxis& axis, float sP, float sX) {
    return axis.ascending ? sP <= sX : sP >= sX;
}

// The float's bits and back: picking one of two floats by a mask this way leaves the loop that
// does it without branches.
uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void copyPoint(const GraphPoint& point, float out[3]) {
    out[0] = point.x;
    out[1] = point.y;
    out[2] = point.z;
}

// Each loading pass opens the file for itself and says so when it cannot.
bool openPass(std::ifstream& file, const char* fileName) {
    if (fileName != nullptr) {
        file.open(fileName);
    }
    if (!file.is_open()) {
        std::cout << "Error opening file\n";
        return false;
    }
    return true;
}

}  // namespace

// Per edge whose nodes exist: its ends, axis and run of segments; per segment, in edge order
// and then in k order: its start Q, its far end R, the unit direction W of lineDistance (zero
// when Q == R, which lineDistance measures as a point) and the stretch [low, high] of the axial
// measure within which the segment tests both pass. Each value is the one the tests and
// lineDistance compute from the same floats.
//
// The segments of an edge also come in blocks of up to blockSize, each with the stretch of the
// axial measure its segments cover and a sphere round their far ends. A point outside that
// stretch is measured by the far ends in the whole block, none nearer than the sphere.
struct BronchiGraph::SegmentTable {
    static constexpr std::size_t blockSize = 8;
    struct Edge {
        uint32_t from;
        uint32_t to;
        float u[3];
        std::size_t first;
        std::size_t count;
        std::size_t firstBlock;
    };
    struct Block {
        float low;
        float high;
        double centre[3];
        double radius;
    };
    std::vector<Edge> edges;
    std::vector<float> qx, qy, qz, rx, ry, rz, wx, wy, wz, low, high;
    std::vector<uint32_t> pointLike;  // all ones where Q == R, else zero
    std::vector<Block> blocks;
};

BronchiGraph::BronchiGraph(const char* fileName) {
    // If a pass throws, the members release what was loaded so far.
    loadEdges(fileName);
    loadNodes(fileName);
    tabulateSegments();
}

void BronchiGraph::tabulateSegments() {
    segments = std::make_unique<SegmentTable>();
    SegmentTable& table = *segments;
    for (const auto& edgeRecord : edges) {
        const BronchiEdge& e = *edgeRecord;
        float a[3], b[3];
        if (!endPositions(e, a, b)) {
            continue;
        }
        const EdgeAxis axis = edgeAxis(a, b);
        const std::size_t n = e.points.size();
        table.edges.push_back({e.from, e.to, {axis.u[0], axis.u[1], axis.u[2]}, table.qx.size(),
                               n + 1, table.blocks.size()});
        float q[3] = {a[0], a[1], a[2]};
        float sQ = axis.sA;
        for (std::size_t k = 0; k <= n; ++k) {
            float r[3];
            float sR;
            if (k < n) {
                copyPoint(*e.points[k], r);
                sR = along(axis, r);
            } else {
                std::copy(b, b + 3, r);
                sR = axis.sB;
            }
            const float d[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
            const float length = norm(d[0], d[1], d[2]);
            const bool point = length == 0.0f;
            table.qx.push_back(q[0]);
            table.qy.push_back(q[1]);
            table.qz.push_back(q[2]);
            table.rx.push_back(r[0]);
            table.ry.push_back(r[1]);
            table.rz.push_back(r[2]);
            table.wx.push_back(point ? 0.0f : d[0] / length);
            table.wy.push_back(point ? 0.0f : d[1] / length);
            table.wz.push_back(point ? 0.0f : d[2] / length);
            table.pointLike.push_back(point ? ~0u : 0u);
            table.low.push_back(axis.ascending ? sQ : sR);
            table.high.push_back(axis.ascending ? sR : sQ);
            std::copy(r, r + 3, q);
            sQ = sR;
        }
        const SegmentTable::Edge& added = table.edges.back();
        for (std::size_t start = 0; start < added.count; start += SegmentTable::blockSize) {
            const std::size_t first = added.first + start;
            const std::size_t last =
                added.first + std::min(added.count, start + SegmentTable::blockSize);
            SegmentTable::Block block{table.low[first], table.high[first], {}, 0.0};
            double lowest[3] = {table.rx[first], table.ry[first], table.rz[first]};
            double highest[3] = {lowest[0], lowest[1], lowest[2]};
            for (std::size_t i = first; i < last; ++i) {
                block.low = std::min(block.low, table.low[i]);
                block.high = std::max(block.high, table.high[i]);
                const double r[3] = {table.rx[i], table.ry[i], table.rz[i]};
                for (int k = 0; k < 3; ++k) {
                    lowest[k] = std::min(lowest[k], r[k]);
                    highest[k] = std::max(highest[k], r[k]);
                }
            }
            for (int k = 0; k < 3; ++k) {
                block.centre[k] = (lowest[k] + highest[k]) * 0.5;
            }
            for (std::size_t i = first; i < last; ++i) {
                const double d[3] = {table.rx[i] - block.centre[0], table.ry[i] - block.centre[1],
                                     table.rz[i] - block.centre[2]};
                block.radius =
                    std::max(block.radius, std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
            }
            // Rounding in the sums above must not leave a far end outside.
            block.radius = block.radius * (1.0 + 1e-9) + 1e-9;
            // A NaN in the stretch would hide the block's segments from the test below.
            if (std::isnan(block.low) || std::isnan(block.high) || !std::isfinite(block.radius)) {
                block.low = -std::numeric_limits<float>::infinity();
                block.high = std::numeric_limits<float>::infinity();
            }
            table.blocks.push_back(block);
        }
    }
}

// Members go in reverse order of declaration: the nodes first, then the edges with their points.
BronchiGraph::~BronchiGraph() = default;

uint32_t BronchiGraph::edgeCount() const {
    return static_cast<uint32_t>(edges.size());
}

const BronchiEdge* BronchiGraph::edge(uint32_t index) const {
    return index < edges.size() ? edges[index].get() : nullptr;
}

bool BronchiGraph::nodePosition(uint32_t node, float position[3]) const {
    if (node >= nodes.size()) {
        return false;
    }
    copyPoint(*nodes[node], position);
    return true;
}

bool BronchiGraph::successors(uint32_t node, std::vector<uint32_t>& result) const {
    for (const auto& edge : edges) {
        if (edge->from == node) {
            result.push_back(edge->to);
        }
    }
    return !result.empty();
}

bool BronchiGraph::startsWith(const char* line, const char* keyword) {
    return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

void BronchiGraph::axialMeasure(const float p[3], const float a[3], const float b[3], float& sP,
                                float& sA, float& sB) {
    const EdgeAxis axis = edgeAxis(a, b);
    sP = along(axis, p);
    sA = axis.sA;
    sB = axis.sB;
}

float BronchiGraph::lineDistance(const float p[3], const float q[3], const float r[3]) {
    const float d[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
    const float v[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    const float length = norm(d[0], d[1], d[2]);
    if (length == 0.0f) {
        return norm(v[0], v[1], v[2]);
    }
    const float w[3] = {d[0] / length, d[1] / length, d[2] / length};
    const float t = (v[0] * w[0] + v[1] * w[1]) + v[2] * w[2];
    return norm(v[0] - t * w[0], v[1] - t * w[1], v[2] - t * w[2]);
}

bool BronchiGraph::endPositions(const BronchiEdge& edge, float a[3], float b[3]) const {
    std::fill(a, a + 3, 0.0f);
    std::fill(b, b + 3, 0.0f);
    const bool haveFrom = nodePosition(edge.from, a);
    const bool haveTo = nodePosition(edge.to, b);
    return haveFrom && haveTo;
}

bool BronchiGraph::notBeforeStart(const float p[3], const BronchiEdge& edge) const {
    float a[3], b[3];
    endPositions(edge, a, b);
    const EdgeAxis axis = edgeAxis(a, b);
    return notBefore(axis, along(axis, p), axis.sA);
}

bool BronchiGraph::notBeforePoint(const float p[3], const GraphPoint& point,
                                  const BronchiEdge& edge) const {
    float a[3], b[3], q[3];
    endPositions(edge, a, b);
    copyPoint(point, q);
    const EdgeAxis axis = edgeAxis(a, b);
    return notBefore(axis, along(axis, p), along(axis, q));
}

bool BronchiGraph::notAfterPoint(const float p[3], const GraphPoint& point,
                                 const BronchiEdge& edge) const {
    float a[3], b[3], r[3];
    endPositions(edge, a, b);
    copyPoint(point, r);
    const EdgeAxis axis = edgeAxis(a, b);
    return notAfter(axis, along(axis, p), along(axis, r));
}

bool BronchiGraph::notAfterEnd(const float p[3], const BronchiEdge& edge) const {
    float a[3], b[3];
    endPositions(edge, a, b);
    const EdgeAxis axis = edgeAxis(a, b);
    return notAfter(axis, along(axis, p), axis.sB);
}

bool BronchiGraph::nearestSegment(float x, float y, float z, uint32_t& from, uint32_t& to,
                                  uint32_t& segment, float& distanceOut) const {
    const SegmentTable& table = *segments;
    bool found = false;
    float best = 0.0f;
    // The square that best is the root of. The root never falls as its argument grows, so a
    // square at or above bestSquare cannot give a distance below best, and only smaller squares
    // need their root taken and compared as the distances themselves.
    float bestSquare = 0.0f;
    constexpr std::size_t chunk = SegmentTable::blockSize;
    float square[chunk];
    for (const SegmentTable::Edge& edge : table.edges) {
        const float sP = norm(edge.u[0] * x, edge.u[1] * y, edge.u[2] * z);
        const std::size_t end = edge.first + edge.count;
        const SegmentTable::Block* block = &table.blocks[edge.firstBlock];
        for (std::size_t start = edge.first; start < end; start += chunk, ++block) {
            const std::size_t count = std::min(chunk, end - start);
            // A block measured by its far ends alone, none of them nearer than best: its
            // squares, however rounded, come to bestSquare or more.
            if (found && !(sP >= block->low && sP <= block->high)) {
                const double dx = x - block->centre[0];
                const double dy = y - block->centre[1];
                const double dz = z - block->centre[2];
                const double gap = std::sqrt(dx * dx + dy * dy + dz * dz) - block->radius;
                if (gap > 1e-9 && gap * gap * (1.0 - 1e-5) >= bestSquare) {
                    continue;
                }
            }
            // Free of branches, so that the compiler may do several segments at a time; each
            // still gets the same float operations in the same order.
            for (std::size_t j = 0; j < count; ++j) {
                const std::size_t i = start + j;
                const float vx = x - table.qx[i];
                const float vy = y - table.qy[i];
                const float vz = z - table.qz[i];
                const float t = (vx * table.wx[i] + vy * table.wy[i]) + vz * table.wz[i];
                const float ex = vx - t * table.wx[i];
                const float ey = vy - t * table.wy[i];
                const float ez = vz - t * table.wz[i];
                const float toLine = (ex * ex + ey * ey) + ez * ez;
                const float toStart = (vx * vx + vy * vy) + vz * vz;
                const float dx = x - table.rx[i];
                const float dy = y - table.ry[i];
                const float dz = z - table.rz[i];
                const float toEnd = (dx * dx + dy * dy) + dz * dz;
                const uint32_t within =
                    0u - static_cast<uint32_t>((sP >= table.low[i]) & (sP <= table.high[i]));
                const uint32_t measured = (bitsOf(toStart) & table.pointLike[i]) |
                                          (bitsOf(toLine) & ~table.pointLike[i]);
                square[j] = floatOf((measured & within) | (bitsOf(toEnd) & ~within));
            }
            for (std::size_t j = 0; j < count; ++j) {
                if (found && !(square[j] < bestSquare)) {
                    continue;
                }
                const float d = std::sqrt(square[j]);
                if (!found || d < best) {
                    best = d;
                    bestSquare = square[j];
                    found = true;
                    from = edge.from;
                    to = edge.to;
                    segment = static_cast<uint32_t>(start + j - edge.first);
                    distanceOut = d;
                }
            }
        }
    }
    return found;
}

void BronchiGraph::loadEdges(const char* fileName) {
    std::ifstream file;
    if (!openPass(file, fileName)) {
        return;
    }
    LineBuffer line;
    const VoxelSize voxel = findVoxelSize(file, line);
    findSection(file, line, "[Edges]");
    HeldPoint held;
    while (file.good()) {
        readLine(file, line);
        if (line[0] == '\0') {
            continue;
        }
        if (startsWith(line, "[Adjlist]")) {
            std::cout << "done\n";
            break;
        }
        // Ids that cannot be read count as 0, and 0 0 ends the section: so does a line of
        // blanks or any line that does not begin with a number.
        std::istringstream fields(line);
        uint32_t from = 0;
        uint32_t to = 0;
        readInto(fields, from);
        readInto(fields, to);
        if (from == 0 && to == 0) {
            break;
        }
        auto edge = std::make_unique<BronchiEdge>();
        edge->from = from;
        edge->to = to;
        std::cerr << from << " // " << to << '\n';
        // Tested before each group, so trailing blanks add one more group with the held values.
        while (fields.good()) {
            int32_t index = 0;
            readInto(fields, index);
            readCoordinates(fields, held);
            if (held.complete) {
                edge->points.push_back(scaledPoint(held, voxel));
            }
        }
        edges.push_back(std::move(edge));
    }
    orientEdges();
}

void BronchiGraph::loadNodes(const char* fileName) {
    std::ifstream file;
    if (!openPass(file, fileName)) {
        return;
    }
    LineBuffer line;
    const VoxelSize voxel = findVoxelSize(file, line);
    findSection(file, line, "[Artnodes]");
    HeldPoint held;
    while (file.good()) {
        readLine(file, line);
        if (line[0] == '\0') {
            continue;
        }
        if (startsWith(line, "[Edges]")) {
            std::cout << "done\n";
            break;
        }
        // Every non-empty line adds at least one node, a line of blanks or text a copy of the
        // last one read.
        std::istringstream fields(line);
        while (fields.good()) {
            int32_t i = 0;
            int32_t j = 0;
            readInto(fields, i);
            readInto(fields, j);
            readCoordinates(fields, held);
            if (held.complete) {
                nodes.push_back(scaledPoint(held, voxel));
            }
        }
    }
}

// One pass in edge order: an edge that no edge enters at its `from` node is turned round. Edge 0
// is never turned, and a turn does not send earlier edges round again.
void BronchiGraph::orientEdges() {
    if (edges.size() < 2) {
        return;
    }
    for (std::size_t i = 1; i < edges.size(); ++i) {
        BronchiEdge& edge = *edges[i];
        const bool entered = std::any_of(edges.begin(), edges.end(), [&edge](const auto& other) {
            return other->to == edge.from;
        });
        if (!entered) {
            std::swap(edge.from, edge.to);
            std::reverse(edge.points.begin(), edge.points.end());
        }
    }
}
