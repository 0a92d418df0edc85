#include "analysis/ui/OpenGLProbe.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

OpenGLSupport ProbeOpenGL() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return {false, QStringLiteral("The display platform \"%1\" provides no OpenGL.").arg(platform)};
    QOpenGLContext context;
    if (!context.create())
        return {false, QStringLiteral("No OpenGL context can be created on this display.")};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return {false, QStringLiteral("The OpenGL context of this display cannot be used.")};
    const auto* version = context.functions()->glGetString(GL_VERSION);
    context.doneCurrent();
    if (!version) return {false, QStringLiteral("The OpenGL driver of this display does not answer.")};
    return {true, {}};
}
