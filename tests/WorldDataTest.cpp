// The committed world data: the game's wall test tells its centre-lines from beyond its walls.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RealGraph.h"
#include "world/World.h"

static Vektor3D node(uint32_t id) {
    float p[3];
    realGraph().nodePosition(id, p);
    return Vektor3D(p[0], p[1], p[2]);
}

static bool nearAClosedEnd(const Vektor3D& c) {
    return (c - node(0)) <= 8 || (c - node(2)) <= 8 || (c - node(3)) <= 8;
}

// In a child process started in a folder that holds Bronchi.gra, as the game is. The caps of the
// airway's closed ends are judged less closely.
TEST(WorldData, WithTheMapOfItsFolderTheGameHasCentreLinesInsideAndPointsBeyondTheWallsNot) {
    std::filesystem::current_path(ONCORAIDER_SOURCE_DIR "/data");
    loadBronchiGraphQuietly();
    EXPECT_TRUE(insideAirway(node(1)));  // where the ship starts
    for (uint32_t e = 0; e < realGraph().edgeCount(); ++e)
        for (const auto& p : realGraph().edge(e)->points) {
            const Vektor3D c(p->x, p->y, p->z);
            if (!nearAClosedEnd(c)) {
                EXPECT_TRUE(insideAirway(c)) << c.x << " " << c.y << " " << c.z;
            }
        }
    for (const WallTriangle& t : BronchiMesh)
        for (const WallVertex& v : t.vertex)
            ASSERT_FALSE(insideAirway(Vektor3D(v.x, v.y, v.z) + Vektor3D(v.nx, v.ny, v.nz) * 3.0))
                << v.x << " " << v.y << " " << v.z;
}
