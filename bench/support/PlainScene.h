// The scene drawn the plain way, call for call as the game drew it before its faster drawing:
// the wall list inside glBegin/glEnd with blending on, every trail sphere a glutSolidSphere.
// The frame benchmark holds the game's faster drawing against it.
#pragma once

#include <GL/freeglut.h>

#include <array>

#include "bodies/Missile.h"
#include "mission/MissionState.h"

namespace plain {

inline void drawTrail(std::array<float, Missile::trailLength>& alpha,
                      const std::array<Vektor3D, Missile::trailLength>& points)
{
    for (int i = 0; i < Missile::trailLength; ++i) {
        glColor4d(10.0, 10.0, 10.0, alpha[i]);
        alpha[i] = static_cast<float>(static_cast<double>(alpha[i]) - 0.01);
        glPushMatrix();
        glTranslated(points[i].x, points[i].y, points[i].z);
        glutSolidSphere(0.02, 5, 5);
        glPopMatrix();
    }
}

// Missiles draw their trails the plain way while one of these lives.
class Trails {
public:
    Trails() : saved(Missile::trailDrawer) { Missile::trailDrawer = drawTrail; }
    ~Trails() { Missile::trailDrawer = saved; }
    Trails(const Trails&) = delete;
    Trails& operator=(const Trails&) = delete;

private:
    Missile::TrailDrawer saved;
};

inline void drawWalls()
{
    glBegin(GL_TRIANGLES);
    glCallList(wallList);
    glEnd();
}

// What the frame tick's drawing does, after its frame start: camera, walls, tumors, and while
// the ship is alive its missiles with the hit test and the heads-up display.
inline void drawScene(bool shipAlive, bool drawFading)
{
    Trails plainTrails;
    ship.placeCamera();
    drawWalls();
    targetTumor.draw();
    if (drawFading)
        fadingTumor.draw();
    if (shipAlive)
        ship.drawMissilesAndHud();
}

}  // namespace plain
