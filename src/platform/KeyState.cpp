// Key state in the manner of GetAsyncKeyState: a key counts while it is held in the mission
// window, and once for every press since the previous query of that key.
#include "platform/Detail.h"
#include "platform/Platform.h"

#include <array>

namespace platform {
namespace {

struct KeyState {
    bool held = false;     // pressed in the mission window and, as far as we know, still down
    bool pressed = false;  // pressed since the previous query of this key
};

std::array<KeyState, detail::keyCount> keys;

bool known(int code)
{
    return code >= 0 && code < detail::keyCount;
}

}  // namespace

bool keyPressed(int code)
{
    detail::pumpConsoleInput();
    if (!known(code))
        return false;
    KeyState& k = keys[code];
    const bool result = k.held || k.pressed;
    k.pressed = false;
    return result;
}

void sampleKeyboard()
{
    detail::KeyboardState down{};
    if (!detail::readKeyboard(down))
        return;
    // A key the keyboard no longer holds was released where the window could not see it.
    for (int code = 0; code < detail::keyCount; ++code) {
        if (!down[code])
            keys[code].held = false;
    }
}

void keyDown(int code)
{
    if (!known(code))
        return;
    keys[code].held = true;
    keys[code].pressed = true;
}

void keyUp(int code)
{
    if (known(code))
        keys[code].held = false;
}

void releaseAllKeys()
{
    for (KeyState& k : keys)
        k.held = false;
}

void resetInput()
{
    detail::forgetConsoleInput();
    keys.fill(KeyState{});
}

namespace detail {

void notePress(int code)
{
    if (known(code))
        keys[code].pressed = true;
}

}  // namespace detail
}  // namespace platform
