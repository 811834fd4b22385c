// The mission window's drawing: its fixed state and wall list, and a frame's start and scene:
// camera and headlight, walls, tumors, and while the ship is alive its missiles with the hit
// test and the display.
#include "mission/MissionGl.h"

#include <cstdlib>

#include "GlExpect.h"
#include "mission/MissionState.h"
#include "world/BronchiMesh.h"

TEST(SceneDraw, SetUpGivesTheProjectionTheShadedWallListFacingTheLumenThenTheFixedState) {
    Calls e{gl("glMatrixMode", {GL_PROJECTION}), gl("glLoadIdentity"),
            gl("gluPerspective", {45, 1, 1, 1000}), gl("glMatrixMode", {GL_MODELVIEW}),
            gl("glGenLists", {1}), gl("glNewList", {glrecorder::list, GL_COMPILE}),
            gl("glColor4d", {0.8, 0.4, 0.4, 1})};
    std::srand(21822);
    for (const WallTriangle& triangle : BronchiMesh)
        for (const WallVertex& v : triangle.vertex)
            e.insert(e.end(), {gl("glColor3d", {0.7 + 0.01 * (std::rand() % 10), 0, 0}),
                               normal({-v.nx, -v.ny, -v.nz}), vertex({v.x, v.y, v.z})});
    const auto enable = [](GLenum cap) { return gl("glEnable", {double(cap)}); };
    e.insert(e.end(), {gl("glEndList"), enable(GL_DEPTH_TEST), enable(GL_COLOR_MATERIAL),
                       enable(GL_LIGHTING), enable(GL_NORMALIZE), enable(GL_BLEND),
                       gl("glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}),
                       gl("glLightf", {GL_LIGHT1, GL_SPOT_EXPONENT, 80}),
                       gl("glLightf", {GL_LIGHT1, GL_SPOT_CUTOFF, 25}), enable(GL_LIGHT1),
                       gl("glLightfv", {GL_LIGHT1, GL_DIFFUSE, 1, 1, 1, 0}), enable(GL_FOG),
                       gl("glFogi", {GL_FOG_MODE, GL_EXP2}),
                       gl("glFogfv", {GL_FOG_COLOR, 0.5, 0.5, double(0.6f), 1})});
    glrecorder::start();
    setUpMissionGl();
    expectCalls(glrecorder::calls(), e);
    EXPECT_EQ(wallList, glrecorder::list);
}

// Out of line: GCC 12.2 at -O2 vectorises braced (double)(float) round trips and drops them.
[[gnu::noinline]] static double f32(double v) { return static_cast<float>(v); }
static Point pt(const Vektor3D& v) { return {v.x, v.y, v.z}; }

// A white sphere of twice the size, the size its alpha.
static Calls tumor(const Point& p, double size) {
    return {gl("glPushMatrix"), gl("glTranslated", {p[0], p[1], p[2]}),
            gl("glColor4d", {1, 1, 1, size}), gl("glutSolidSphere", {2 * size, 10, 10}),
            gl("glPopMatrix")};
}

// The display as tabled, on the plane 2 ahead of the eye.
static Calls display(const Schiff& s) {
    const Point f = pt(s.forward), u = pt(s.up), side = cross(u, f), v = pt(s.velocity);
    const Frame hud{Frame{pt(s.position), side, u, f}.at({0, 0, 2}), side, u, f};
    const Point a = hud.at({0.5, -0.5, 0});
    auto at = [&hud](double x, double y) { return vertex(hud.at({x, y, 0})); };
    auto colour = [](auto... rgba) { return gl("glColor4f", {double(rgba)...}); };
    // In an orthonormal frame a speed wedge rises |1 + v| - 1, v the speed along its axis.
    auto rise = [&v](auto n) { return std::fabs(1 + v[0] * n[0] + v[1] * n[1] + v[2] * n[2]) - 1; };
    const GlCall polygon = gl("glBegin", {GL_POLYGON}), end = gl("glEnd");
    Calls e{gl("glDepthFunc", {GL_ALWAYS}), gl("glBegin", {GL_TRIANGLES}), normal(scaled(f, -1)),
            colour(10, 0, 0, 0.3f), at(-0.02, 0), at(0, 0), at(0, rise(f)), colour(0, 10, 0, 0.3f),
            at(0, -0.01), at(0, 0.01), at(rise(side), 0), colour(0, 0, 10, 0.3f), at(0.02, 0),
            at(0, 0), at(0, rise(u)), end};
    auto add = [&e](const Calls& calls) { e.insert(e.end(), calls.begin(), calls.end()); };
    // Health 4: a bar 0.2 high in (6, 4, 0); half the time: 0.25 high in (5, 0, 5); pale to 0.5.
    for (const auto& [x, i, t, tone] : {std::tuple{-0.8, -0.78, 0.2, colour(6, 4, 0, 0.3f)},
                                        std::tuple{0.8, 0.78, 0.25, colour(5, 0, 5, 0.3f)}})
        add({tone, polygon, at(x, 0), at(i, 0), at(i, t), at(x, t), end, colour(10, 10, 10, 0.2f),
             polygon, at(x, 0.5), at(i, 0.5), at(i, t), at(x, t), end});
    add(expectedArrow(a, {s.target.x - a[0], s.target.y - a[1], s.target.z - a[2]}));
    if (const double w = s.fireCooldown / 2000.0; w > 0)
        add({colour(10, 10, 0, 0.3f), polygon, at(w, -0.78), at(w, -0.8), at(-w, -0.8),
             at(-w, -0.78), end});
    const double crosshair[4][6] = {
        {-0.01, 0.01, -0.01, 0.05, -0.05, 0.01}, {0.01, 0.01, 0.01, 0.05, 0.05, 0.01},
        {0.01, -0.01, 0.05, -0.01, 0.01, -0.05}, {-0.01, -0.01, -0.05, -0.01, -0.01, -0.05}};
    const GlCall dark = gl("glColor4d", {0, 0, 0, 0.3}), lit = gl("glColor4d", {10, 10, 10, 0.3});
    add({gl("glBegin", {GL_TRIANGLES})});
    for (auto& t : crosshair) add({dark, at(t[0], t[1]), lit, at(t[2], t[3]), lit, at(t[4], t[5])});
    add({end, gl("glDepthFunc", {GL_LESS})});
    return e;
}

// Camera and headlight, the walls unblended, the tumors; while alive each missile's own drawing
// in list order, then the display.
static void expectFrame(bool alive, bool fading) {
    const Point p = pt(ship.position), f = pt(ship.forward), u = pt(ship.up);
    const Point c{p[0] + f[0], p[1] + f[1], p[2] + f[2]};
    Calls e{gl("gluLookAt", {p[0], p[1], p[2], c[0], c[1], c[2], u[0], u[1], u[2]}),
            gl("glLightfv", {GL_LIGHT1, GL_POSITION, f32(p[0]), f32(p[1]), f32(p[2]), 1}),
            gl("glLightfv", {GL_LIGHT1, GL_SPOT_DIRECTION, f32(f[0]), f32(f[1]), f32(f[2])}),
            gl("glDisable", {GL_BLEND}), gl("glBegin", {GL_TRIANGLES}),
            gl("glCallList", {glrecorder::list}), gl("glEnd"), gl("glEnable", {GL_BLEND})};
    auto add = [&e](const Calls& calls) { e.insert(e.end(), calls.begin(), calls.end()); };
    add(tumor({1, 2, 3}, 1));
    if (fading) add(tumor({4, 5, 6}, 0.25));
    if (alive) {
        glrecorder::start();
        for (Missile copy : ship.missiles) copy.draw();
        add(glrecorder::calls());
        add(display(ship));
    }
    glrecorder::start();
    drawScene(alive, fading);
    expectCalls(glrecorder::calls(), e);
}

TEST(SceneDraw, FrameFollowsTheShipAndWhileAliveAHitNeedsADistanceOfAtMostTwo) {
    wallList = glrecorder::list;
    targetTumor = Tumor({1, 2, 3});
    fadingTumor = Tumor({4, 5, 6});
    fadingTumor.size = 0.25f;
    // Tilted, backing at over 1 (a wedge folds). Per case: alive, fading tumor, reload, missiles,
    // hit flag before, after.
    const std::tuple<bool, bool, int, std::vector<Vektor3D>, bool, bool> cases[] = {
        {true, false, 1000, {}, true, true}, {true, true, 0, {{5, 5, 7.0001}}, false, false},
        {true, false, -5, {{7, 5, 5}, {5, 5, 7.0001}}, false, true},
        {false, true, -5, {{7, 5, 5}}, false, false}};
    Schiff& s = ship;  // the one drawScene draws
    for (const auto& [alive, fading, cooldown, positions, before, after] : cases) {
        s = Schiff({10.1, -3.3, 25.7}, {0, 0.6, 0.8}, {0.6, -0.64, 0.48}, {0.3, -0.25, -3.4}, {});
        s.health = 4;
        s.timeLeft = 90000;
        s.fireCooldown = cooldown;
        s.target = Vektor3D(5, 5, 5);
        s.tumorHit = before;
        for (auto& m : positions) s.missiles.push_back(Missile(m, s.up, s.forward, {}, {}));
        expectFrame(alive, fading);
        EXPECT_EQ(s.tumorHit, after);
        EXPECT_EQ(s.missiles.size(), positions.size()) << "a hit removes nothing";
    }
}
