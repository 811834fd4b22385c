// The ship's scene drawing: camera and headlight, missiles and hit test, and the display.
#include "bodies/Schiff.h"

#include "GlExpect.h"

namespace {

// Out of line: GCC 12.2 at -O2 vectorises braced (double)(float) round trips and drops them.
[[gnu::noinline]] double single(double v) { return static_cast<float>(v); }

Point pt(const Vektor3D& v) { return {v.x, v.y, v.z}; }
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
// The test's colours are whole numbers and float alphas, which glColor4f takes exactly.
GlCall colour(double r, double g, double b, double a) { return gl("glColor4f", {r, g, b, a}); }

// Places the camera and draws missiles and display: the camera and headlight as tabled, each
// missile's own drawing in list order, then the display over the scene.
void expectFrame(Schiff& s) {
    const Point p = pt(s.position), f = pt(s.forward), u = pt(s.up), side = cross(u, f);
    const Frame eye{p, side, u, f}, hud{eye.at({0, 0, 2}), side, u, f};
    const Point c = eye.at({0, 0, 1}), v = pt(s.velocity);
    Calls e{gl("gluLookAt", {p[0], p[1], p[2], c[0], c[1], c[2], u[0], u[1], u[2]}),
            gl("glLightfv", {GL_LIGHT1, GL_POSITION, single(p[0]), single(p[1]), single(p[2]), 1}),
            gl("glLightfv", {GL_LIGHT1, GL_SPOT_DIRECTION, single(f[0]), single(f[1]),
                             single(f[2])})};
    auto add = [&e](const Calls& calls) { e.insert(e.end(), calls.begin(), calls.end()); };
    glrecorder::start();
    for (Missile copy : s.missiles) copy.draw();
    add(glrecorder::calls());

    auto at = [&hud](double a, double b) { return vertex(hud.at({a, b, 0})); };
    // For an orthonormal frame each speed wedge is |1 + v| - 1 high, v the speed along its axis.
    auto wedge = [&v](const Point& axis) { return std::fabs(1 + dot(v, axis)) - 1; };
    const GlCall polygon = gl("glBegin", {GL_POLYGON}), end = gl("glEnd");
    const GlCall pale = colour(10, 10, 10, 0.2f);
    add({gl("glDepthFunc", {GL_ALWAYS}), gl("glBegin", {GL_TRIANGLES}), normal(scaled(f, -1)),
         colour(10, 0, 0, 0.3f), at(-0.02, 0), at(0, 0), at(0, wedge(f)), colour(0, 10, 0, 0.3f),
         at(0, -0.01), at(0, 0.01), at(wedge(side), 0), colour(0, 0, 10, 0.3f), at(0.02, 0),
         at(0, 0), at(0, wedge(u)), end});
    const double h = s.health, k = s.timeLeft / 180000.0;
    for (const auto& [x, in, top, tone] :
         {std::tuple{-0.8, -0.78, h / 20, colour(10 - h, h, 0, 0.3f)},
          std::tuple{0.8, 0.78, s.timeLeft / 360000.0, colour(10 * (1 - k), 0, 10 * k, 0.3f)}}) {
        add({tone, polygon, at(x, 0), at(in, 0), at(in, top), at(x, top), end,
             pale, polygon, at(x, 0.5), at(in, 0.5), at(in, top), at(x, top), end});
    }
    const Point a = hud.at({0.5, -0.5, 0});
    add(expectedArrow(a, {s.target.x - a[0], s.target.y - a[1], s.target.z - a[2]}));
    if (const double w = s.fireCooldown / 2000.0; w > 0) {
        add({colour(10, 10, 0, 0.3f), polygon, at(w, -0.78), at(w, -0.8), at(-w, -0.8),
             at(-w, -0.78), end});
    }
    add({gl("glBegin", {GL_TRIANGLES})});
    const double crosshair[4][6] = {
        {-0.01, 0.01, -0.01, 0.05, -0.05, 0.01}, {0.01, 0.01, 0.01, 0.05, 0.05, 0.01},
        {0.01, -0.01, 0.05, -0.01, 0.01, -0.05}, {-0.01, -0.01, -0.05, -0.01, -0.01, -0.05}};
    const GlCall dark = gl("glColor4d", {0, 0, 0, 0.3}), lit = gl("glColor4d", {10, 10, 10, 0.3});
    for (const auto& t : crosshair) {
        add({dark, at(t[0], t[1]), lit, at(t[2], t[3]), lit, at(t[4], t[5])});
    }
    add({end, gl("glDepthFunc", {GL_LESS})});
    glrecorder::start();
    s.placeCamera();
    s.drawMissilesAndHud();
    expectCalls(glrecorder::calls(), e);
}

}  // namespace

TEST(SceneDraw, CameraHeadlightAndDisplayFollowTheShipsFrameAndState) {
    // Tilted, moving with a forward speed below -1 (the wedge then folds over), at health 4 (a
    // bar 0.2 high in (6, 4, 0)), with half the time (0.25 in (5, 0, 5)), reloading (0.5 wide).
    const double r = 1.0 / std::sqrt(2.0);
    Schiff ship({10.1, -3.3, 25.7}, {0, r, r}, {0.6, -0.8 * r, 0.8 * r}, {0.3, -0.25, -3.4}, {});
    ship.health = 4;
    ship.timeLeft = 90000;
    ship.fireCooldown = 1000;
    ship.target = Vektor3D(-20, 5, 40);
    expectFrame(ship);
}

TEST(SceneDraw, MissilesComeFirstAndAHitNeedsADistanceOfAtMostTwo) {
    // A fresh ship at the origin, missiles round the target, the hit flag before and after. None
    // leaves the flag as it was; 2.0001 is out of reach; exactly 2.0 counts anywhere in the list.
    const std::tuple<std::vector<Vektor3D>, bool, bool> cases[] = {
        {{}, true, true}, {{{5, 5, 7.0001}, {5, 30, 5}}, false, false},
        {{{5, 5, 7.0001}, {7, 5, 5}, {5, 30, 5}}, false, true}};
    for (const auto& [positions, before, after] : cases) {
        Schiff ship({}, {0, 1, 0}, {0, 0, 1}, {}, {});
        ship.target = Vektor3D(5, 5, 5);
        ship.tumorHit = before;
        for (const Vektor3D& p : positions) {
            ship.missiles.emplace_back(p, ship.up, ship.forward, Vektor3D(), Vektor3D());
        }
        expectFrame(ship);
        EXPECT_EQ(ship.tumorHit, after);
        EXPECT_EQ(ship.missiles.size(), positions.size()) << "a hit removes nothing";
    }
}
