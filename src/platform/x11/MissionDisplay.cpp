// The mission window under X11 with freeglut and GLX: the display check, the keyboard's own
// state and the window's focus, and the close that lets freeglut be initialised again and
// again in one process.
#include "platform/Window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <malloc.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/Detail.h"
#include "platform/Platform.h"

namespace platform {
namespace {

// Our own connection to the display, opened by the first check and kept for the whole run.
// While it is open the X server never loses its last client between two missions; a server
// without other clients (Xvfb, say) resets when that happens, and freeglut's next connection
// would race the reset and fail.
Display* keptDisplay = nullptr;
std::string keptDisplayName;

// The open mission window, watched through keptDisplay for its focus and its end.
Window missionWindow = None;
bool missionFocused = true;
// The X key code of each virtual key the game reads, 0 for none.
std::array<KeyCode, detail::keyCount> keyCodes{};

void mapKeyCodes()
{
    struct Named {
        int code;
        KeySym symbol;
    };
    const Named named[] = {{key::enter, XK_Return}, {key::escape, XK_Escape},
                           {key::space, XK_space},  {key::left, XK_Left},
                           {key::up, XK_Up},        {key::right, XK_Right},
                           {key::down, XK_Down}};
    keyCodes.fill(0);
    for (const Named& n : named)
        keyCodes[n.code] = XKeysymToKeycode(keptDisplay, n.symbol);
    for (int letter = 'A'; letter <= 'Z'; ++letter)
        keyCodes[letter] = XKeysymToKeycode(keptDisplay, XK_a + (letter - 'A'));
}

constexpr long watchedEvents = FocusChangeMask | StructureNotifyMask;

// Takes the window's events off our queue; only the focus matters while it is open.
void noteFocusChanges()
{
    XEvent event;
    while (XCheckWindowEvent(keptDisplay, missionWindow, watchedEvents, &event)) {
        // Focus moving between the window and a child of it is no change for the player.
        const bool focusEvent = event.type == FocusIn || event.type == FocusOut;
        if (focusEvent && event.xfocus.detail != NotifyInferior)
            missionFocused = event.type == FocusIn;
    }
}

// Waits, up to a limit, until the server has destroyed the mission window; freeglut has only
// asked for it, and the review must not print while the window still covers the console.
void awaitWindowGone(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    XEvent event;
    while (!XCheckTypedWindowEvent(keptDisplay, missionWindow, DestroyNotify, &event)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd p{ConnectionNumber(keptDisplay), POLLIN, 0};
        if (XEventsQueued(keptDisplay, QueuedAfterFlush) == 0)
            poll(&p, 1, static_cast<int>(left.count()));
        XEventsQueued(keptDisplay, QueuedAfterReading);
    }
}

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
    Display* glutDisplay = glXGetCurrentDisplay();
    const int window = glutGetWindow();
    if (window != 0) {
        glutDestroyWindow(window);
        glutMainLoopEvent();
    }
    glXMakeCurrent(glutDisplay, None, nullptr);
    malloc_trim(0);
    if (glutDisplay != nullptr && keptDisplay != nullptr && missionWindow != None) {
        XFlush(glutDisplay);
        awaitWindowGone(std::chrono::seconds(2));
        noteFocusChanges();  // what is left of the window's events
    }
    missionWindow = None;
}

namespace detail {

void watchMissionWindow()
{
    // freeglut makes a new window current, and its GLX drawable is the X window itself.
    missionWindow = glXGetCurrentDrawable();
    missionFocused = true;
    if (keptDisplay == nullptr || missionWindow == None)
        return;
    mapKeyCodes();
    // Our own connection may ask for the window's events too; freeglut asks for no focus events.
    XSelectInput(keptDisplay, missionWindow, watchedEvents);
    XSync(keptDisplay, False);
}

bool readKeyboard(KeyboardState& down)
{
    if (keptDisplay == nullptr || missionWindow == None)
        return false;
    char keymap[32];
    XQueryKeymap(keptDisplay, keymap);  // the round trip also brings in the focus events
    noteFocusChanges();
    if (!missionFocused)
        return true;  // nothing is held for a window without the focus
    for (int code = 0; code < keyCount; ++code) {
        const KeyCode k = keyCodes[code];
        down[code] = k != 0 && (keymap[k / 8] >> (k % 8) & 1) != 0;
    }
    return true;
}

}  // namespace detail

}  // namespace platform
