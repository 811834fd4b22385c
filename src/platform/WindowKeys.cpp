// The mission window's keys through GLUT, on every system: presses and releases into the key
// state that keyPressed reads, and F11 between full screen and a window.
#include "platform/Window.h"

#include <GL/freeglut.h>

#include "platform/Detail.h"
#include "platform/Platform.h"

namespace platform {
namespace {

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
    if (key == GLUT_KEY_F11)
        glutFullScreenToggle();
    press(keyCodeForGlutSpecialKey(key), true);
}

void specialUp(int key, int, int)
{
    press(keyCodeForGlutSpecialKey(key), false);
}

}  // namespace

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
    detail::watchMissionWindow();
}

}  // namespace platform
