#include "FakeTrayManager.h"

#include <X11/Xlib.h>

#include <string>

FakeTrayManager::FakeTrayManager()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    m_display = display;
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 1, 1, 0, 0, 0);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    const Atom selection = XInternAtom(display, name.c_str(), False);
    XSetSelectionOwner(display, selection, window, CurrentTime);
    XSync(display, False);
    if (XGetSelectionOwner(display, selection) == window)
        m_window = window;
}

FakeTrayManager::~FakeTrayManager()
{
    if (m_display) {
        auto* display = static_cast<Display*>(m_display);
        if (m_window)
            XDestroyWindow(display, m_window);
        XCloseDisplay(display);
    }
}
