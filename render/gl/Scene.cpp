#include "render/gl/Scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <limits>

#include "data/DataFiles.h"
#include "render/gl/Texture.h"

namespace velmora {
namespace {

Vec3 Minus(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(const Vec3& a) {
  return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
Vec3 Scaled(const Vec3& a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}

void PlaneVertex(float s, float t, const Vec3& p) {
  glTexCoord2f(s, t);
  glVertex3d(p.x, p.y, p.z);
}

}  // namespace

bool PlaneGeometry(const CameraModel& first, const CameraModel& second, float scale, Vec3& o,
                   Vec3& e, Vec3& h) {
  if (first.imagePointCount < 2 || second.imagePointCount < 2) return false;
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  Vec3 mid{nan, nan, nan};
  first.GetMidpoint(1, mid);  // untouched when the pair has no ray points
  const Vec3 a = Minus(first.cameraPosition, mid);
  const Vec3 b = Minus(second.cameraPosition, mid);
  const Vec3 d = Cross(Cross(b, a), a);  // in the plane, perpendicular to a
  const double la = Length(a), ld = Length(d);
  // Collinear points give d = 0 and a camera on the point gives a = 0: no plane to draw.
  if (!(la > 0) || !(ld > 0) || !std::isfinite(la) || !std::isfinite(ld)) return false;
  const double r = 100.0 / (scale != 0.0f ? scale : 1.0f);
  o = mid;
  e = Scaled(d, r / ld);
  h = Scaled(a, r / la);
  return true;
}

Scene::Scene(Workbench& workbench, SceneView first, SceneView second)
    : workbench(workbench), views{first, second} {}

Scene::~Scene() {
  if (!overlayLists_[0].HoldsLists() && !overlayLists_[1].HoldsLists()) return;
  if (listSurface_ == nullptr || !listSurface_->MakeCurrent()) return;  // gone with it
  for (OverlayCache& lists : overlayLists_) lists.Release();
  listSurface_->DoneCurrent();
}

void Scene::Draw() {
  if (!BeginFrame()) return;
  glScaled(scale, scale, scale);

  if (showAxes) {
    const float L = 256.0f / scale;
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(L, 0, 0);
    glColor3f(0, 1, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, L, 0);
    glColor3f(0, 0, 1);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, L);
    glEnd();
  }

  if (centreMode) {
    // Takes the current colour: blue right after the axes.
    glPushMatrix();
    glScaled(1.0 / scale, 1.0 / scale, 1.0 / scale);
    glTranslated(-observer.offsetX, -observer.offsetY, -observer.offsetZ);
    if (GLUquadric* quadric = gluNewQuadric()) {
      gluQuadricDrawStyle(quadric, GLU_LINE);
      gluSphere(quadric, 5.0, 20, 20);
      gluDeleteQuadric(quadric);
    }
    glPopMatrix();
  }

  if (showFstObject) DrawFaces(workbench.fstObject, alpha, true);

  // Lists of a context this scene no longer draws in are left to it.
  if (listSurface_ != surface)
    for (OverlayCache& lists : overlayLists_) lists.Forget();
  listSurface_ = surface;
  for (int i = 0; i < 2; ++i) {
    const SceneView& view = views[i];
    DrawOverlays(workbench.View(i), i, view.options != nullptr ? *view.options : ownOptions_[i],
                 workbench.PanTiltSphere(i), view.vectors, &panTiltTriangles_[i],
                 keepOverlayLists ? &overlayLists_[i] : nullptr);
  }

  if (drawMarks) drawMarks();
  if (showPlane) DrawPlane();

  if (const FstShape* sphere = workbench.mainSphere) {
    glPushMatrix();
    const double k = 0.5 / scale;  // the same size on screen at any scale
    glScaled(k, k, k);
    DrawColoured(*sphere, frontOnly, alpha, SphereTriangles(*sphere));
    glPopMatrix();
  }
  EndFrame();
}

FrameState Scene::Frame() const {
  FrameState state;
  state.observer = observer;
  DisplayOptions& d = state.display;
  d.axes = showAxes;
  d.fstObject = showFstObject;
  d.frontOnly = frontOnly;
  d.distanceMode = workbench.distanceMode;
  d.plane = showPlane;
  d.white = clearRed == BackgroundGrey(true);
  d.mainSphereSize = workbench.MainSphereVertexCount();
  d.alpha = alpha;
  d.scale = workbench.Second().GetScale();
  d.wireframe = wireframe;
  d.centreMode = centreMode;
  d.errorKind = workbench.GetErrorKind();
  for (int i = 0; i < 2; ++i)
    state.views[i] = views[i].options != nullptr ? *views[i].options : ownOptions_[i];
  return state;
}

bool Scene::SetFrame(const FrameState& state) {
  observer = state.observer;
  const DisplayOptions& d = state.display;
  SetShowAxes(d.axes);
  SetShowFstObject(d.fstObject);
  SetFrontOnly(d.frontOnly);
  SetAlpha(d.alpha);
  wireframe = d.wireframe;
  centreMode = d.centreMode;
  const float grey = BackgroundGrey(d.white);
  SetClearColor(grey, grey, grey);
  for (int i = 0; i < 2; ++i)
    if (views[i].options == nullptr) ownOptions_[i] = state.views[i];
  if (d.distanceMode != workbench.distanceMode) workbench.SetDistanceMode(d.distanceMode);
  workbench.SetErrorKind(d.errorKind);
  // The scene draws 0 at 1; the views keep the value as given, as the Scale box sends it.
  SetScale(d.scale);
  for (int i = 0; i < 2; ++i) workbench.View(i).SetScale(d.scale);
  SetShowPlane(d.plane);
  if (workbench.MainSphereVertexCount() == d.mainSphereSize) return true;
  const int row = SampleSphereWithVertexCount(d.mainSphereSize);
  const int position = row >= 0 ? workbench.LoadedPosition(row) : -1;
  workbench.SelectMainSphere(position, position >= 0);
  return position >= 0 || d.mainSphereSize == 0;
}

TriangleCache& Scene::SphereTriangles(const FstShape& sphere) {
  for (int k = 0; k < kSampleSphereCount; ++k)
    if (&sphere == &workbench.sampleSpheres[k]) return sphereTriangles_[k];
  return otherTriangles_;
}

void Scene::SetShowPlane(bool on) {
  showPlane = on;
  if (!on || planeTexture != -1 || loadingPlane_) return;
  loadingPlane_ = true;
  if (showWaitNotice) showWaitNotice(true);
  TextureSize size;
  LoadTexture(*this, planeTexture, size, FindDataFile("plane.png"));
  if (planeTexture == -1) planeTexture = -2;  // never tried again
  if (showWaitNotice) showWaitNotice(false);
  loadingPlane_ = false;
}

void Scene::DrawPlane() {
  Vec3 o, e, h;
  if (!PlaneGeometry(workbench.First(), workbench.Second(), scale, o, e, h)) return;
  const Vec3 pe{o.x + e.x, o.y + e.y, o.z + e.z}, me{o.x - e.x, o.y - e.y, o.z - e.z};
  const Vec3 ph{o.x + h.x, o.y + h.y, o.z + h.z}, mh{o.x - h.x, o.y - h.y, o.z - h.z};
  glColor4d(0.0, 0.0, 1.0, 0.3);
  glEnable(GL_TEXTURE_2D);
  // Without a texture (not loaded yet, or failed) the default texture is bound: it is
  // incomplete, so the plane shows plain translucent blue.
  glBindTexture(GL_TEXTURE_2D, planeTexture >= 0 ? static_cast<GLuint>(planeTexture) : 0);
  glBegin(GL_TRIANGLES);
  PlaneVertex(0, 0, pe);
  PlaneVertex(1, 0, ph);
  PlaneVertex(1, 1, me);
  PlaneVertex(1, 1, me);
  PlaneVertex(0, 1, mh);
  PlaneVertex(0, 0, pe);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

}  // namespace velmora
