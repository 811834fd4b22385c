// The ship's scene drawing: camera and headlight, the missile hit test, and the heads-up
// display (wedges, gauges, arrow, reload bar, crosshair) between the two depth functions.
#include "bodies/Schiff.h"

#include <GL/glut.h>

#include "GlExpect.h"

namespace {

Point point(const Vektor3D& v) { return {v.x, v.y, v.z}; }

double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Schiff shipAt(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward) {
    return Schiff(position, up, forward, Vektor3D(), Vektor3D());
}

Schiff tiltedShip() {
    const double r = 1.0 / std::sqrt(2.0);
    return shipAt(Vektor3D(10, -3, 25), Vektor3D(0, r, r), Vektor3D(0.6, -0.8 * r, 0.8 * r));
}

// The display from its tables, for an orthonormal frame. Display point (a, b) is
// hudOrigin + side*a + up*b, with hudOrigin 2.0 ahead of the eye and side = up x forward.
Expected expectedHud(const Schiff& ship) {
    const Point p = point(ship.position);
    const Point u = point(ship.up);
    const Point f = point(ship.forward);
    const Point s = cross(u, f);
    const Frame hud{{p[0] + 2 * f[0], p[1] + 2 * f[1], p[2] + 2 * f[2]}, s, u, f};
    auto at = [&hud](double a, double b) { return hud.at(a, b, 0); };

    Expected e;
    e.call("glDepthFunc", {GL_ALWAYS});

    // Each wedge height is |1 + v| - 1 for the velocity component v along its axis.
    const Point v = point(ship.velocity);
    const double hF = std::fabs(1 + dot(v, f)) - 1;
    const double hS = std::fabs(1 + dot(v, s)) - 1;
    const double hU = std::fabs(1 + dot(v, u)) - 1;
    e.begin(GL_TRIANGLES).normal({-f[0], -f[1], -f[2]});
    e.color4f(10, 0, 0, 0.3).vertex(at(-0.02, 0)).vertex(at(0, 0)).vertex(at(0, hF));
    e.color4f(0, 10, 0, 0.3).vertex(at(0, -0.01)).vertex(at(0, 0.01)).vertex(at(hS, 0));
    e.color4f(0, 0, 10, 0.3).vertex(at(0.02, 0)).vertex(at(0, 0)).vertex(at(0, hU));
    e.end();

    const double h = ship.health / 20.0;
    e.color4f(10.0f - ship.health, ship.health, 0, 0.3).begin(GL_POLYGON);
    e.vertex(at(-0.8, 0)).vertex(at(-0.78, 0)).vertex(at(-0.78, h)).vertex(at(-0.8, h)).end();
    e.color4f(10, 10, 10, 0.2).begin(GL_POLYGON);
    e.vertex(at(-0.8, 0.5)).vertex(at(-0.78, 0.5)).vertex(at(-0.78, h)).vertex(at(-0.8, h)).end();

    const double k = ship.timeLeft / 180000.0;
    const double t = ship.timeLeft / 360000.0;
    e.color4f(10 * (1 - k), 0, 10 * k, 0.3);
    e.begin(GL_POLYGON);
    e.vertex(at(0.8, 0)).vertex(at(0.78, 0)).vertex(at(0.78, t)).vertex(at(0.8, t)).end();
    e.color4f(10, 10, 10, 0.2).begin(GL_POLYGON);
    e.vertex(at(0.8, 0.5)).vertex(at(0.78, 0.5)).vertex(at(0.78, t)).vertex(at(0.8, t)).end();

    const Point anchor = hud.at(0.5, -0.5, 0);
    const Point toTarget{ship.target.x - anchor[0], ship.target.y - anchor[1],
                         ship.target.z - anchor[2]};
    const Expected arrow = expectedArrow(anchor, toTarget);
    e.calls.insert(e.calls.end(), arrow.calls.begin(), arrow.calls.end());

    if (ship.fireCooldown > 0) {
        const double w = ship.fireCooldown / 2000.0;
        e.color4f(10, 10, 0, 0.3).begin(GL_POLYGON);
        e.vertex(at(w, -0.78)).vertex(at(w, -0.8)).vertex(at(-w, -0.8)).vertex(at(-w, -0.78));
        e.end();
    }

    const double crosshair[4][3][2] = {
        {{-0.01, 0.01}, {-0.01, 0.05}, {-0.05, 0.01}},
        {{0.01, 0.01}, {0.01, 0.05}, {0.05, 0.01}},
        {{0.01, -0.01}, {0.05, -0.01}, {0.01, -0.05}},
        {{-0.01, -0.01}, {-0.05, -0.01}, {-0.01, -0.05}},
    };
    e.begin(GL_TRIANGLES);
    for (const auto& c : crosshair) {
        e.color4d(0, 0, 0, 0.3).vertex(at(c[0][0], c[0][1]));
        e.color4d(10, 10, 10, 0.3).vertex(at(c[1][0], c[1][1]));
        e.color4d(10, 10, 10, 0.3).vertex(at(c[2][0], c[2][1]));
    }
    e.end();
    e.call("glDepthFunc", {GL_LESS});
    return e;
}

// The display part of the log: from the first depth-function change to the end.
std::vector<GlCall> hudPart(const std::vector<GlCall>& calls) {
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].name == "glDepthFunc") {
            return std::vector<GlCall>(calls.begin() + static_cast<std::ptrdiff_t>(i), calls.end());
        }
    }
    return {};
}

Missile missileAt(const Vektor3D& position) {
    return Missile(position, Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(), Vektor3D());
}

}  // namespace

TEST(SceneDraw, CameraLooksAlongForwardWithTheHeadlightAtTheEye) {
    Schiff origin = shipAt(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1));
    glrecorder::start();
    origin.placeCamera();
    Expected e;
    e.call("gluLookAt", {0, 0, 0, 0, 0, 1, 0, 1, 0});
    e.call("glLightfv", {GL_LIGHT1, GL_POSITION, 0, 0, 0, 1});
    e.call("glLightfv", {GL_LIGHT1, GL_SPOT_DIRECTION, 0, 0, 1});
    expectCalls(glrecorder::calls(), e.calls);
    EXPECT_EQ(origin.hudOrigin.z, 2.0);
    EXPECT_EQ(origin.side.x, 1.0);  // the left of the screen

    Schiff ship = tiltedShip();
    ship.position = Vektor3D(10.1, -3.3, 25.7);
    glrecorder::start();
    ship.placeCamera();
    const Point p = point(ship.position);
    const Point u = point(ship.up);
    const Point f = point(ship.forward);
    Expected t;
    t.call("gluLookAt", {p[0], p[1], p[2], p[0] + f[0], p[1] + f[1], p[2] + f[2], u[0], u[1], u[2]});
    // The light takes single precision.
    t.call("glLightfv", {GL_LIGHT1, GL_POSITION, single(p[0]),
                         single(p[1]), single(p[2]), 1});
    t.call("glLightfv", {GL_LIGHT1, GL_SPOT_DIRECTION, single(f[0]),
                         single(f[1]), single(f[2])});
    expectCalls(glrecorder::calls(), t.calls);
    const Point s = cross(u, f);
    EXPECT_DOUBLE_EQ(ship.hudOrigin.x, p[0] + 2 * f[0]);
    EXPECT_DOUBLE_EQ(ship.hudOrigin.y, p[1] + 2 * f[1]);
    EXPECT_DOUBLE_EQ(ship.hudOrigin.z, p[2] + 2 * f[2]);
    EXPECT_DOUBLE_EQ(ship.side.x, s[0]);
    EXPECT_DOUBLE_EQ(ship.side.y, s[1]);
    EXPECT_DOUBLE_EQ(ship.side.z, s[2]);
}

TEST(SceneDraw, FreshShipAtTheOriginDrawsOnlyTheDisplay) {
    Schiff ship = shipAt(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1));
    ship.target = Vektor3D(3, -1, 20);
    ship.placeCamera();
    glrecorder::start();
    ship.drawMissilesAndHud();
    const std::vector<GlCall>& calls = glrecorder::calls();
    expectCalls(calls, expectedHud(ship).calls);
    EXPECT_FALSE(ship.tumorHit);

    // The worked points: display (-0.8, 0.5) is world (-0.8, 0.5, 2); the arrow stands at
    // (0.5, -0.5, 2); full health and time draw 0.5-high bars in green and blue.
    const std::vector<GlCall> vertices = callsNamed(calls, "glVertex3d");
    expectCalls({vertices[13]}, Expected().vertex({-0.8, 0.5, 2}).calls);
    const Expected arrow = expectedArrow({0.5, -0.5, 2}, {2.5, -0.5, 18});
    const std::vector<GlCall> arrowCalls(calls.begin() + 44, calls.begin() + 53);
    expectCalls(arrowCalls, arrow.calls);
    const std::vector<GlCall> colours = callsNamed(calls, "glColor4f");
    expectCalls({colours[3], colours[5]},
                Expected().color4f(0, 10, 0, 0.3).color4f(0, 0, 10, 0.3).calls);
    expectCalls({vertices[11], vertices[19]},
                Expected().vertex({-0.78, 0.5, 2}).vertex({0.78, 0.5, 2}).calls);

    // Without a hit the flag keeps whatever value it had.
    ship.tumorHit = true;
    ship.drawMissilesAndHud();
    EXPECT_TRUE(ship.tumorHit);
}

TEST(SceneDraw, DisplayFollowsSpeedHealthTimeAndCooldown) {
    Schiff ship = tiltedShip();
    ship.velocity = Vektor3D(0.3, -0.25, 0.4);
    ship.health = 4.0f;
    ship.timeLeft = 90000;
    ship.fireCooldown = 1000;
    ship.target = Vektor3D(-20, 5, 40);
    ship.placeCamera();
    glrecorder::start();
    ship.drawMissilesAndHud();
    expectCalls(glrecorder::calls(), expectedHud(ship).calls);
    const std::vector<GlCall> colours = callsNamed(glrecorder::calls(), "glColor4f");
    expectCalls({colours[3], colours[5], colours[7]},
                Expected().color4f(6, 4, 0, 0.3).color4f(5, 0, 5, 0.3).color4f(10, 10, 0, 0.3)
                    .calls);

    // Backwards at 3 per 40 ms: |1 - 3| - 1 = 1, so the red wedge is 1 high.
    Schiff reversing = shipAt(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1));
    reversing.velocity = Vektor3D(0, 0, -3);
    reversing.fireCooldown = -5;  // no reload bar at or below 0
    reversing.placeCamera();
    glrecorder::start();
    reversing.drawMissilesAndHud();
    expectCalls(glrecorder::calls(), expectedHud(reversing).calls);
    expectCalls({callsNamed(glrecorder::calls(), "glVertex3d")[2]},
                Expected().vertex({0, 1, 2}).calls);
}

TEST(SceneDraw, MissilesAreDrawnFirstAndAHitNeedsADistanceOfAtMostTwo) {
    Schiff ship = tiltedShip();
    ship.target = Vektor3D(5, 5, 5);
    ship.missiles.push_back(missileAt(Vektor3D(5, 5, 7.0001)));
    ship.missiles.push_back(missileAt(Vektor3D(5, 30, 5)));
    ship.placeCamera();
    glrecorder::start();
    ship.drawMissilesAndHud();
    EXPECT_FALSE(ship.tumorHit);  // 2.0001 is out of reach
    const std::vector<GlCall>& calls = glrecorder::calls();
    const std::vector<GlCall> hud = hudPart(calls);
    expectCalls(hud, expectedHud(ship).calls);
    // Both missiles, each with its trail of 100 spheres of 40 triangles in one batch, come
    // before the display.
    const std::vector<GlCall> missiles(calls.begin(),
                                       calls.end() - static_cast<std::ptrdiff_t>(hud.size()));
    EXPECT_EQ(callsNamed(missiles, "glDrawRangeElements").size(), 2u);
    EXPECT_EQ(callsNamed(missiles, glrecorder::element).size(), 2u * 100u * 40u * 3u);

    // Exactly 2.0 counts, wherever the missile stands in the list.
    ship.missiles.insert(ship.missiles.begin() + 1, missileAt(Vektor3D(7, 5, 5)));
    glrecorder::start();
    ship.drawMissilesAndHud();
    EXPECT_TRUE(ship.tumorHit);
    EXPECT_EQ(ship.missiles.size(), 3u);  // a hit removes nothing
}
