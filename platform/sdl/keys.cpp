// SDL keys to the platform's virtual-key codes. Only the viewer's five keys are fixed; the rest
// follow the platform's own codes so that no other key can pass for one of the five (the main
// keyboard's plus and minus, for one, are not the keypad's).
#include "platform/sdl/sdl_device.h"

namespace sdl {

UINT VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return UINT('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return UINT('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return UINT(0x70 + (key - SDLK_F1));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return UINT(0x61 + (key - SDLK_KP_1));
    switch (key) {
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_BACKSPACE:
        return 0x08;
    case SDLK_TAB:
        return 0x09;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return 0x0D;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return 0x11;
    case SDLK_LALT:
    case SDLK_RALT:
        return 0x12;
    case SDLK_PAUSE:
        return 0x13;
    case SDLK_CAPSLOCK:
        return 0x14;
    case SDLK_SPACE:
        return 0x20;
    case SDLK_END:
        return 0x23;
    case SDLK_HOME:
        return 0x24;
    case SDLK_LEFT:
        return 0x25;
    case SDLK_UP:
        return 0x26;
    case SDLK_RIGHT:
        return 0x27;
    case SDLK_DOWN:
        return 0x28;
    case SDLK_INSERT:
        return 0x2D;
    case SDLK_DELETE:
        return 0x2E;
    case SDLK_KP_0:
        return 0x60;
    case SDLK_KP_MULTIPLY:
        return 0x6A;
    case SDLK_KP_PERIOD:
        return 0x6E;
    case SDLK_KP_DIVIDE:
        return 0x6F;
    case SDLK_NUMLOCKCLEAR:
        return 0x90;
    case SDLK_SCROLLLOCK:
        return 0x91;
    case SDLK_SEMICOLON:
        return 0xBA;
    case SDLK_EQUALS:
    case SDLK_PLUS:
        return 0xBB; // the main keyboard's plus key
    case SDLK_COMMA:
        return 0xBC;
    case SDLK_MINUS:
        return 0xBD; // the main keyboard's minus key
    case SDLK_PERIOD:
        return 0xBE;
    case SDLK_SLASH:
        return 0xBF;
    case SDLK_BACKQUOTE:
        return 0xC0;
    case SDLK_LEFTBRACKET:
        return 0xDB;
    case SDLK_BACKSLASH:
        return 0xDC;
    case SDLK_RIGHTBRACKET:
        return 0xDD;
    case SDLK_QUOTE:
        return 0xDE;
    default:
        return 0xFF;
    }
}

} // namespace sdl
