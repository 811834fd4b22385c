// The mission window under Windows with freeglut and WGL: the pixel-format check, the
// keyboard's own state while the window has the focus, and closing it.
#include <windows.h>
#include <mmsystem.h>

#include <GL/freeglut.h>

#include <cstdlib>

#include "platform/Detail.h"
#include "platform/Platform.h"
#include "platform/Window.h"

namespace platform {
namespace {

HWND missionWindow = nullptr;

// Sleep rounds up to the system timer's tick, 15.6 ms unless a program asks for less; the
// frame pacing (26 ms between frames, 5 ms after each) needs milliseconds while a mission runs.
constexpr UINT timerMillis = 1;

// The virtual keys the game reads; asking for these alone keeps the frame's queries few.
bool readByGame(int code)
{
    switch (code) {
    case key::enter:
    case key::escape:
    case key::space:
    case key::left:
    case key::up:
    case key::right:
    case key::down:
        return true;
    default:
        return code >= 'A' && code <= 'Z';
    }
}

}  // namespace

std::string missionDisplayProblem(int, char*[])
{
    // Windows has no DISPLAY, but freeglut takes one it finds for a display device's name (under
    // Wine it names the X display) and warns that there is no such device.
    _putenv("DISPLAY=");
    // What freeglut asks for with GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH.
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cDepthBits = 1;
    const HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR found = {};
    const int format = screen != nullptr ? ChoosePixelFormat(screen, &wanted) : 0;
    const bool described =
        format != 0 && DescribePixelFormat(screen, format, sizeof found, &found) != 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    if (!described)
        return "the display offers no OpenGL pixel format.";
    const DWORD needed = PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    if ((found.dwFlags & needed) != needed || found.cDepthBits == 0)
        return "the display has no double-buffered OpenGL pixel format with a depth buffer.";
    return {};
}

void closeMissionWindow()
{
    const int window = glutGetWindow();
    if (window != 0) {
        glutDestroyWindow(window);
        glutMainLoopEvent();
    }
    wglMakeCurrent(nullptr, nullptr);
    if (missionWindow != nullptr)
        timeEndPeriod(timerMillis);
    missionWindow = nullptr;
}

namespace detail {

void watchMissionWindow()
{
    // freeglut makes a new window current.
    missionWindow = WindowFromDC(wglGetCurrentDC());
    if (missionWindow != nullptr)
        timeBeginPeriod(timerMillis);
}

bool readKeyboard(KeyboardState& down)
{
    if (missionWindow == nullptr)
        return false;
    // Keys typed into another window are not the player's flight keys.
    if (GetForegroundWindow() != missionWindow)
        return true;
    for (int code = 0; code < keyCount; ++code)
        down[code] = readByGame(code) && (GetAsyncKeyState(code) & 0x8000) != 0;
    return true;
}

}  // namespace detail
}  // namespace platform
