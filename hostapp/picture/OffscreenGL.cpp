#include "hostapp/picture/OffscreenGL.h"

// libepoxy resolves EGL and OpenGL on first use, so linking it does not make
// the program need either; every call below is made only after
// eglAvailable() and openGLAvailable() have said the libraries are there
// (libepoxy aborts when a library it must open is missing).
#include <dlfcn.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace picture {

struct OffscreenGL::Api {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

namespace {

hostapp::Failure cannot(const std::string& why) { return {"cannot render pictures: " + why}; }

std::string eglErrorText() {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%04x", static_cast<unsigned>(eglGetError()));
    return buf;
}

// libepoxy finds desktop OpenGL in one of these two.
bool openGLAvailable() {
    for (const char* name : {"libOpenGL.so.0", "libGL.so.1"})
        if (void* library = dlopen(name, RTLD_LAZY | RTLD_LOCAL)) {
            dlclose(library);
            return true;
        }
    return false;
}

// Mesa's surfaceless display, started.
hostapp::Status startDisplay(EGLDisplay& display) {
    if (!epoxy_has_egl())
        return cannot("EGL is not installed (libEGL.so.1); install libegl1 and libgl1-mesa-dri");
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless") ||
        !epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base"))
        return cannot(
            "EGL has no Mesa surfaceless platform; install libegl-mesa0 and libgl1-mesa-dri");
    display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) == EGL_FALSE) {
        display = EGL_NO_DISPLAY;
        return cannot("EGL could not start Mesa's software driver (error " + eglErrorText() +
                      "); install libgl1-mesa-dri");
    }
    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context") ||
        eglBindAPI(EGL_OPENGL_API) == EGL_FALSE)
        return cannot("the EGL driver cannot draw OpenGL without a window");
    return {};
}

// An OpenGL 3.3 core context with no surface, made current.
hostapp::Status startContext(EGLDisplay display, EGLContext& context) {
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &configCount) == EGL_FALSE ||
        configCount < 1)
        config = nullptr;  // EGL_KHR_no_config_context: surfaceless needs none
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        return cannot("no OpenGL 3.3 core context (EGL error " + eglErrorText() + ")");
    if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) == EGL_FALSE)
        return cannot("the OpenGL context cannot be made current (EGL error " + eglErrorText() +
                      ")");
    if (!openGLAvailable())
        return cannot("OpenGL is not installed (libOpenGL.so.0 or libGL.so.1); install libopengl0");
    // Framebuffer objects, used below, are core OpenGL from 3.0 on.
    if (epoxy_gl_version() < 33) return cannot("the driver gave no OpenGL 3.3 context");
    return {};
}

}  // namespace

OffscreenGL::OffscreenGL() : api_(std::make_unique<Api>()) {}

hostapp::Result<std::unique_ptr<OffscreenGL>> OffscreenGL::create() {
    // Mesa reads these when the display is initialised: the software
    // rasteriser everywhere, so that a picture is the same on every machine.
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    ::setenv("GALLIUM_DRIVER", "llvmpipe", 1);

    std::unique_ptr<OffscreenGL> gl(new OffscreenGL());
    Api& a = *gl->api_;
    if (hostapp::Status started = startDisplay(a.display); !started)
        return hostapp::Failure{started.error()};
    if (hostapp::Status started = startContext(a.display, a.context); !started)
        return hostapp::Failure{started.error()};

    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    gl->renderer_ = renderer != nullptr ? renderer : "";
    if (gl->renderer_.find("llvmpipe") == std::string::npos &&
        gl->renderer_.find("softpipe") == std::string::npos) {
        return cannot("EGL gave the driver \"" + gl->renderer_ +
                      "\" instead of Mesa's software rasteriser; install libgl1-mesa-dri");
    }
    GLint renderbufferMax = 0;
    GLint viewportMax[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferMax);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportMax);
    gl->maxSide_ = std::min({renderbufferMax, viewportMax[0], viewportMax[1]});
    return gl;
}

OffscreenGL::~OffscreenGL() {
    Api& a = *api_;
    if (a.context != EGL_NO_CONTEXT) {
        destroyFramebuffer();
        eglMakeCurrent(a.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(a.display, a.context);
    }
    if (a.display != EGL_NO_DISPLAY) eglReleaseThread();
    // The display is not terminated and libEGL stays loaded: terminating
    // unloads Mesa's driver, which leaves a few of its allocations behind
    // with no owner (leak checkers report them), while the display costs
    // nothing once the context is gone. EGL displays are per process anyway:
    // a second renderer gets the same one back.
}

void OffscreenGL::destroyFramebuffer() {
    if (framebuffer_ != 0) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteRenderbuffers(1, &colour_);
    }
    framebuffer_ = 0;
    colour_ = 0;
    width_ = 0;
    height_ = 0;
}

hostapp::Status OffscreenGL::begin(int width, int height) {
    if (width <= 0 || height <= 0 || width > maxSide_ || height > maxSide_)
        return hostapp::Failure{"cannot render a " + std::to_string(width) + " by " +
                                std::to_string(height) + " picture: each side must be 1 to " +
                                std::to_string(maxSide_) + " pixels"};
    if (width != width_ || height != height_) {
        destroyFramebuffer();
        glGetError();
        glGenFramebuffers(1, &framebuffer_);
        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        if (glGetError() != GL_NO_ERROR ||
            glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            destroyFramebuffer();
            return hostapp::Failure{"cannot render a " + std::to_string(width) + " by " +
                                    std::to_string(height) +
                                    " picture: the driver has no room for it"};
        }
        width_ = width;
        height_ = height;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return {};
}

hostapp::Status OffscreenGL::read(Image& out) {
    if (framebuffer_ == 0) return hostapp::Failure{"nothing has been drawn"};
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    rgba_.resize(w * h * 4u);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    // Into client memory, with no pack buffer bound, glReadPixels returns only
    // once every drawing command before it has finished.
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba_.data());
    if (glGetError() != GL_NO_ERROR)
        return hostapp::Failure{"reading the picture back from OpenGL failed"};
    // OpenGL's rows run bottom to top; pictures run top to bottom.
    out.resize(width_, height_);
    for (std::size_t y = 0; y < h; ++y) {
        const uint8_t* src = rgba_.data() + (h - 1u - y) * w * 4u;
        uint8_t* dst = out.rgb.data() + y * w * 3u;
        for (std::size_t x = 0; x < w; ++x) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            src += 4;
            dst += 3;
        }
    }
    return {};
}

}  // namespace picture
