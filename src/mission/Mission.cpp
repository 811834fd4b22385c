// Mission set-up and review: countdown, window, spawning, the GLUT main loop, then the review,
// the name prompt and the high scores.
#include "mission/Mission.h"

#include <GL/freeglut.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "console/HighScores.h"
#include "console/Menu.h"
#include "mission/FrameTick.h"
#include "mission/MissionGl.h"
#include "mission/MissionState.h"
#include "mission/Recording.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "world/BronchiMesh.h"
#include "world/World.h"

namespace {

bool leaving = false;

void leaveMainLoop()
{
    glutLeaveMainLoop();
    leaving = true;
}

void swapBuffers()
{
    glutSwapBuffers();
    if (leaving) {
        // The list dies with the context anyway; say so while the context is still ours.
        glDeleteLists(wallList, 1);
        platform::closeMissionWindow();
    }
}

// freeglut insists on a display callback; frameTick draws and swaps by itself.
void drawNothing() {}

}  // namespace

unsigned spawnMission(const Recording* recording)
{
    std::vector<uint32_t> successors;
    bronchiGraph().successors(0, successors);
    // The ship at the first successor of node 0, node 0 itself when it has none.
    float start[3] = {0.0f, 0.0f, 0.0f};
    bronchiGraph().nodePosition(0, start);
    if (!successors.empty())
        bronchiGraph().nodePosition(successors.front(), start);
    ship = Schiff(Vektor3D(start[0], start[1], start[2]), Vektor3D(0.0, 1.0, 0.0),
                  Vektor3D(0.0, 0.0, 1.0), Vektor3D(0.0, 0.0, 0.0), Vektor3D(0.0, 0.0, 0.0));

    // The first tumor's place comes from the clock: the time since the previous mission's start.
    const int t = platform::elapsedMillis();
    const unsigned seed =
        recording != nullptr ? recording->seed : static_cast<unsigned int>(t - lastClock);
    std::srand(seed);
    lastClock = t;
    if (recording != nullptr)
        endMillis = recording->carriedEndMillis;

    const unsigned int i = static_cast<unsigned int>(std::rand()) % wallTriangleCount;
    const WallVertex& v = BronchiMesh[i].vertex[0];
    targetTumor = Tumor(Vektor3D(v.x, v.y, v.z));
    ship.target = targetTumor.position;
    fadingTumor = Tumor();
    fadingTumor.size = 0.0f;
    return seed;
}

namespace {

void waitForEnter()
{
    std::cout << "(Press [ENTER] to continue)" << std::endl;
    while (!platform::keyPressed(platform::key::enter))
        platform::sleepMillis(100);
}

void holdOn()
{
    std::cout << "Please hold on while your command is being processed..." << std::endl;
    platform::sleepMillis(1000);
}

// Instead of a mission, when there is no world to fly in or no window to fly it in.
void refuseMission(const std::string& reason)
{
    printBanner();
    std::cout << "No mission: " << reason << std::endl << std::endl;
    waitForEnter();
    holdOn();
}

std::string missingWorld()
{
    float node0[3];
    if (bronchiGraph().edgeCount() == 0 || !bronchiGraph().nodePosition(0, node0))
        return "the airway map \"./Bronchi.gra\" is missing or holds no airways.";
    return {};
}

void offerScore(int points)
{
    std::cout << "Please enter your name (without any spaces): " << std::flush;
    const std::string name = platform::readWord();
    std::cout << std::endl;
    HighScores table = HighScores("highscores.vxr");
    if (table.insert(name, points)) {
        table.sort();
        table.save();
        std::cout << "HighScores updated!" << std::endl << std::endl;
    } else {
        std::cout << "HighScores not updated!" << std::endl << std::endl;
    }
}

// Writes the recording of each mission, when the run records; what went wrong is told after
// the review, which clears the console.
class MissionRecorder {
public:
    void start(unsigned seed, int carriedEndMillis)
    {
        problem.clear();
        if (missionSettings.recordFile.empty())
            return;
        ++missions;
        const std::string path = recordingPath(missionSettings.recordFile, missions);
        const std::string failed = writer.start(path, Recording{seed, carriedEndMillis, {}});
        if (!failed.empty()) {
            problem = "cannot write " + path + ".partial: " + failed;
            return;
        }
        recordFrames(&writer);
        recording = true;
    }

    // As soon as the mission is over, so that its file is complete in its place.
    void finish()
    {
        if (!recording)
            return;
        recording = false;
        recordFrames(nullptr);
        problem = writer.finish();
    }

    void tell() const
    {
        if (!problem.empty())
            std::cout << "The mission is not recorded: " << problem << std::endl << std::endl;
    }

private:
    int missions = 0;
    bool recording = false;
    RecordingWriter writer;
    std::string problem;
};

MissionRecorder recorder;

}  // namespace

void resetMissionCounters()
{
    fogPhase = 0.0f;
    clearOfWall = true;
    shotCount = 0;
    hitCount = 0;
}

void printReview()
{
    std::cout << "Mission Review:" << std::endl << "---------------" << std::endl;
    if (shipSurvived(ship.health)) {
        const MissionScore score = scoreMission(shotCount, hitCount, ship.health);
        std::cout << "Shots: " << shotCount << std::endl
                  << "Hits:  " << hitCount << std::endl
                  << "-------------------" << std::endl
                  << "Ratio: " << score.ratio << " %" << std::endl
                  << "Health: " << score.healthPercentage << " %" << std::endl
                  << "-------------------" << std::endl
                  << "Total Points: " << score.points << std::endl
                  << std::endl;
    } else {
        std::cout << "Ship destroyed... Mission failed! (shame on you...)" << std::endl
                  << std::endl;
    }
}

MissionSettings missionSettings;

FrameHooks frameHooks = {leaveMainLoop, beginFrame, drawScene, swapBuffers, insideAirway};

bool shipSurvived(float health)
{
    return health > 0;
}

MissionScore scoreMission(int shots, int hits, float health)
{
    MissionScore score;
    score.healthPercentage = static_cast<float>(health * 10.0);
    score.ratio = shots == 0 ? 0.0f : static_cast<float>(hits * 100.0 / shots);
    const double points =
        hits * static_cast<double>(score.ratio) * static_cast<double>(score.healthPercentage);
    // Far beyond any real mission, but converting an out-of-range double is undefined.
    score.points = points >= 2147483647.0 ? 2147483647 : static_cast<int>(points);
    return score;
}

void runMission(int argc, char* argv[])
{
    std::string problem = missingWorld();
    if (problem.empty())
        problem = platform::missionDisplayProblem(argc, argv);
    if (!problem.empty()) {
        refuseMission(problem);
        return;
    }

    resetMissionCounters();

    platform::clearConsole();
    printBanner();
    std::cout << "Deploying in 3" << std::flush;
    platform::sleepMillis(1000);
    std::cout << " 2" << std::flush;
    platform::sleepMillis(1000);
    std::cout << " 1" << std::endl;
    platform::sleepMillis(1000);
    std::cout << "if you can read this, press [ALT]+[TAB]" << std::endl;

    // glutInit takes the options it knows out of the array, so every mission gets a fresh copy.
    std::vector<std::string> args(argv, argv + argc);
    std::vector<char*> glutArgv;
    for (std::string& arg : args)
        glutArgv.push_back(arg.data());
    glutArgv.push_back(nullptr);
    int glutArgc = argc;
    glutInit(&glutArgc, glutArgv.data());
    // freeglut forgets this whenever it shuts down.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(missionSettings.windowWidth, missionSettings.windowHeight);
    glutCreateWindow("Vantreal - Oncoraider");
    if (missionSettings.fullScreen)
        glutFullScreen();
    platform::listenToMissionKeys();

    glutReshapeFunc(onReshape);
    glutDisplayFunc(drawNothing);
    glutIdleFunc(frameTick);
    setUpMissionGl();

    const int carriedEndMillis = endMillis;
    const unsigned seed = spawnMission(missionSettings.replay);
    recorder.start(seed, carriedEndMillis);
    playRecording(missionSettings.replay);

    frameHooks = {leaveMainLoop, beginFrame, drawScene, swapBuffers, insideAirway};
    leaving = false;
    glutMainLoop();
    // Keys still held when the window closed never see their key-up.
    platform::releaseAllKeys();
    playRecording(nullptr);
    recorder.finish();

    platform::clearConsole();
    printReview();
    // A replayed mission's score was offered when it was flown.
    if (shipSurvived(ship.health) && missionSettings.replay == nullptr)
        offerScore(scoreMission(shotCount, hitCount, ship.health).points);
    recorder.tell();
    waitForEnter();
    holdOn();
}
