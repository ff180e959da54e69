#include "app/desktop.h"

#include "identity.h"

#ifdef SANDMERE_X11
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Errors of the requests below are answered through their results.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

void describeWindowToDesktop() {
    Display* display = glXGetCurrentDisplay();
    // freeglut's GLX drawable is the X window itself.
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None) return;

    // A drawable that is not a plain window is left alone: the garden goes
    // on without the properties rather than stopping on Xlib's default
    // error handler.
    XSync(display, False);
    const auto previousHandler = XSetErrorHandler(ignoreXError);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) != 0) {
        // A window manager reads WM_CLASS when it takes a window on, and
        // freeglut has already mapped this one: as ICCCM asks, it is
        // withdrawn, given its class and mapped again, all before the
        // garden draws its first frame.
        XWithdrawWindow(display, window, XScreenNumberOfScreen(attributes.screen));
        XClassHint names;
        names.res_name = const_cast<char*>(gardenWindowInstance);  // Xlib only reads them
        names.res_class = const_cast<char*>(gardenWindowClass);
        XSetClassHint(display, window, &names);
        // Format-32 property data is handed to Xlib as longs.
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(gardenWindowIcon),
                        static_cast<int>(gardenWindowIconLength));
        XMapWindow(display, window);
        XSync(display, False);
    }
    XSetErrorHandler(previousHandler);
}

#else

void describeWindowToDesktop() {}

#endif
