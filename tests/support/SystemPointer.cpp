#include "support/SystemPointer.h"

#include <SDL.h>
#include <SDL_syswm.h>

bool warpSystemPointer(int x, int y)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11)
        return false;
    info.info.x11.lock_func();
    ::Display *display = info.info.x11.display;
    XWarpPointer(display, None, info.info.x11.window, 0, 0, 0, 0, x, y);
    XSync(display, False);
    info.info.x11.unlock_func();
    return true;
}
