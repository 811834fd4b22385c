// The trail's sphere against freeglut's, triangle for triangle through GL's feedback mode, in a
// window under our own Xvfb. The game's drawing calls are checked in tests/gldraw.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "bodies/TrailSpheres.h"
#include "support/XTools.h"

namespace {

using Triangles = std::vector<std::vector<float>>;

// The triangles GL's feedback mode reports for draw(), as (x, y, z, r, g, b, a) per corner,
// less those that repeat a corner: the strips' turns at the poles.
Triangles feedbackTriangles(void (*draw)())
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const auto end = buffer.begin() + glRenderMode(GL_RENDER);
    Triangles triangles;
    for (auto at = buffer.begin(); at < end;) {
        if (at[0] != GL_POLYGON_TOKEN)
            return {};
        const std::vector<float> t(at + 2, at + 2 + 7 * static_cast<int>(at[1]));
        at += 2 + static_cast<std::ptrdiff_t>(t.size());
        const auto same = [&t](int i, int j) { return std::equal(&t[i], &t[i + 3], &t[j]); };
        if (t.size() == 21 && !same(0, 7) && !same(7, 14) && !same(0, 14))
            triangles.push_back(t);
    }
    return triangles;
}

void drawOurSphere()
{
    const trail::SphereMesh& mesh = trail::sphereMesh();
    glBegin(GL_TRIANGLES);
    for (const auto& triangle : mesh.triangle)
        for (uint16_t v : triangle) {
            glNormal3fv(mesh.normal[v]);
            glVertex3fv(mesh.vertex[v]);
        }
    glEnd();
}

}  // namespace

TEST(SceneImage, TrailSphereIsFreeglutsSphereTriangleForTriangle)
{
    const xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    // In a child, as an X error ends a process and GLUT starts once per process: both spheres
    // lit in a grey that shows the normals, seen from a slant so that every triangle faces the
    // window with a different area. It exits with our count of triangles, 100 more if they are
    // not freeglut's.
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", server.name().c_str(), 1);
        int argc = 1;
        char name[] = "oncoraider";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutCreateWindow("Vantreal - Oncoraider");
        glMatrixMode(GL_PROJECTION);
        gluPerspective(45.0, 1.0, 0.01, 10.0);
        glMatrixMode(GL_MODELVIEW);
        gluLookAt(0.05, 0.03, 0.07, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glColor4d(0.4, 0.4, 0.4, 1.0);
        const Triangles ours = feedbackTriangles(drawOurSphere);
        const bool same = feedbackTriangles([] { glutSolidSphere(0.02, 5, 5); }) == ours;
        _exit(static_cast<int>(ours.size()) + (same ? 0 : 100));
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the drawing child died";
    // freeglut's 5 x 5 sphere has 40 triangles with area; ours must be them to the bit.
    EXPECT_EQ(WEXITSTATUS(status), 40) << "our triangles, 100 more if they are not freeglut's";
}
