#include "render/gl/GlContext.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/ObserverMath.h"

namespace velmora {

Vec3 EyeReferencePoint;

void GlContext::Init(GlSurface* s) {
  surface = s;
  observer = ObserverPose{};
}

void GlContext::Resize(int w, int h) {
  width = w;
  height = h;
  // A resize before the context exists leaves OpenGL alone; the next one applies it all.
  if (surface == nullptr || !surface->MakeCurrent()) return;
  glShadeModel(GL_SMOOTH);
  glClearColor(clearRed, clearGreen, clearBlue, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, AspectRatio(width, height), 1.0, 5000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  surface->DoneCurrent();
}

void GlContext::SetClearColor(float red, float green, float blue) {
  clearRed = red;
  clearGreen = green;
  clearBlue = blue;
}

bool GlContext::BeginFrame() {
  if (surface == nullptr || !surface->MakeCurrent()) return false;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslated(0, 0, -observer.distance);
  glRotated(observer.angleZ, 0, 0, 1);
  glRotated(observer.angleX, 1, 0, 0);
  glRotated(observer.angleY, 0, 1, 0);
  glTranslated(observer.offsetX, observer.offsetY, observer.offsetZ);
  EyeReferencePoint = ComputeEyeReferencePoint(observer.distance, observer.angleX, observer.angleY);
  glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
  return true;
}

void GlContext::EndFrame() {
  surface->SwapBuffers();
  surface->DoneCurrent();
}

}  // namespace velmora
