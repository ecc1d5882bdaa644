//===- projector.cpp - The camera model -----------------------------------===//
//
// Stream form read here (operator>>):
//   byte           version (any value, skipped)
//   ProjectorInfo  see projector_info.cpp
//   record         the additional clipping volume, an embedded streamable
//                  (see gclipping_volume.cpp)
//   byte           cut-in-parallel-projection flag (non-zero: true)
// Everything is read into locals first; only a complete record reaches the
// projector, which then rebuilds all derived data through setProjectorInfo.
//
//===----------------------------------------------------------------------===//
#include "camera/projector.h"

#include "geometry/gpolygon_for_3d_clipping.h"
#include "math_module.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <cmath>

VYX_IMPLEMENT_CLASS(Projector, "Projector", &vyx::MathModuleHandle, GRTTIObject)

namespace {

/// The default of the cut-in-parallel-projection flag of new projectors.
bool DefaultCutInParallel = false;

/// The range of pixel coordinates getPixel returns.
constexpr double PixelMin = -1073741824.0;
constexpr double PixelMax = 1073741823.0;

int32_t ClampPixel(double v) {
  // A coordinate that is not a number fails both tests and takes the low
  // end, so that the conversion below is always defined.
  double clamped = v > PixelMax ? PixelMax : (v >= PixelMin ? v : PixelMin);
  return static_cast<int32_t>(clamped);
}

} // namespace

Projector::Projector() : CutInParallel(DefaultCutInParallel) {}

Projector::~Projector() = default;

bool Projector::CutInParallelProjection() { return DefaultCutInParallel; }

void Projector::CutInParallelProjection(bool cut) { DefaultCutInParallel = cut; }

void Projector::assignProjector(const Projector &p) {
  bool resolutionDiffers = p.getResolution() != getResolution();
  *this = p;
  viewport_location_changed();
  if (resolutionDiffers)
    resolution_changed();
  local_CS_changed();
}

void Projector::viewport_location_changed() {}

void Projector::local_CS_changed() {}

void Projector::resolution_changed() {}

//===----------------------------------------------------------------------===//
// Configuration and derived data
//===----------------------------------------------------------------------===//

void Projector::setViewportInfo(const GViewportInfo &info) {
  Info.setViewportInfo(info);
  rebuildViewport();
  rebuildProjection();
  viewport_location_changed();
}

void Projector::setProjectorInfo(const ProjectorInfo &info) {
  setViewportInfo(info);
  Info.setResolutionOrigin(info.getResolutionOrigin());
  set_resolution(info.getResolution(), false);
}

void Projector::set_resolution(const GPoint &resolution, bool force) {
  if (!force && resolution == getResolution())
    return;
  Info.setResolution(resolution);
  rebuildProjection();
  resolution_changed();
}

void Projector::setLocalCSTransform(const GTransformation &t) {
  LocalToWorld = t;
  LocalToViewport = WorldToViewport * LocalToWorld;
  rebuildProjection();
  local_CS_changed();
}

void Projector::addLocalCSTransform(const GTransformation &t) {
  LocalToWorld *= t;
  LocalToViewport *= t;
  ProjectingMatrix = ProjectingMatrix * t.toTransformedCS();
  ClippingVolume.inv_modify(t.toTransformedCS());
  local_CS_changed();
}

void Projector::additional_clipping(const GClippingVolume &v) {
  AdditionalClipping = v;
  rebuildClippingVolume();
}

void Projector::setCameraInfo(const CameraParameters_Info &ci) {
  setViewportInfo(ci.convert_to_viewport_info(getResolution()));
}

CameraParameters_Info Projector::getCameraInfo() const {
  const GViewportPlaneInfo &plane = Info.getViewportPlaneInfo();
  return CameraParameters_Info(plane.getPlaneOrigin(), plane.getPlaneNormal(), plane.getPlaneUp(),
                               static_cast<float>(Info.getViewportWindowInfo().getHeight()),
                               static_cast<float>(Info.getRasterAngle()));
}

void Projector::rebuildViewport() {
  const GViewportPlaneInfo &plane = Info.getViewportPlaneInfo();
  const GViewportWindowInfo &window = Info.getViewportWindowInfo();
  const Vector3D &o = plane.getPlaneOrigin();
  Matrix3D viewportToWorld = Matrix3D::hmtr(plane.getPlaneXort(), plane.getPlaneZort(), o);
  WorldToViewport = GTransformation(viewportToWorld.inversed());
  LocalToViewport = WorldToViewport * LocalToWorld;
  PlaneOffset = (o, plane.getPlaneNormal());
  WorldCenter = viewportToWorld * Vector3D(window.getLeft() + window.getWidth() / 2.0,
                                           window.getBottom() + window.getHeight() / 2.0, 0.0);
  WorldEye = viewportToWorld * Info.getEyePosition();
}

void Projector::rebuildProjection() {
  const GViewportWindowInfo &window = Info.getViewportWindowInfo();
  const Vector3D &e = Info.getEyePosition();
  const bool perspective = Info.isPerspective();
  const double w = window.getWidth(), h = window.getHeight();
  Matrix3D p = LocalToViewport.toTransformedCS();
  if (perspective)
    p = Matrix3D::shift(-e) * p;
  // The line of sight becomes the z axis.
  Vector3D look = Info.getLookDirection();
  Matrix3D shear(1, 0, -look.x / look.z, 0, //
                 0, 1, -look.y / look.z, 0, //
                 0, 0, 1, 0,                //
                 0, 0, 0, 1);
  p = shear * p;
  if (perspective) {
    // The window plane back at z = 0, the eye at z = e.z and then at
    // infinity: the weight is 1 - z / e.z.
    p = Matrix3D::shift(Vector3D(0, 0, e.z)) * p;
    p = Matrix3D::perspective(0, 0, e.z) * p;
  }
  Vector2D c = window.getCenter();
  Vector3D t =
      perspective ? Vector3D(w / 2.0, -h / 2.0, 0) : Vector3D(w / 2.0 - c.x, -h / 2.0 - c.y, 0);
  // In doubles: a stored resolution may be any 32-bit value, -2^31 too.
  const double resX = getResolution().x, resY = getResolution().y;
  p = Matrix3D::scale(resX / w, -resY / h, 1) * Matrix3D::shift(t) * p;
  ProjectingMatrix = p;
  rebuildClippingVolume();
}

void Projector::rebuildClippingVolume() {
  const GViewportPlaneInfo &plane = Info.getViewportPlaneInfo();
  const GViewportWindowInfo &window = Info.getViewportWindowInfo();
  const Vector3D &n = plane.getPlaneNormal();
  const Vector3D x = plane.getPlaneXort(), &y = plane.getPlaneUp();
  const Vector3D a = windowToWorld(window.getLeft(), window.getBottom());
  const Vector3D b = windowToWorld(window.getRight(), window.getTop());
  ClippingVolume.occupy_all();
  // A degenerate camera (an eye in the window plane, a window of no size)
  // gives planes without normal; they bound nothing and are left out, so
  // that the rebuild always completes.
  auto add = [this](const Vector3D &point, const Vector3D &normal) {
    if (normal.x != 0.0 || normal.y != 0.0 || normal.z != 0.0)
      ClippingVolume.add_halfspace(point, normal);
  };
  if (Info.isPerspective() || CutInParallel)
    add(a, n);
  if (Info.isPerspective()) {
    const Vector3D &eye = WorldEye;
    add(a, (a - eye) * y);
    add(b, -((b - eye) * y));
    add(b, (b - eye) * x);
    add(a, -((a - eye) * x));
  } else {
    Vector3D d = getWorldDir();
    add(a, d * y);
    add(b, -(d * y));
    add(b, d * x);
    add(a, -(d * x));
  }
  ClippingVolume &= AdditionalClipping;
  ClippingVolume.inv_modify(LocalToWorld.toTransformedCS());
}

Vector3D Projector::windowToWorld(double x, double y) const {
  const GViewportPlaneInfo &plane = Info.getViewportPlaneInfo();
  return plane.getPlaneOrigin() + plane.getPlaneXort() * x + plane.getPlaneUp() * y;
}

//===----------------------------------------------------------------------===//
// Coordinate conversions and the camera frame
//===----------------------------------------------------------------------===//

Vector3D Projector::pointFromLocalToWorld(const Vector3D &p) const {
  return LocalToWorld.pointToTransformedCS(p);
}
Vector3D Projector::dirFromLocalToWorld(const Vector3D &d) const {
  return LocalToWorld.dirToTransformedCS(d);
}
Vector3D Projector::normalFromLocalToWorld(const Vector3D &n) const {
  return LocalToWorld.normalToTransformedCS(n);
}
Vector3D Projector::pointFromWorldToLocal(const Vector3D &p) const {
  return LocalToWorld.pointToOriginalCS(p);
}
Vector3D Projector::dirFromWorldToLocal(const Vector3D &d) const {
  return LocalToWorld.dirToOriginalCS(d);
}
Vector3D Projector::normalFromWorldToLocal(const Vector3D &n) const {
  return LocalToWorld.normalToOriginalCS(n);
}
Vector3D Projector::pointFromWorldToViewport(const Vector3D &p) const {
  return WorldToViewport.pointToTransformedCS(p);
}
Vector3D Projector::dirFromWorldToViewport(const Vector3D &d) const {
  return WorldToViewport.dirToTransformedCS(d);
}
Vector3D Projector::normalFromWorldToViewport(const Vector3D &n) const {
  return WorldToViewport.normalToTransformedCS(n);
}
Vector3D Projector::pointFromViewportToWorld(const Vector3D &p) const {
  return WorldToViewport.pointToOriginalCS(p);
}
Vector3D Projector::dirFromViewportToWorld(const Vector3D &d) const {
  return WorldToViewport.dirToOriginalCS(d);
}
Vector3D Projector::normalFromViewportToWorld(const Vector3D &n) const {
  return WorldToViewport.normalToOriginalCS(n);
}
Vector3D Projector::pointFromLocalToViewport(const Vector3D &p) const {
  return LocalToViewport.pointToTransformedCS(p);
}
Vector3D Projector::dirFromLocalToViewport(const Vector3D &d) const {
  return LocalToViewport.dirToTransformedCS(d);
}
Vector3D Projector::normalFromLocalToViewport(const Vector3D &n) const {
  return LocalToViewport.normalToTransformedCS(n);
}
Vector3D Projector::pointFromViewportToLocal(const Vector3D &p) const {
  return LocalToViewport.pointToOriginalCS(p);
}
Vector3D Projector::dirFromViewportToLocal(const Vector3D &d) const {
  return LocalToViewport.dirToOriginalCS(d);
}
Vector3D Projector::normalFromViewportToLocal(const Vector3D &n) const {
  return LocalToViewport.normalToOriginalCS(n);
}

const Vector3D &Projector::getWorldOrigin() const {
  return Info.getViewportPlaneInfo().getPlaneOrigin();
}
const Vector3D &Projector::getWorldNormal() const {
  return Info.getViewportPlaneInfo().getPlaneNormal();
}
const Vector3D &Projector::getWorldUp() const { return Info.getViewportPlaneInfo().getPlaneUp(); }
Vector3D Projector::getWorldXort() const { return Info.getViewportPlaneInfo().getPlaneXort(); }
Vector3D Projector::getWorldDir() const { return (WorldCenter - WorldEye).normalized(); }

Vector3D Projector::getWorldLeftBottom() const {
  const GViewportWindowInfo &w = Info.getViewportWindowInfo();
  return windowToWorld(w.getLeft(), w.getBottom());
}
Vector3D Projector::getWorldRightBottom() const {
  const GViewportWindowInfo &w = Info.getViewportWindowInfo();
  return windowToWorld(w.getRight(), w.getBottom());
}
Vector3D Projector::getWorldRightTop() const {
  const GViewportWindowInfo &w = Info.getViewportWindowInfo();
  return windowToWorld(w.getRight(), w.getTop());
}
Vector3D Projector::getWorldLeftTop() const {
  const GViewportWindowInfo &w = Info.getViewportWindowInfo();
  return windowToWorld(w.getLeft(), w.getTop());
}

//===----------------------------------------------------------------------===//
// Projection
//===----------------------------------------------------------------------===//

Vector2D Projector::getPoint(const Vector3D &p) const {
  Vector3D q = ProjectingMatrix * p;
  return Vector2D(q.x, q.y);
}

GPoint Projector::getPixel(const Vector3D &p) const {
  Vector2D q = getPoint(p);
  return GPoint(ClampPixel(q.x), ClampPixel(q.y));
}

void Projector::Point(const Vector3D &p, long *x, long *y) const {
  GPoint q = getPixel(p);
  if (x)
    *x = q.x;
  if (y)
    *y = q.y;
}

double Projector::getDepth(const Vector3D &p) const {
  return getWorldDepth(pointFromLocalToWorld(p));
}

double Projector::getWorldDepth(const Vector3D &p) const {
  return (getWorldNormal(), p) - PlaneOffset;
}

DepthPoint Projector::getDepthPoint(const Vector3D &p) const {
  GPoint q = getPixel(p);
  return DepthPoint{q.x, q.y, static_cast<float>(getDepth(p))};
}

Vector3D Projector::pixelToViewport(long x, long y) const {
  const GViewportWindowInfo &w = Info.getViewportWindowInfo();
  const double resX = getResolution().x, resY = getResolution().y;
  return Vector3D(w.getLeft() + w.getWidth() * static_cast<double>(x) / resX,
                  w.getBottom() + w.getHeight() * (resY - static_cast<double>(y)) / resY, 0.0);
}

Vector3D Projector::pixelToWorld(long x, long y) const {
  return pointFromViewportToWorld(pixelToViewport(x, y));
}

Vector3D Projector::pixelToLocal(long x, long y) const {
  return pointFromViewportToLocal(pixelToViewport(x, y));
}

Vector3D Projector::fromWorldPointToEye(const Vector3D &p) const {
  if (Info.isPerspective())
    return (WorldEye - p).normalized();
  return -getWorldDir();
}

Vector3D Projector::fromLocalPointToEye(const Vector3D &p) const {
  if (Info.isPerspective())
    return (focusLocalPoint() - p).normalized();
  return -getDir();
}

Vector3D Projector::fromPixelToEye(long x, long y) const {
  return fromWorldPointToEye(pixelToWorld(x, y));
}

Vector3D Projector::fromZPixelToWorld(const GPoint &pixel, double z) const {
  Vector3D onPlane = pixelToWorld(pixel);
  Vector3D d = Info.isPerspective() ? onPlane - WorldEye : getWorldDir();
  d.normalize();
  // The cosine between the ray and the normal turns the depth into a
  // distance along the ray, for oblique parallel rays as for perspective.
  const Vector3D &n = getWorldNormal();
  double k = (d, n) / n.length();
  return onPlane + d * (z / k);
}

GRect Projector::onScreenRect(const GBox &box) const {
  int32_t minX = static_cast<int32_t>(PixelMax), minY = minX;
  int32_t maxX = static_cast<int32_t>(PixelMin), maxY = maxX;
  const Vector3D origin = getOrigin(), normal = getNormal();
  for (int i = 0; i < 12; ++i) {
    Vector3D p1, p2;
    box.edge(i, p1, p2);
    Vector3D along = p2 - p1;
    double h = (along, normal);
    double t = h != 0.0 ? ((origin - p1, normal)) / h : -1.0;
    if (h != 0.0 && t >= 0.0 && t <= 1.0) {
      // The end behind the window plane moves onto it. An edge that only
      // touches the plane with one end has no end behind it and stays whole.
      Vector3D crossing = p1 + along * t;
      if (getDepth(p1) < 0.0)
        p1 = crossing;
      else if (getDepth(p2) < 0.0)
        p2 = crossing;
    } else if (getDepth(p1) < 0.0) {
      continue;
    }
    for (const Vector3D &p : {p1, p2}) {
      GPoint q = getPixel(p);
      minX = std::min(minX, q.x);
      minY = std::min(minY, q.y);
      maxX = std::max(maxX, q.x);
      maxY = std::max(maxY, q.y);
    }
  }
  return GRect(minX, minY, maxX, maxY);
}

bool Projector::isBoxVisible(const GBox &box) const { return is_box_visible(box, nullptr); }

bool Projector::is_box_visible(const GBox &box, GPolygonFor3DClipping *faces) const {
  if (faces) {
    bool any = false;
    for (int f = 0; f < 6; ++f) {
      faces[f].empty();
      faces[f].put_box_face(box, f);
      any |= faces[f].clipByVolumeAsPolygon(ClippingVolume) > 0;
    }
    return any;
  }
  Vector3D c = box.getCenter();
  double s = ClippingVolume.distance(c);
  if (s >= 0.0)
    return true;
  // The sphere round the box: its radius is the farthest vertex, which in a
  // parallelepiped need not be the origin.
  double r = 0.0;
  for (int v = 0; v < 8; ++v)
    r = std::max(r, (box.get_vertex(GBox::Vertex(v)) - c).length());
  if (r < -s)
    return false;
  for (int f = 0; f < 6; ++f) {
    GPolygonFor3DClipping face(4, 4, 1, 1);
    face.put_box_face(box, f);
    if (face.clipByVolumeAsPolygon(ClippingVolume) > 0)
      return true;
  }
  return false;
}

//===----------------------------------------------------------------------===//
// Streams
//===----------------------------------------------------------------------===//

opstream &operator<<(opstream &os, const Projector &p) {
  os.writeByte(0);
  os << p.getProjectorInfo();
  os.writeStreamable(const_cast<GClippingVolume &>(p.additional_clipping()));
  os.writeByte(p.cut_in_parallel_projection() ? 1 : 0);
  return os;
}

ipstream &operator>>(ipstream &is, Projector &p) {
  is.readByte();
  ProjectorInfo info;
  is >> info;
  GClippingVolume clipping;
  is.readStreamable(clipping);
  unsigned char cut = is.readByte();
  vyx::ReadCheck(is);
  p.AdditionalClipping = clipping;
  p.CutInParallel = cut != 0;
  p.setProjectorInfo(info);
  return is;
}
