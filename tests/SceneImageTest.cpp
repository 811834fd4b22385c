// The game's drawing against the plain one, pixel for pixel in a window under our own Xvfb; and
// the trail's sphere against freeglut's through GL's feedback mode. GL translates a plain sphere
// by its matrix, the batch before GL: the sums round apart and flip single pixels at sphere edges,
// so a frame passes when at most one pixel in 10000 differs and no 3 x 3 block holds more than 3.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/TrailSpheres.h"
#include "mission/FrameTick.h"
#include "mission/MissionGl.h"
#include "mission/MissionState.h"
#include "support/PlainScene.h"
#include "support/RealGraph.h"
#include "support/ScriptedFlight.h"
#include "support/XTools.h"
#include "world/World.h"

namespace {

constexpr int width = 1280;
constexpr int height = 720;
using Image = std::vector<unsigned char>;

// Runs work in a child with a window on the display (an X error ends a process, and GLUT starts
// once per process) and returns what it wrote.
std::string inWindow(const std::string& display, void (*work)(std::FILE*))
{
    std::FILE* out = std::tmpfile();
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        int argc = 1;
        char name[] = "oncoraider";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowPosition(0, 0);
        glutInitWindowSize(width, height);
        glutCreateWindow("Vantreal - Oncoraider");
        glutDisplayFunc([] {});
        for (int i = 0; i < 10; ++i)
            glutMainLoopEvent();
        work(out);
        std::fflush(out);
        _exit(0);
    }
    int status = 1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the drawing child failed";
    std::string text(1 << 16, '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    return text;
}

// The pixels that differ, and the most of them in any 3 x 3 block.
std::pair<long, int> differences(const Image& a, const Image& b)
{
    std::vector<int> differs(a.size() / 3);
    for (std::size_t p = 0; p < differs.size(); ++p)
        differs[p] = std::equal(&a[3 * p], &a[3 * p + 3], &b[3 * p]) ? 0 : 1;
    int crowded = 0;
    for (int p = width + 1; p < width * (height - 1) - 1; ++p) {
        int n = 0;
        for (int d = 0; d < 9 && p % width != 0 && p % width != width - 1; ++d)
            n += differs[static_cast<std::size_t>(p + (d / 3 - 1) * width + d % 3 - 1)];
        crowded = std::max(crowded, n);
    }
    return {std::count(differs.begin(), differs.end(), 1), crowded};
}

// In the child: every 4th of 120 frames with 30 missiles drawn the game's way, the plain way and
// the plain way one fade further; per frame the differences, whether the hit flag and the trail
// alphas after drawing agree, and the faded drawing's differing pixels.
void compareFrames(std::FILE* out)
{
    onReshape(width, height);
    setUpMissionGl();
    const FrameHooks game = frameHooks;
    flight::start(realGraph(), 30);
    // A shot now and then, so that new missiles fly close to the eye.
    const auto keys = [](int n) {
        flight::swingingKeys(n);
        if (n % 30 == 3)
            platform::keyDown(platform::key::space);
    };
    const auto flown = flight::record(
        120, keys, [](Vektor3D p) { return insideAirway(realGraph(), bronchiWall, p); });
    for (std::size_t k = 0; k < flown.size(); k += 4) {
        const flight::Frame& frame = flown[k];
        const auto draw = [&frame, &game](void (*scene)(bool, bool), int fades) {
            frame.restore();
            for (Missile& m : ship.missiles)
                for (float& alpha : m.trailAlpha)
                    alpha = static_cast<float>(static_cast<double>(alpha) - 0.01 * fades);
            game.beginFrame(frame.fogDensity);
            scene(frame.shipAlive, frame.drawFading);
            Image image(width * height * 3);
            glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, image.data());
            std::vector<float> state{ship.tumorHit ? 1.0f : 0.0f};
            for (const Missile& m : ship.missiles)
                state.insert(state.end(), m.trailAlpha.begin(), m.trailAlpha.end());
            return std::pair{image, state};
        };
        const auto [fast, fastState] = draw(game.drawScene, 0);
        const auto [plainImage, plainState] = draw(plain::drawScene, 0);
        const auto [differing, crowded] = differences(fast, plainImage);
        std::fprintf(out, "%ld %d %d %ld\n", differing, crowded, plainState == fastState ? 1 : 0,
                     differences(fast, draw(plain::drawScene, 1).first).first);
    }
}

// The triangles GL's feedback mode reports for draw(), as (x, y, z, r, g, b, a) per corner,
// less those that repeat a corner: the strips' turns at the poles.
std::vector<std::vector<float>> feedbackTriangles(void (*draw)())
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const auto end = buffer.begin() + glRenderMode(GL_RENDER);
    std::vector<std::vector<float>> triangles;
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

// In the child: both spheres lit in a grey that shows the normals, seen from a slant so that
// every triangle faces the window with a different area; both counts and whether they agree.
void compareSpheres(std::FILE* out)
{
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.0, 0.01, 10.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0.05, 0.03, 0.07, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColor4d(0.4, 0.4, 0.4, 1.0);
    const auto freeglut = feedbackTriangles([] { glutSolidSphere(0.02, 5, 5); });
    const auto ours = feedbackTriangles([] {
        const trail::SphereMesh& mesh = trail::sphereMesh();
        glBegin(GL_TRIANGLES);
        for (const auto& triangle : mesh.triangle)
            for (uint16_t v : triangle) {
                glNormal3fv(mesh.normal[v]);
                glVertex3fv(mesh.vertex[v]);
            }
        glEnd();
    });
    std::fprintf(out, "%zu %zu %d\n", freeglut.size(), ours.size(), freeglut == ours ? 1 : 0);
}

}  // namespace

TEST(SceneImage, GameDrawingMatchesThePlainDrawingPixelForPixel)
{
    const xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    ASSERT_GT(realGraph().edgeCount(), 0u);
    std::istringstream in(inWindow(server.name(), compareFrames));
    const long bound = width * height / 10000;
    int frames = 0;
    long mostDiffering = 0;
    long pixels, crowded, same, faded;
    while (in >> pixels >> crowded >> same >> faded) {
        mostDiffering = std::max(mostDiffering, pixels);
        EXPECT_EQ(same, 1) << "frame " << 4 * frames << ": trail alphas or hit flag differ";
        EXPECT_LE(pixels, bound) << "frame " << 4 * frames;
        EXPECT_LE(crowded, 3) << "frame " << 4 * frames;
        EXPECT_GT(faded, bound) << "frame " << 4 * frames << ": one fade too many must fail";
        ++frames;
    }
    EXPECT_EQ(frames, 30);
    RecordProperty("mostDifferingPixelsInAFrame", static_cast<int>(mostDiffering));
}

TEST(SceneImage, TrailSphereIsFreeglutsSphereTriangleForTriangle)
{
    const xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    // freeglut's 5 x 5 sphere has 40 triangles with area; ours must be them to the bit.
    EXPECT_EQ(inWindow(server.name(), compareSpheres), "40 40 1\n");
}
