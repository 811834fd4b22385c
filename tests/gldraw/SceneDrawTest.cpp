// The ship's scene drawing: camera and headlight, missiles and hit test, and the display.
#include "bodies/Schiff.h"

#include "GlExpect.h"

// Out of line: GCC 12.2 at -O2 vectorises braced (double)(float) round trips and drops them.
[[gnu::noinline]] static double f32(double v) { return static_cast<float>(v); }
static Point pt(const Vektor3D& v) { return {v.x, v.y, v.z}; }

// Camera and headlight as tabled, each missile's own drawing in list order, then the display.
static void expectFrame(Schiff& s) {
    const Point p = pt(s.position), f = pt(s.forward), u = pt(s.up), side = cross(u, f);
    const Frame eye{p, side, u, f}, hud{eye.at({0, 0, 2}), side, u, f};
    const Point c = eye.at({0, 0, 1}), v = pt(s.velocity), a = hud.at({0.5, -0.5, 0});
    Calls e{gl("gluLookAt", {p[0], p[1], p[2], c[0], c[1], c[2], u[0], u[1], u[2]}),
            gl("glLightfv", {GL_LIGHT1, GL_POSITION, f32(p[0]), f32(p[1]), f32(p[2]), 1}),
            gl("glLightfv", {GL_LIGHT1, GL_SPOT_DIRECTION, f32(f[0]), f32(f[1]), f32(f[2])})};
    auto add = [&e](const Calls& calls) { e.insert(e.end(), calls.begin(), calls.end()); };
    glrecorder::start();
    for (Missile copy : s.missiles) copy.draw();
    add(glrecorder::calls());
    auto at = [&hud](double x, double y) { return vertex(hud.at({x, y, 0})); };
    auto colour = [](auto... rgba) { return gl("glColor4f", {double(rgba)...}); };
    // In an orthonormal frame a speed wedge rises |1 + v| - 1, v the speed along its axis.
    auto rise = [&v](auto n) { return std::fabs(1 + v[0] * n[0] + v[1] * n[1] + v[2] * n[2]) - 1; };
    const GlCall polygon = gl("glBegin", {GL_POLYGON}), end = gl("glEnd");
    add({gl("glDepthFunc", {GL_ALWAYS}), gl("glBegin", {GL_TRIANGLES}), normal(scaled(f, -1)),
         colour(10, 0, 0, 0.3f), at(-0.02, 0), at(0, 0), at(0, rise(f)), colour(0, 10, 0, 0.3f),
         at(0, -0.01), at(0, 0.01), at(rise(side), 0), colour(0, 0, 10, 0.3f), at(0.02, 0),
         at(0, 0), at(0, rise(u)), end});
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
    glrecorder::start();
    s.placeCamera();
    s.drawMissilesAndHud();
    expectCalls(glrecorder::calls(), e);
}

TEST(SceneDraw, CameraMissilesThenDisplayFollowTheShipAndAHitNeedsADistanceOfAtMostTwo) {
    // Tilted, backing at over 1 (a wedge folds); per case reload, missiles, hit flag before, after.
    const std::tuple<int, std::vector<Vektor3D>, bool, bool> cases[] = {{1000, {}, true, true},
        {0, {{5, 5, 7.0001}}, false, false}, {-5, {{7, 5, 5}, {5, 5, 7.0001}}, false, true}};
    for (const auto& [cooldown, positions, before, after] : cases) {
        Schiff s({10.1, -3.3, 25.7}, {0, 0.6, 0.8}, {0.6, -0.64, 0.48}, {0.3, -0.25, -3.4}, {});
        s.health = 4;
        s.timeLeft = 90000;
        s.fireCooldown = cooldown;
        s.target = Vektor3D(5, 5, 5);
        s.tumorHit = before;
        for (auto& m : positions) s.missiles.push_back(Missile(m, s.up, s.forward, {}, {}));
        expectFrame(s);
        EXPECT_EQ(s.tumorHit, after);
        EXPECT_EQ(s.missiles.size(), positions.size()) << "a hit removes nothing";
    }
}
