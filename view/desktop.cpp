#include "view/desktop.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstring>
#include <vector>

static void setCardinals(Display* display, Window window, const char* name, const std::vector<long>& values) {
    // Xlib takes 32-bit property items as C longs, whatever a long's size.
    XChangeProperty(display, window, XInternAtom(display, name, False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), int(values.size()));
}

void introduceWindow(const char* title) {
    Display* display = glXGetCurrentDisplay();
    GLXDrawable window = glXGetCurrentDrawable();
    if (!display || !window)
        return;
    char instance[] = "plumbrix", windowClass[] = "Plumbrix";
    XClassHint hint{instance, windowClass};
    XSetClassHint(display, window, &hint);
    // Window managers that follow EWMH read this UTF-8 title before the legacy one GLUT sets.
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title), int(std::strlen(title)));
    setCardinals(display, window, "_NET_WM_PID", {long(getpid())});
    setCardinals(display, window, "_NET_WM_ICON", std::vector<long>(kWindowIcons, kWindowIcons + kWindowIconWords));
    XFlush(display);
}
