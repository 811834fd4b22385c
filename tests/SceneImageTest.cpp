// The game's drawing against the plain one, pixel for pixel: frames of a scripted flight with
// missiles in flight, drawn in a real window under an Xvfb of the test's own, once by the
// game's frame drawing and once the plain way it was drawn before (a glutSolidSphere per trail
// sphere, the walls blended), and read back from the window. And the trail's sphere
// against freeglut's, through GL's feedback mode.
//
// The tolerance: GL moves a glutSolidSphere by a translation in its model-view matrix, the
// game's batch moves the sphere's vertices before they reach GL. The two sums round apart by
// units in the last place of single precision, so where a sphere's edge passes within that
// much of a pixel centre, one way covers the pixel and the other does not. That flips single
// pixels at sphere edges, a few per frame. So a frame passes when at most one pixel in 10000
// differs and no 3 x 3 block holds more than 3 differing pixels; a sphere missing, misplaced,
// drawn out of order or in another colour or alpha breaks that at once (the test checks that a
// trail faded by one frame too many does).
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/TrailSpheres.h"
#include "mission/FrameTick.h"
#include "mission/Mission.h"
#include "mission/MissionState.h"
#include "support/PlainScene.h"
#include "support/ScriptedFlight.h"
#include "support/XTools.h"
#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"
#include "world/WallCollision.h"

namespace {

// What one frame drawn both ways came to.
struct Comparison {
    int frame = 0;
    int spheresOnScreen = 0;  // trail spheres that can reach a pixel
    long differingPixels = 0;
    int largestDifference = 0;  // in any colour channel, 0 to 255
    int crowdedBlock = 0;       // the most differing pixels in any 3 x 3 block
    bool sameState = false;     // trail alphas and the hit flag after drawing
    long fadedDiffering = 0;    // the plain drawing with every trail one frame further faded
};

// Fills in the pixel counts of c from two images of width x height RGB pixels.
void comparePixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                   int width, int height, Comparison& c)
{
    std::vector<unsigned char> differs(static_cast<std::size_t>(width) * height, 0);
    for (std::size_t p = 0; p < differs.size(); ++p) {
        int largest = 0;
        for (int k = 0; k < 3; ++k)
            largest = std::max(largest, std::abs(int{a[3 * p + k]} - int{b[3 * p + k]}));
        differs[p] = largest > 0 ? 1 : 0;
        c.differingPixels += differs[p];
        c.largestDifference = std::max(c.largestDifference, largest);
    }
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            int count = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    count += differs[static_cast<std::size_t>(y + dy) * width + (x + dx)];
            c.crowdedBlock = std::max(c.crowdedBlock, count);
        }
    }
}

const BronchiGraph* graph = nullptr;

const WallTable realWall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};

bool inside(Vektor3D position)
{
    return insideAirway(*graph, realWall, position);
}

// The flight's keys, with a shot now and then so that new missiles fly close to the eye.
void keysWithShots(int n)
{
    flight::swingingKeys(n);
    if (n % 30 == 3)
        platform::keyDown(platform::key::space);
}

std::vector<unsigned char> readWindow(int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

struct AfterDrawing {
    std::vector<std::vector<float>> alphas;
    bool tumorHit;

    static AfterDrawing take()
    {
        AfterDrawing after{{}, ship.tumorHit};
        for (const Missile& m : ship.missiles)
            after.alphas.emplace_back(m.trailAlpha.begin(), m.trailAlpha.end());
        return after;
    }
    bool operator==(const AfterDrawing& o) const
    {
        return alphas == o.alphas && tumorHit == o.tumorHit;
    }
};

// In the child: a window, a flight, and every `step`th frame drawn both ways.
void compareFrames(int width, int height, int missiles, int frames, int step, std::FILE* out)
{
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
    onReshape(width, height);
    setUpMissionGl();

    const FrameHooks game = frameHooks;
    flight::start(*graph, missiles);
    const std::vector<flight::Frame> flown = flight::record(frames, keysWithShots, inside);
    for (int k = 0; k < frames; k += step) {
        const flight::Frame& frame = flown[static_cast<std::size_t>(k)];
        Comparison c;
        c.frame = k;
        frame.restore();
        game.beginFrame(frame.fogDensity);
        game.drawScene(frame.shipAlive, frame.drawFading);
        const std::vector<unsigned char> fast = readWindow(width, height);
        const AfterDrawing afterFast = AfterDrawing::take();

        frame.restore();
        game.beginFrame(frame.fogDensity);
        ship.placeCamera();
        const trail::View view = trail::currentView();
        for (const Missile& m : ship.missiles)
            for (const Vektor3D& p : m.trail)
                c.spheresOnScreen += trail::sphereReachesAPixel(view, p) ? 1 : 0;
        glLoadIdentity();
        plain::drawScene(frame.shipAlive, frame.drawFading);
        const std::vector<unsigned char> plainImage = readWindow(width, height);
        c.sameState = AfterDrawing::take() == afterFast;
        comparePixels(fast, plainImage, width, height, c);

        // The control: one frame's fade too many must not pass.
        frame.restore();
        for (Missile& m : ship.missiles)
            for (float& alpha : m.trailAlpha)
                alpha = static_cast<float>(static_cast<double>(alpha) - 0.01);
        game.beginFrame(frame.fogDensity);
        plain::drawScene(frame.shipAlive, frame.drawFading);
        Comparison faded;
        comparePixels(fast, readWindow(width, height), width, height, faded);
        c.fadedDiffering = faded.differingPixels;

        std::fprintf(out, "%d %d %ld %d %d %d %ld\n", c.frame, c.spheresOnScreen,
                     c.differingPixels, c.largestDifference, c.crowdedBlock, c.sameState ? 1 : 0,
                     c.fadedDiffering);
    }
}

// The triangles GL's feedback mode reports for what draw() draws, as (x, y, z, r, g, b, a)
// per corner, leaving out those that repeat a corner: the strips' turns at the poles.
std::vector<std::vector<float>> feedbackTriangles(void (*draw)())
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<float>> triangles;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
        if (token != GL_POLYGON_TOKEN)
            return {};
        const GLint corners = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
        std::vector<float> t(buffer.begin() + i, buffer.begin() + i + corners * 7);
        i += corners * 7;
        const auto corner = [&t](int k) {
            return std::vector<float>(t.begin() + 7 * k, t.begin() + 7 * k + 3);
        };
        if (corners == 3 && corner(0) != corner(1) && corner(1) != corner(2) &&
            corner(0) != corner(2))
            triangles.push_back(t);
    }
    return triangles;
}

void drawFreeglutSphere()
{
    glutSolidSphere(0.02, 5, 5);
}

void drawTrailSphere()
{
    const trail::SphereMesh& mesh = trail::sphereMesh();
    glBegin(GL_TRIANGLES);
    for (const auto& triangle : mesh.triangle) {
        for (uint16_t v : triangle) {
            glNormal3fv(mesh.normal[v]);
            glVertex3fv(mesh.vertex[v]);
        }
    }
    glEnd();
}

// In the child: both spheres through feedback, lit in a grey that shows the normals, seen from
// a slant so that every triangle faces the window with a different area.
void compareSpheres(std::FILE* out)
{
    int argc = 1;
    char name[] = "oncoraider";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(400, 400);
    glutCreateWindow("sphere");
    glutDisplayFunc([] {});
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.0, 0.01, 10.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0.05, 0.03, 0.07, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColor4d(0.4, 0.4, 0.4, 1.0);
    const std::vector<std::vector<float>> freeglut = feedbackTriangles(drawFreeglutSphere);
    const std::vector<std::vector<float>> ours = feedbackTriangles(drawTrailSphere);
    std::fprintf(out, "%zu %zu %d\n", freeglut.size(), ours.size(), freeglut == ours ? 1 : 0);
}

// Runs work in a child on the display (X errors end a process) and returns what it printed.
std::string runInChild(const std::string& display, const std::function<void(std::FILE*)>& work)
{
    int lines[2];
    if (pipe(lines) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(lines[0]);
        setenv("DISPLAY", display.c_str(), 1);
        std::FILE* out = fdopen(lines[1], "w");
        work(out);
        std::fclose(out);
        _exit(0);
    }
    close(lines[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(lines[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(lines[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the drawing child failed";
    return text;
}

std::vector<Comparison> compareInChild(const std::string& display, int width, int height,
                                       int missiles, int frames, int step)
{
    const std::string text = runInChild(display, [=](std::FILE* out) {
        compareFrames(width, height, missiles, frames, step, out);
    });
    std::vector<Comparison> result;
    std::istringstream in(text);
    Comparison c;
    int same = 0;
    while (in >> c.frame >> c.spheresOnScreen >> c.differingPixels >> c.largestDifference >>
           c.crowdedBlock >> same >> c.fadedDiffering) {
        c.sameState = same != 0;
        result.push_back(c);
    }
    return result;
}

class SceneImage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ostringstream sink;
        auto* outBuffer = std::cout.rdbuf(sink.rdbuf());
        auto* errBuffer = std::cerr.rdbuf(sink.rdbuf());
        loaded = std::make_unique<BronchiGraph>(
            (std::filesystem::path(ONCORAIDER_SOURCE_DIR) / "data" / "Bronchi.gra").c_str());
        std::cout.rdbuf(outBuffer);
        std::cerr.rdbuf(errBuffer);
        graph = loaded.get();
    }
    static void TearDownTestSuite()
    {
        graph = nullptr;
        loaded.reset();
    }

    static std::unique_ptr<BronchiGraph> loaded;
    xtools::Server server;
};

std::unique_ptr<BronchiGraph> SceneImage::loaded;

}  // namespace

TEST_F(SceneImage, GameDrawingMatchesThePlainDrawingPixelForPixel)
{
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    ASSERT_GT(graph->edgeCount(), 0u);
    constexpr int width = 1280;
    constexpr int height = 720;
    const std::vector<Comparison> frames =
        compareInChild(server.name(), width, height, 30, 120, 4);
    ASSERT_EQ(frames.size(), 30u);
    int spheres = 0;
    long mostDiffering = 0;
    for (const Comparison& c : frames) {
        spheres += c.spheresOnScreen;
        mostDiffering = std::max(mostDiffering, c.differingPixels);
        EXPECT_TRUE(c.sameState) << "frame " << c.frame;
        EXPECT_LE(c.differingPixels, width * height / 10000)
            << "frame " << c.frame << ": differing by up to " << c.largestDifference;
        EXPECT_LE(c.crowdedBlock, 3) << "frame " << c.frame;
        // The control must fail the same bounds.
        EXPECT_GT(c.fadedDiffering, width * height / 10000) << "frame " << c.frame;
    }
    EXPECT_GT(spheres, 1000) << "the frames must show trails to compare them";
    RecordProperty("mostDifferingPixelsInAFrame", static_cast<int>(mostDiffering));
}

TEST_F(SceneImage, TrailSphereIsFreeglutsSphereTriangleForTriangle)
{
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    std::istringstream in(runInChild(server.name(), compareSpheres));
    std::size_t freeglut = 0;
    std::size_t ours = 0;
    int same = 0;
    ASSERT_TRUE(in >> freeglut >> ours >> same);
    EXPECT_EQ(freeglut, 40u) << "freeglut's 5 x 5 sphere has 40 triangles with area";
    EXPECT_EQ(ours, 40u);
    EXPECT_EQ(same, 1) << "positions, order and lit colours must match to the bit";
}
