#pragma once

#include <qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWidget>

#include <dlfcn.h>
#include <xcb/xcb.h>

// Asks a window to close the way a window manager does when the operator clicks the title bar's close
// box: a WM_DELETE_WINDOW message from the X server. Qt turns it into a spontaneous close event, which a
// close call from the program never is. Returns false when not running on X11 (the test then skips).
//
// libxcb is already loaded by Qt's X11 platform plugin; its functions are looked up there so the test
// needs no link dependency of its own.
inline bool sendWindowManagerClose(QWidget* window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return false;
    void* lib = dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return false;
    using InternAtom = xcb_intern_atom_cookie_t (*)(xcb_connection_t*, uint8_t, uint16_t, const char*);
    using InternAtomReply =
        xcb_intern_atom_reply_t* (*)(xcb_connection_t*, xcb_intern_atom_cookie_t, xcb_generic_error_t**);
    using SendEvent = xcb_void_cookie_t (*)(xcb_connection_t*, uint8_t, xcb_window_t, uint32_t, const char*);
    using Flush = int (*)(xcb_connection_t*);
    auto internAtom = reinterpret_cast<InternAtom>(dlsym(lib, "xcb_intern_atom"));
    auto internAtomReply = reinterpret_cast<InternAtomReply>(dlsym(lib, "xcb_intern_atom_reply"));
    auto sendEvent = reinterpret_cast<SendEvent>(dlsym(lib, "xcb_send_event"));
    auto flush = reinterpret_cast<Flush>(dlsym(lib, "xcb_flush"));
    if (!internAtom || !internAtomReply || !sendEvent || !flush) return false;

    xcb_connection_t* c = x11->connection();
    auto atom = [&](const char* name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* reply =
            internAtomReply(c, internAtom(c, 0, uint16_t(strlen(name)), name), nullptr);
        if (!reply) return XCB_ATOM_NONE;
        const xcb_atom_t a = reply->atom;
        free(reply);
        return a;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    sendEvent(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    flush(c);
    return true;
}
