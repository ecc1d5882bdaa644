//===- gviewport_info.cpp - Viewport plane, window and eye ----------------===//
//
// Stream forms read here (every reader takes the record into locals and
// over only when all of it arrived and makes sense):
//   plane:    byte version (skipped); Vector3D origin (scaled), normal, up
//             The normal and up are directions: they are read unscaled and
//             normalised, and an up that leans on the normal
//             (|n · u| > 0.001) is replaced by its part orthogonal to n,
//             normalised. A zero normal or up, or an up along the normal,
//             cannot make a frame and is refused.
//   window:   byte version (skipped); Vector2D corner, size, all four numbers
//             multiplied by GSUSInfo::InputScale()
//   viewport: byte version (skipped); plane; window; byte perspective flag;
//             Vector3D eye (scaled)
//
//===----------------------------------------------------------------------===//
#include "camera/gviewport_info.h"

#include "config/units.h"
#include "linear/vector_stream_impl.h"
#include "pstreams/pstream.h"

#include <cmath>

namespace {

/// Up vectors leaning on the normal by more than this are straightened.
constexpr double UpLean = 0.001;

} // namespace

GViewportPlaneInfo::GViewportPlaneInfo(const Vector3D &origin, const Vector3D &normal,
                                       const Vector3D &up) {
  setPlaneParameters(origin, normal, up);
}

void GViewportPlaneInfo::setPlaneParameters(const Vector3D &origin, const Vector3D &normal,
                                            const Vector3D &up) {
  Vector3D n = normal.normalized();
  Vector3D m = -n;
  Vector3D u = up.normalized();
  Vector3D x = (u * m).normalized();
  if (x.length() < Vector3D::LengthTolerance)
    return;
  Origin = origin;
  Normal = n;
  Up = x * m;
  if ((Up, up) < 0.0)
    Up = -Up;
}

void GViewportPlaneInfo::setPlaneOrientation(const Vector3D &normal, const Vector3D &up) {
  setPlaneParameters(Origin, normal, up);
}

void GViewportWindowInfo::setLeftBottom(const Vector2D &p) {
  Vector2D rightTop = getRightTop();
  LeftBottom = p;
  Size = rightTop - p;
}

Vector3D GViewportInfo::getLookDirection() const {
  Vector2D c = Window.getCenter();
  return Vector3D(c.x - Eye.x, c.y - Eye.y, -Eye.z);
}

double GViewportInfo::focus_distance() const { return isPerspective() ? std::fabs(Eye.z) : 0.0; }

double GViewportInfo::getRasterAngle() const {
  if (!isPerspective())
    return 0.0;
  return 2.0 * std::atan((Window.getHeight() / 2.0) / focus_distance());
}

opstream &operator<<(opstream &os, const GViewportPlaneInfo &p) {
  os.writeByte(0);
  return os << p.getPlaneOrigin() << p.getPlaneNormal() << p.getPlaneUp();
}

ipstream &operator>>(ipstream &is, GViewportPlaneInfo &p) {
  is.readByte();
  Vector3D origin;
  is >> origin;
  Vector3D normal = vyx::detail::ReadUnscaledVector3D(is);
  Vector3D up = vyx::detail::ReadUnscaledVector3D(is);
  normal.normalize();
  up.normalize();
  if (std::fabs((normal, up)) > UpLean) {
    Vector3D w = normal * (normal * up);
    if ((w, up) < 0.0)
      w = -w;
    up = w.normalized();
  }
  vyx::ReadCheck(is, normal.length() != 0.0 && up.length() != 0.0);
  p.Origin = origin;
  p.Normal = normal;
  p.Up = up;
  return is;
}

opstream &operator<<(opstream &os, const GViewportWindowInfo &w) {
  os.writeByte(0);
  return os << w.getLeftBottom() << w.getSize();
}

ipstream &operator>>(ipstream &is, GViewportWindowInfo &w) {
  is.readByte();
  Vector2D corner, size;
  is >> corner >> size;
  vyx::ReadCheck(is);
  double scale = GSUSInfo::InputScale();
  w = GViewportWindowInfo(corner * scale, size * scale);
  return is;
}

opstream &operator<<(opstream &os, const GViewportInfo &v) {
  os.writeByte(0);
  os << v.getViewportPlaneInfo() << v.getViewportWindowInfo();
  os.writeByte(v.isPerspective() ? 1 : 0);
  return os << v.getEyePosition();
}

ipstream &operator>>(ipstream &is, GViewportInfo &v) {
  is.readByte();
  GViewportPlaneInfo plane;
  GViewportWindowInfo window;
  is >> plane >> window;
  unsigned char perspective = is.readByte();
  Vector3D eye;
  is >> eye;
  vyx::ReadCheck(is);
  v.setViewportPlaneInfo(plane);
  v.setViewportWindowInfo(window);
  v.perspective(perspective != 0);
  v.setEyePosition(eye);
  return is;
}
