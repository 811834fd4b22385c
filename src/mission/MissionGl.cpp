// The mission window's GL state, its wall display list and the drawing of a frame.
#include "mission/MissionGl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

#include "mission/MissionState.h"
#include "world/BronchiMesh.h"

namespace {

// Every vertex's red is drawn anew from rand(); seeded alike, the walls look alike every mission.
void compileWalls()
{
    wallList = glGenLists(1);
    glNewList(wallList, GL_COMPILE);
    glColor4d(0.8, 0.4, 0.4, 1.0);
    for (const WallTriangle& triangle : BronchiMesh) {
        for (const WallVertex& v : triangle.vertex) {
            glColor3d(0.7 + 0.01 * (std::rand() % 10), 0.0, 0.0);
            // The stored normals point into the tissue; the lit side must face the lumen.
            glNormal3d(-static_cast<double>(v.nx), -static_cast<double>(v.ny),
                       -static_cast<double>(v.nz));
            glVertex3d(v.x, v.y, v.z);
        }
    }
    glEndList();
}

void setFixedState()
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // The headlight; placeCamera puts it at the eye every frame.
    glLightf(GL_LIGHT1, GL_SPOT_EXPONENT, 80.0f);
    glLightf(GL_LIGHT1, GL_SPOT_CUTOFF, 25.0f);
    glEnable(GL_LIGHT1);
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT1, GL_DIFFUSE, white);

    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_EXP2);
    const GLfloat fogColour[4] = {0.5f, 0.5f, 0.6f, 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
}

}  // namespace

void onReshape(int width, int height)
{
    glViewport(0, 0, width, height);
}

void setUpMissionGl()
{
    // Aspect 1.0 whatever the window's shape.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);

    std::srand(wallTriangleCount);
    compileWalls();
    setFixedState();
}

void drawWalls()
{
    // Every wall vertex has alpha 1, so blending would only write back what it is given; not
    // reading the frame buffer back is cheaper.
    glDisable(GL_BLEND);
    // The list holds no begin/end of its own: each wall triangle is one of these triangles.
    glBegin(GL_TRIANGLES);
    glCallList(wallList);
    glEnd();
    glEnable(GL_BLEND);
}

void beginFrame(float fogDensity)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glFogf(GL_FOG_DENSITY, fogDensity);
}

void drawScene(bool shipAlive, bool drawFading)
{
    ship.placeCamera();
    drawWalls();
    targetTumor.draw();
    if (drawFading)
        fadingTumor.draw();
    if (shipAlive)
        ship.drawMissilesAndHud();
}
