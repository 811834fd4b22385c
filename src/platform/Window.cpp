// The mission window under X11 with freeglut and GLX: the display check, the key callbacks,
// and the close that lets freeglut be initialised again and again in one process.
#include "platform/Window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace platform {
namespace {

// Our own connection to the display, opened by the first check and kept for the whole run.
// While it is open the X server never loses its last client between two missions; a server
// without other clients (Xvfb, say) resets when that happens, and freeglut's next connection
// would race the reset and fail.
Display* keptDisplay = nullptr;
std::string keptDisplayName;

std::string displayName(int argc, char* argv[])
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0)
            return argv[i + 1];
    }
    return {};
}

// Mesa's software rasteriser starts one thread per core, and every swap waits for the last
// of them. Measured under Xvfb on two cores, twice as many threads kept frame times even:
// the 95th percentile of swap-to-swap times fell from 31.5 to 28 ms, for a few per cent more
// processor time.
// Other drivers ignore the variable; a value the player set stands.
void spreadSoftwareRasterising()
{
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    if (cores > 0)
        setenv("LP_NUM_THREADS", std::to_string(2 * cores).c_str(), 0);
}

bool hasMissionVisual(Display* display)
{
    // What freeglut asks for with GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH.
    const int attributes[] = {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                              GLX_RED_SIZE,      1,              GLX_GREEN_SIZE,  1,
                              GLX_BLUE_SIZE,     1,              GLX_DOUBLEBUFFER, True,
                              GLX_DEPTH_SIZE,    1,              None};
    int count = 0;
    GLXFBConfig* configs =
        glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs != nullptr)
        XFree(configs);
    return count > 0;
}

void press(int code, bool down)
{
    if (code == 0)
        return;
    if (down)
        keyDown(code);
    else
        keyUp(code);
}

void keyboardDown(unsigned char key, int, int)
{
    press(keyCodeForGlutKey(key), true);
}

void keyboardUp(unsigned char key, int, int)
{
    press(keyCodeForGlutKey(key), false);
}

void specialDown(int key, int, int)
{
    press(keyCodeForGlutSpecialKey(key), true);
}

void specialUp(int key, int, int)
{
    press(keyCodeForGlutSpecialKey(key), false);
}

}  // namespace

std::string missionDisplayProblem(int argc, char* argv[])
{
    // Before the first GLX call: Mesa reads the variable when it sets up the display's screen.
    spreadSoftwareRasterising();
    const std::string wanted = displayName(argc, argv);
    if (keptDisplay == nullptr || wanted != keptDisplayName) {
        Display* display = XOpenDisplay(wanted.empty() ? nullptr : wanted.c_str());
        if (display == nullptr) {
            return std::string("cannot open the X display \"") +
                   XDisplayName(wanted.empty() ? nullptr : wanted.c_str()) +
                   "\" (is DISPLAY set and the X server running?).";
        }
        if (keptDisplay != nullptr)
            XCloseDisplay(keptDisplay);
        keptDisplay = display;
        keptDisplayName = wanted;
    }
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(keptDisplay, &errorBase, &eventBase))
        return "the X display offers no OpenGL (the GLX extension is missing).";
    if (!hasMissionVisual(keptDisplay))
        return "the X display has no double-buffered RGB visual with a depth buffer.";
    return {};
}

int keyCodeForGlutKey(unsigned char key)
{
    if (key >= 'a' && key <= 'z')
        return key - 'a' + 'A';
    if (key >= 'A' && key <= 'Z')
        return key;
    switch (key) {
    case ' ':
        return key::space;
    case '\r':
    case '\n':
        return key::enter;
    case 0x1B:
        return key::escape;
    default:
        return 0;
    }
}

int keyCodeForGlutSpecialKey(int key)
{
    switch (key) {
    case GLUT_KEY_LEFT:
        return key::left;
    case GLUT_KEY_UP:
        return key::up;
    case GLUT_KEY_RIGHT:
        return key::right;
    case GLUT_KEY_DOWN:
        return key::down;
    default:
        return 0;
    }
}

void listenToMissionKeys()
{
    // A held key is one press until its release, as with the console's key state.
    glutIgnoreKeyRepeat(1);
    glutKeyboardFunc(keyboardDown);
    glutKeyboardUpFunc(keyboardUp);
    glutSpecialFunc(specialDown);
    glutSpecialUpFunc(specialUp);
}

// Why these steps: freeglut destroys a context that is still current only when it closes the
// display, and Mesa then frees the window's MIT-SHM image from inside XCloseDisplay, after
// libXext has already dropped its record of the extension on that display. libXext then
// makes a new record that nothing ever removes, keyed by the freed Display. When a later
// mission's display is allocated at the same address, the stale record hands out a freed
// major opcode and the X server answers with an error that ends the process.
// glutDestroyWindow only queues the window. Until the queue is worked off, a redisplay still
// pending (a mission that ends in its first frame has not yet handled the map and full-screen
// events) binds the context to the window again, after any release here. One event pass now
// destroys the window; the release after it lets Mesa free the image while the display is whole.
// The window's buffers (about 8 MB apiece at 1920 x 1080) are then free, but malloc
// keeps freed heap memory, and the next mission's buffers do not always fit the holes: without
// the trim, the resident memory grew by one such buffer in some missions.
void closeMissionWindow()
{
    const int window = glutGetWindow();
    if (window != 0) {
        glutDestroyWindow(window);
        glutMainLoopEvent();
    }
    glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
    malloc_trim(0);
}

}  // namespace platform
