#include "picture/OffscreenGL.h"

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
#include <cstring>

namespace picture {

struct OffscreenGL::Api {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

namespace {

base::Failure cannot(const std::string& why) { return {"cannot render pictures: " + why}; }

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
base::Status startDisplay(EGLDisplay& display) {
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
base::Status startContext(EGLDisplay display, EGLContext& context) {
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

void deleteFramebuffer(unsigned& framebuffer, unsigned& colour) {
    if (framebuffer != 0) glDeleteFramebuffers(1, &framebuffer);
    if (colour != 0) glDeleteRenderbuffers(1, &colour);
    framebuffer = 0;
    colour = 0;
}

// A framebuffer object with one RGBA colour buffer of this size, left bound;
// false (and nothing made) when the driver has no room for it.
bool makeFramebuffer(int width, int height, unsigned& framebuffer, unsigned& colour) {
    glGetError();
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    if (glGetError() == GL_NO_ERROR &&
        glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    deleteFramebuffer(framebuffer, colour);
    return false;
}

// A depth buffer of this size on the bound framebuffer; false (and nothing
// made) when the driver has no room for it.
bool attachDepth(int width, int height, unsigned& depth) {
    glGetError();
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (glGetError() == GL_NO_ERROR &&
        glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    glDeleteRenderbuffers(1, &depth);
    depth = 0;
    return false;
}

// Copies every pixel of one framebuffer into another of the same size and
// format: a plain copy of memory in Mesa, far cheaper than drawing the same
// pixels again.
void copyPixels(unsigned from, unsigned to, int width, int height) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

// Rows read back from OpenGL at a time: a band of a 1920-wide picture is a
// quarter of a megabyte.
constexpr std::size_t kReadRows = 32;

// One row of RGBA pixels as RGB. Each pixel is copied as four bytes, the
// fourth overwritten by the next pixel: one load and one store a pixel.
void rgbaToRgb(const uint8_t* rgba, uint8_t* rgb, std::size_t pixels) {
    for (std::size_t x = 1; x < pixels; ++x, rgba += 4, rgb += 3) std::memcpy(rgb, rgba, 4);
    std::memcpy(rgb, rgba, 3);
}

base::Failure noRoom(int width, int height) {
    return {"cannot render a " + std::to_string(width) + " by " + std::to_string(height) +
            " picture: the driver has no room for it"};
}

}  // namespace

OffscreenGL::OffscreenGL() : api_(std::make_unique<Api>()) {}

base::Result<std::unique_ptr<OffscreenGL>> OffscreenGL::create() {
    // Mesa reads these when the display is initialised: the software
    // rasteriser everywhere, so that a picture is the same on every machine.
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    ::setenv("GALLIUM_DRIVER", "llvmpipe", 1);

    std::unique_ptr<OffscreenGL> gl(new OffscreenGL());
    Api& a = *gl->api_;
    if (base::Status started = startDisplay(a.display); !started)
        return base::Failure{started.error()};
    if (base::Status started = startContext(a.display, a.context); !started)
        return base::Failure{started.error()};

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
    if (framebuffer_ != 0) glBindFramebuffer(GL_FRAMEBUFFER, 0);
    deleteFramebuffer(framebuffer_, colour_);
    if (depthBuffer_ != 0) glDeleteRenderbuffers(1, &depthBuffer_);
    depthBuffer_ = 0;
    deleteFramebuffer(backdropFramebuffer_, backdropColour_);
    width_ = 0;
    height_ = 0;
}

base::Status OffscreenGL::begin(int width, int height) {
    if (width <= 0 || height <= 0 || width > maxSide_ || height > maxSide_)
        return base::Failure{"cannot render a " + std::to_string(width) + " by " +
                             std::to_string(height) + " picture: each side must be 1 to " +
                             std::to_string(maxSide_) + " pixels"};
    if (width != width_ || height != height_ || depth_ != (depthBuffer_ != 0)) {
        destroyFramebuffer();
        if (!makeFramebuffer(width, height, framebuffer_, colour_)) return noRoom(width, height);
        if (depth_ && !attachDepth(width, height, depthBuffer_)) {
            destroyFramebuffer();
            return noRoom(width, height);
        }
        width_ = width;
        height_ = height;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    if (depthBuffer_ != 0) {
        // What is drawn beneath the canvas clears it again itself.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else if (backdropFramebuffer_ != 0) {
        copyPixels(backdropFramebuffer_, framebuffer_, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    } else {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    return {};
}

base::Status OffscreenGL::keepBackdrop() {
    if (framebuffer_ == 0) return base::Failure{"nothing has been drawn"};
    if (backdropFramebuffer_ == 0 &&
        !makeFramebuffer(width_, height_, backdropFramebuffer_, backdropColour_))
        return noRoom(width_, height_);
    glDisable(GL_SCISSOR_TEST);
    copyPixels(framebuffer_, backdropFramebuffer_, width_, height_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    if (glGetError() != GL_NO_ERROR) {
        deleteFramebuffer(backdropFramebuffer_, backdropColour_);
        return base::Failure{"keeping the backdrop in OpenGL failed"};
    }
    return {};
}

base::Status OffscreenGL::read(canvas::Image& out) {
    if (framebuffer_ == 0) return base::Failure{"nothing has been drawn"};
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    // Every byte is written below: no need to clear a picture that already
    // has this size.
    out.width = width_;
    out.height = height_;
    out.rgb.resize(w * h * 3u);
    rgba_.resize(w * std::min(h, kReadRows) * 4u);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    // Into client memory, with no pack buffer bound, glReadPixels returns only
    // once every drawing command before it has finished.
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // A band of rows at a time, so that each band is still in the cache when
    // it is converted.
    for (std::size_t y = 0; y < h; y += kReadRows) {
        const std::size_t rows = std::min(kReadRows, h - y);
        glReadPixels(0, static_cast<GLint>(y), width_, static_cast<GLsizei>(rows), GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba_.data());
        if (glGetError() != GL_NO_ERROR)
            return base::Failure{"reading the picture back from OpenGL failed"};
        // OpenGL's rows run bottom to top; pictures run top to bottom.
        for (std::size_t row = 0; row < rows; ++row)
            rgbaToRgb(rgba_.data() + row * w * 4u, out.rgb.data() + (h - 1u - y - row) * w * 3u, w);
    }
    return {};
}

}  // namespace picture
