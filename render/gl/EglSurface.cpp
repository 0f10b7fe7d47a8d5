#include "render/gl/EglSurface.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>
#include <vector>

namespace velmora {

namespace {

std::string EglErrorName(EGLint code) {
  switch (code) {
    case EGL_NOT_INITIALIZED:
      return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ALLOC:
      return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE:
      return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG:
      return "EGL_BAD_CONFIG";
    case EGL_BAD_DISPLAY:
      return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH:
      return "EGL_BAD_MATCH";
    case EGL_BAD_PARAMETER:
      return "EGL_BAD_PARAMETER";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(code));
      return text;
    }
  }
}

std::string Failed(const char* step) {
  return std::string(step) + " failed (" + EglErrorName(eglGetError()) + ")";
}

}  // namespace

EglSurface::~EglSurface() {
  if (display_ == nullptr) return;
  EGLDisplay display = display_;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (surface_ != nullptr) eglDestroySurface(display, surface_);
  if (context_ != nullptr) eglDestroyContext(display, context_);
  eglTerminate(display);
}

namespace {

// The display of Mesa's surfaceless platform, initialised, with OpenGL bound; none (and
// why) when EGL lacks that platform.
EGLDisplay SurfacelessDisplay(std::string& why) {
  // The client extensions tell whether the surfaceless platform exists at all; without
  // it eglGetPlatformDisplayEXT would fall back to whatever display the environment names.
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (clientExtensions == nullptr ||
      std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless") == nullptr) {
    why = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
    return EGL_NO_DISPLAY;
  }
  const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay == nullptr) {
    why = "EGL has no eglGetPlatformDisplayEXT";
    return EGL_NO_DISPLAY;
  }
  EGLDisplay display =
      getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) {
    why = Failed("eglGetPlatformDisplayEXT");
    return EGL_NO_DISPLAY;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) {
    why = Failed("eglInitialize");
    return EGL_NO_DISPLAY;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    why = Failed("eglBindAPI(EGL_OPENGL_API)");
    eglTerminate(display);
    return EGL_NO_DISPLAY;
  }
  return display;
}

// A configuration for an OpenGL pbuffer with 24-bit colour and depth; null when none.
EGLConfig PbufferConfig(EGLDisplay display) {
  const EGLint attributes[] = {EGL_SURFACE_TYPE,
                               EGL_PBUFFER_BIT,
                               EGL_RENDERABLE_TYPE,
                               EGL_OPENGL_BIT,
                               EGL_RED_SIZE,
                               8,
                               EGL_GREEN_SIZE,
                               8,
                               EGL_BLUE_SIZE,
                               8,
                               EGL_DEPTH_SIZE,
                               24,
                               EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return nullptr;
  return config;
}

// The scene draws with glBegin/glEnd: a core profile would draw nothing at all.
bool HasFixedFunction() {
  if (glGetError() != GL_NO_ERROR) return false;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return glGetError() == GL_NO_ERROR;
}

}  // namespace

bool EglSurface::Create(int width, int height, std::string& why) {
  width_ = width;
  height_ = height;
  EGLDisplay display = SurfacelessDisplay(why);
  if (display == EGL_NO_DISPLAY) return false;
  display_ = display;
  EGLConfig config = PbufferConfig(display);
  if (config == nullptr) {
    why = "no EGL configuration with an OpenGL pbuffer, 24-bit colour and depth";
    return false;
  }
  // No version asked for: Mesa then gives its highest compatibility profile, which keeps
  // the fixed-function calls the scene is drawn with.
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) {
    why = Failed("eglCreateContext");
    return false;
  }
  context_ = context;
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) {
    why = Failed("eglCreatePbufferSurface");
    return false;
  }
  surface_ = surface;
  if (!MakeCurrent()) {
    why = Failed("eglMakeCurrent");
    return false;
  }
  const bool fixedFunction = HasFixedFunction();
  DoneCurrent();
  if (!fixedFunction) why = "the OpenGL context has no fixed-function pipeline";
  return fixedFunction;
}

bool EglSurface::MakeCurrent() {
  if (display_ == nullptr || context_ == nullptr || surface_ == nullptr) return false;
  return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

void EglSurface::DoneCurrent() {
  if (display_ != nullptr) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void EglSurface::SwapBuffers() {
  glFinish();
}

FramePixels EglSurface::ReadPixels() {
  FramePixels pixels;
  if (!MakeCurrent()) return pixels;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  DoneCurrent();
  // OpenGL's rows run bottom up; the clear alpha of 0 does not belong in the picture.
  pixels.width = width_;
  pixels.height = height_;
  pixels.rgba.resize(rows.size());
  const std::size_t stride = static_cast<std::size_t>(width_) * 4;
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* line = pixels.rgba.data() + stride * y;
    std::memcpy(line, rows.data() + stride * static_cast<std::size_t>(height_ - 1 - y), stride);
    for (int x = 0; x < width_; ++x) line[4 * x + 3] = 255;
  }
  return pixels;
}

}  // namespace velmora
