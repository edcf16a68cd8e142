#include "hostapp/picture/OffscreenGL.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace picture {

struct OffscreenGL::Api {
    void* library = nullptr;
    PFNEGLGETPROCADDRESSPROC getProcAddress = nullptr;
    PFNEGLGETERRORPROC getError = nullptr;
    PFNEGLINITIALIZEPROC initialize = nullptr;
    PFNEGLQUERYSTRINGPROC queryString = nullptr;
    PFNEGLBINDAPIPROC bindApi = nullptr;
    PFNEGLCHOOSECONFIGPROC chooseConfig = nullptr;
    PFNEGLCREATECONTEXTPROC createContext = nullptr;
    PFNEGLDESTROYCONTEXTPROC destroyContext = nullptr;
    PFNEGLMAKECURRENTPROC makeCurrent = nullptr;
    PFNEGLRELEASETHREADPROC releaseThread = nullptr;
    PFNEGLGETPLATFORMDISPLAYEXTPROC getPlatformDisplay = nullptr;

    PFNGLGETERRORPROC glGetError = nullptr;
    PFNGLGETSTRINGPROC glGetString = nullptr;
    PFNGLGETINTEGERVPROC glGetIntegerv = nullptr;
    PFNGLGENFRAMEBUFFERSPROC glGenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC glDeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC glBindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC glGenRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC glDeleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC glBindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC glRenderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC glFramebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC glCheckFramebufferStatus = nullptr;
    PFNGLVIEWPORTPROC glViewport = nullptr;
    PFNGLCLEARCOLORPROC glClearColor = nullptr;
    PFNGLCLEARPROC glClear = nullptr;
    PFNGLPIXELSTOREIPROC glPixelStorei = nullptr;
    PFNGLREADPIXELSPROC glReadPixels = nullptr;
    PFNGLFINISHPROC glFinish = nullptr;

    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

namespace {

template <typename F>
bool loadSymbol(void* library, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(library, name));
    return out != nullptr;
}

std::string eglErrorText(EGLint code) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%04x", static_cast<unsigned>(code));
    return buf;
}

}  // namespace

OffscreenGL::OffscreenGL() : api_(std::make_unique<Api>()) {}

std::unique_ptr<OffscreenGL> OffscreenGL::create(std::string& error) {
    // Mesa reads these when the display is initialised: the software
    // rasteriser everywhere, so that a picture is the same on every machine.
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    ::setenv("GALLIUM_DRIVER", "llvmpipe", 1);

    std::unique_ptr<OffscreenGL> gl(new OffscreenGL());
    Api& a = *gl->api_;
    a.library = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (a.library == nullptr) {
        error = std::string("cannot render pictures: EGL is not installed (") + dlerror() +
                "); install libegl1 and libgl1-mesa-dri";
        return nullptr;
    }
    bool ok = loadSymbol(a.library, "eglGetProcAddress", a.getProcAddress) &&
              loadSymbol(a.library, "eglGetError", a.getError) &&
              loadSymbol(a.library, "eglInitialize", a.initialize) &&
              loadSymbol(a.library, "eglQueryString", a.queryString) &&
              loadSymbol(a.library, "eglBindAPI", a.bindApi) &&
              loadSymbol(a.library, "eglChooseConfig", a.chooseConfig) &&
              loadSymbol(a.library, "eglCreateContext", a.createContext) &&
              loadSymbol(a.library, "eglDestroyContext", a.destroyContext) &&
              loadSymbol(a.library, "eglMakeCurrent", a.makeCurrent) &&
              loadSymbol(a.library, "eglReleaseThread", a.releaseThread);
    if (!ok) {
        error = "cannot render pictures: libEGL.so.1 lacks the EGL 1.4 functions";
        return nullptr;
    }
    const char* clientExtensions = a.queryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (clientExtensions == nullptr ||
        std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless") == nullptr) {
        error =
            "cannot render pictures: EGL has no Mesa surfaceless platform; install "
            "libegl-mesa0 and libgl1-mesa-dri";
        return nullptr;
    }
    a.getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        a.getProcAddress("eglGetPlatformDisplayEXT"));
    if (a.getPlatformDisplay != nullptr) {
        a.display =
            a.getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (a.display == EGL_NO_DISPLAY || a.initialize(a.display, &major, &minor) == EGL_FALSE) {
        error = "cannot render pictures: EGL could not start Mesa's software driver (error " +
                eglErrorText(a.getError()) + "); install libgl1-mesa-dri";
        a.display = EGL_NO_DISPLAY;
        return nullptr;
    }
    const char* displayExtensions = a.queryString(a.display, EGL_EXTENSIONS);
    if (displayExtensions == nullptr ||
        std::strstr(displayExtensions, "EGL_KHR_surfaceless_context") == nullptr ||
        a.bindApi(EGL_OPENGL_API) == EGL_FALSE) {
        error = "cannot render pictures: the EGL driver cannot draw OpenGL without a window";
        return nullptr;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (a.chooseConfig(a.display, configAttributes, &config, 1, &configCount) == EGL_FALSE ||
        configCount < 1) {
        config = nullptr;  // EGL_KHR_no_config_context: surfaceless needs none
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    a.context = a.createContext(a.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (a.context == EGL_NO_CONTEXT) {
        error = "cannot render pictures: no OpenGL 3.3 core context (EGL error " +
                eglErrorText(a.getError()) + ")";
        return nullptr;
    }
    if (a.makeCurrent(a.display, EGL_NO_SURFACE, EGL_NO_SURFACE, a.context) == EGL_FALSE) {
        error = "cannot render pictures: the OpenGL context cannot be made current (EGL error " +
                eglErrorText(a.getError()) + ")";
        return nullptr;
    }

    auto gl_ = [&a](const char* name) { return a.getProcAddress(name); };
    a.glGetError = reinterpret_cast<PFNGLGETERRORPROC>(gl_("glGetError"));
    a.glGetString = reinterpret_cast<PFNGLGETSTRINGPROC>(gl_("glGetString"));
    a.glGetIntegerv = reinterpret_cast<PFNGLGETINTEGERVPROC>(gl_("glGetIntegerv"));
    a.glGenFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(gl_("glGenFramebuffers"));
    a.glDeleteFramebuffers =
        reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(gl_("glDeleteFramebuffers"));
    a.glBindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(gl_("glBindFramebuffer"));
    a.glGenRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(gl_("glGenRenderbuffers"));
    a.glDeleteRenderbuffers =
        reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(gl_("glDeleteRenderbuffers"));
    a.glBindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(gl_("glBindRenderbuffer"));
    a.glRenderbufferStorage =
        reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(gl_("glRenderbufferStorage"));
    a.glFramebufferRenderbuffer =
        reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(gl_("glFramebufferRenderbuffer"));
    a.glCheckFramebufferStatus =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(gl_("glCheckFramebufferStatus"));
    a.glViewport = reinterpret_cast<PFNGLVIEWPORTPROC>(gl_("glViewport"));
    a.glClearColor = reinterpret_cast<PFNGLCLEARCOLORPROC>(gl_("glClearColor"));
    a.glClear = reinterpret_cast<PFNGLCLEARPROC>(gl_("glClear"));
    a.glPixelStorei = reinterpret_cast<PFNGLPIXELSTOREIPROC>(gl_("glPixelStorei"));
    a.glReadPixels = reinterpret_cast<PFNGLREADPIXELSPROC>(gl_("glReadPixels"));
    a.glFinish = reinterpret_cast<PFNGLFINISHPROC>(gl_("glFinish"));
    if (!a.glGetError || !a.glGetString || !a.glGetIntegerv || !a.glGenFramebuffers ||
        !a.glDeleteFramebuffers || !a.glBindFramebuffer || !a.glGenRenderbuffers ||
        !a.glDeleteRenderbuffers || !a.glBindRenderbuffer || !a.glRenderbufferStorage ||
        !a.glFramebufferRenderbuffer || !a.glCheckFramebufferStatus || !a.glViewport ||
        !a.glClearColor || !a.glClear || !a.glPixelStorei || !a.glReadPixels || !a.glFinish) {
        error = "cannot render pictures: the OpenGL driver lacks framebuffer objects";
        return nullptr;
    }
    const auto* renderer = reinterpret_cast<const char*>(a.glGetString(GL_RENDERER));
    gl->renderer_ = renderer != nullptr ? renderer : "";
    if (gl->renderer_.find("llvmpipe") == std::string::npos &&
        gl->renderer_.find("softpipe") == std::string::npos) {
        error = "cannot render pictures: EGL gave the driver \"" + gl->renderer_ +
                "\" instead of Mesa's software rasteriser; install libgl1-mesa-dri";
        return nullptr;
    }
    GLint renderbufferMax = 0;
    GLint viewportMax[2] = {0, 0};
    a.glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferMax);
    a.glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportMax);
    gl->maxSide_ = std::min({renderbufferMax, viewportMax[0], viewportMax[1]});
    return gl;
}

OffscreenGL::~OffscreenGL() {
    Api& a = *api_;
    if (a.context != EGL_NO_CONTEXT) {
        destroyFramebuffer();
        a.makeCurrent(a.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        a.destroyContext(a.display, a.context);
    }
    if (a.releaseThread != nullptr) a.releaseThread();
    // The display is not terminated and libEGL stays loaded: terminating
    // unloads Mesa's driver, which leaves a few of its allocations behind
    // with no owner (leak checkers report them), while the display costs
    // nothing once the context is gone. EGL displays are per process anyway:
    // a second renderer gets the same one back.
}

void OffscreenGL::destroyFramebuffer() {
    Api& a = *api_;
    if (framebuffer_ != 0) {
        a.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        a.glDeleteFramebuffers(1, &framebuffer_);
        a.glDeleteRenderbuffers(1, &colour_);
    }
    framebuffer_ = 0;
    colour_ = 0;
    width_ = 0;
    height_ = 0;
}

bool OffscreenGL::begin(int width, int height, std::string& error) {
    Api& a = *api_;
    if (width <= 0 || height <= 0 || width > maxSide_ || height > maxSide_) {
        error = "cannot render a " + std::to_string(width) + " by " + std::to_string(height) +
                " picture: each side must be 1 to " + std::to_string(maxSide_) + " pixels";
        return false;
    }
    if (width != width_ || height != height_) {
        destroyFramebuffer();
        a.glGetError();
        a.glGenFramebuffers(1, &framebuffer_);
        a.glGenRenderbuffers(1, &colour_);
        a.glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        a.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        a.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        a.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        if (a.glGetError() != GL_NO_ERROR ||
            a.glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            destroyFramebuffer();
            error = "cannot render a " + std::to_string(width) + " by " + std::to_string(height) +
                    " picture: the driver has no room for it";
            return false;
        }
        width_ = width;
        height_ = height;
    }
    a.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    a.glViewport(0, 0, width, height);
    a.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    a.glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

bool OffscreenGL::read(Image& out, std::string& error) {
    Api& a = *api_;
    if (framebuffer_ == 0) {
        error = "nothing has been drawn";
        return false;
    }
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    rgba_.resize(w * h * 4u);
    a.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    a.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    a.glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba_.data());
    if (a.glGetError() != GL_NO_ERROR) {
        error = "reading the picture back from OpenGL failed";
        return false;
    }
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
    return true;
}

}  // namespace picture
