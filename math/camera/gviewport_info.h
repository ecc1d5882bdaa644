//===- gviewport_info.h - Viewport plane, window and eye --------*- C++ -*-===//
//
// These value types say where a camera's image window lies in the world and
// how it is seen:
//   - GViewportPlaneInfo: the window plane, an origin o, a unit normal n (the
//     viewing direction) and a unit up vector u orthogonal to n. The
//     viewport frame is X = n × u (right), Y = u (up), Z = -n (towards the
//     viewer); window coordinates are measured along X and Y from o.
//   - GViewportWindowInfo: the window rectangle in window coordinates, a
//     left-bottom corner and a size.
//   - GViewportInfo: both, the eye position in viewport coordinates (its z
//     is the signed distance of the eye from the plane along Z) and the
//     perspective flag.
//
// Stream forms (each starts with a version byte 0 that readers skip):
//   plane:    origin, normal, up as Vector3D
//   window:   corner, size as Vector2D (the reader scales all four numbers
//             by GSUSInfo::InputScale())
//   viewport: plane, window, the perspective flag byte, the eye as Vector3D
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CAMERA_GVIEWPORT_INFO_H
#define VYX_CAMERA_GVIEWPORT_INFO_H

#include "linear/vector2d.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

class opstream;
class ipstream;

/// The plane of a viewport window.
class VYX_MATH_API GViewportPlaneInfo {
public:
  /// o = (0, 0, 0), n = (0, 0, 1), u = (0, 1, 0).
  GViewportPlaneInfo() = default;
  /// The default plane, then setPlaneParameters(origin, normal, up).
  GViewportPlaneInfo(const Vector3D &origin, const Vector3D &normal, const Vector3D &up);

  /// Stores the origin, the normalised normal and the part of `up`
  /// orthogonal to it, normalised. An up parallel to the normal (or a zero
  /// vector) changes nothing at all, the origin included.
  void setPlaneParameters(const Vector3D &origin, const Vector3D &normal, const Vector3D &up);
  /// setPlaneParameters keeping the origin.
  void setPlaneOrientation(const Vector3D &normal, const Vector3D &up);

  const Vector3D &getPlaneOrigin() const { return Origin; }
  const Vector3D &getPlaneNormal() const { return Normal; }
  const Vector3D &getPlaneUp() const { return Up; }
  /// n × u.
  Vector3D getPlaneXort() const { return Normal * Up; }
  const Vector3D &getPlaneYort() const { return Up; }
  /// -n.
  Vector3D getPlaneZort() const { return -Normal; }

  bool operator==(const GViewportPlaneInfo &p) const {
    return Origin == p.Origin && Normal == p.Normal && Up == p.Up;
  }
  bool operator!=(const GViewportPlaneInfo &p) const { return !(*this == p); }

private:
  friend VYX_MATH_API ipstream &operator>>(ipstream &is, GViewportPlaneInfo &p);

  Vector3D Origin;
  Vector3D Normal = Vector3D::gEz;
  Vector3D Up = Vector3D::gEy;
};

/// The window rectangle in window coordinates.
class VYX_MATH_API GViewportWindowInfo {
public:
  /// Corner (0, 0), size (1, 1).
  GViewportWindowInfo() = default;
  GViewportWindowInfo(const Vector2D &leftBottom, const Vector2D &size)
      : LeftBottom(leftBottom), Size(size) {}

  const Vector2D &getLeftBottom() const { return LeftBottom; }
  const Vector2D &getSize() const { return Size; }
  double getLeft() const { return LeftBottom.x; }
  double getBottom() const { return LeftBottom.y; }
  double getRight() const { return LeftBottom.x + Size.x; }
  double getTop() const { return LeftBottom.y + Size.y; }
  double getWidth() const { return Size.x; }
  double getHeight() const { return Size.y; }
  Vector2D getLeftTop() const { return Vector2D(getLeft(), getTop()); }
  Vector2D getRightTop() const { return Vector2D(getRight(), getTop()); }
  Vector2D getRightBottom() const { return Vector2D(getRight(), getBottom()); }
  /// corner + size / 2.
  Vector2D getCenter() const { return LeftBottom + Size / 2.0; }

  /// Moves the corner keeping the right-top corner fixed.
  void setLeftBottom(const Vector2D &p);
  /// size = p - corner.
  void setRightTop(const Vector2D &p) { Size = p - LeftBottom; }
  void setSize(const Vector2D &s) { Size = s; }
  void setWidth(double w) { Size.x = w; }
  void setHeight(double h) { Size.y = h; }
  /// Moves the corner by v.
  GViewportWindowInfo &operator+=(const Vector2D &v) {
    LeftBottom += v;
    return *this;
  }

  bool operator==(const GViewportWindowInfo &w) const {
    return LeftBottom == w.LeftBottom && Size == w.Size;
  }
  bool operator!=(const GViewportWindowInfo &w) const { return !(*this == w); }

private:
  Vector2D LeftBottom;
  Vector2D Size = Vector2D(1, 1);
};

/// A window plane, a window in it, an eye and the kind of projection.
class VYX_MATH_API GViewportInfo {
public:
  /// Default plane and window, eye (0, 0, -1), parallel.
  GViewportInfo() = default;
  /// The eye at (0, 0, -d).
  GViewportInfo(const GViewportPlaneInfo &plane, const GViewportWindowInfo &window,
                unsigned char perspective, float d)
      : Plane(plane), Window(window), Eye(0, 0, -static_cast<double>(d)), Perspective(perspective) {
  }

  const GViewportPlaneInfo &getViewportPlaneInfo() const { return Plane; }
  const GViewportWindowInfo &getViewportWindowInfo() const { return Window; }
  void setViewportPlaneInfo(const GViewportPlaneInfo &p) { Plane = p; }
  void setViewportWindowInfo(const GViewportWindowInfo &w) { Window = w; }
  const Vector3D &getEyePosition() const { return Eye; }
  void setEyePosition(const Vector3D &e) { Eye = e; }
  bool isPerspective() const { return Perspective != 0; }
  void perspective(bool on) { Perspective = on ? 1 : 0; }

  /// The line of sight from the eye through the window centre, in viewport
  /// coordinates.
  Vector3D getLookDirection() const;
  /// |e.z| in perspective, else 0.
  double focus_distance() const;
  /// The vertical angle of view in perspective, else 0.
  double getRasterAngle() const;

  bool operator==(const GViewportInfo &v) const {
    return Plane == v.Plane && Window == v.Window && Eye == v.Eye && Perspective == v.Perspective;
  }
  bool operator!=(const GViewportInfo &v) const { return !(*this == v); }

private:
  GViewportPlaneInfo Plane;
  GViewportWindowInfo Window;
  Vector3D Eye = Vector3D(0, 0, -1);
  unsigned char Perspective = 0;
};

VYX_MATH_API opstream &operator<<(opstream &os, const GViewportPlaneInfo &p);
/// Normalises the normal and the up vector read and makes the up orthogonal
/// to the normal; a zero normal or an up along it is refused
/// (NonZeroPStreamState_Exception), leaving `p` unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, GViewportPlaneInfo &p);
VYX_MATH_API opstream &operator<<(opstream &os, const GViewportWindowInfo &w);
VYX_MATH_API ipstream &operator>>(ipstream &is, GViewportWindowInfo &w);
VYX_MATH_API opstream &operator<<(opstream &os, const GViewportInfo &v);
VYX_MATH_API ipstream &operator>>(ipstream &is, GViewportInfo &v);

#endif // VYX_CAMERA_GVIEWPORT_INFO_H
