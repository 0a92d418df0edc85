#pragma once

#include <QString>

#include <functional>

// Whether the 3D charts can be drawn here. Qt Data Visualization needs a working OpenGL context and
// crashes without one (the "offscreen" platform in particular), so the program asks before it creates a
// 3D view and shows a message in its place otherwise.
struct OpenGLSupport {
    bool available = false;
    QString why;  // for the operator, when not available
};

// Asks the display platform once: "offscreen" and "minimal" have no usable OpenGL; elsewhere a context
// must be created and made current on an offscreen surface.
OpenGLSupport ProbeOpenGL();

// Replaceable by tests, which then see what the program does without OpenGL on any display.
using OpenGLProbe = std::function<OpenGLSupport()>;
