//===- camera_parameters_info.h - Compact centred camera records -*- C++ -*-===//
//
// CameraParameters_Info is the compact form of a camera whose window is
// centred on the line of sight: the window plane's origin (position), the
// viewing direction (the plane normal), up, the window height in world units
// and the vertical angle of view (0 for a parallel projection). A
// GViewportInfo is derived from it for a given pixel resolution (square
// pixels). It is also the oldest stored form of a ProjectorInfo.
//
// Stream form: position, direction, up as Vector3D, then height and angle as
// 32-bit floats; no version byte. The reader scales the position and the
// height (both lengths) by GSUSInfo::InputScale(); the direction, the up and
// the angle are not lengths.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CAMERA_CAMERA_PARAMETERS_INFO_H
#define VYX_CAMERA_CAMERA_PARAMETERS_INFO_H

#include "camera/gviewport_info.h"
#include "containers/point_rect.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

class opstream;
class ipstream;

/// A centred camera: position, direction, up, window height, angle of view.
class VYX_MATH_API CameraParameters_Info {
public:
  /// Position (0, 0, 0), direction (0, 0, 1), up (0, 1, 0), height 1,
  /// angle 0 (parallel).
  CameraParameters_Info() = default;
  CameraParameters_Info(const Vector3D &position, const Vector3D &direction, const Vector3D &up,
                        float height, float angle)
      : Position(position), Direction(direction), Up(up), Height(height), Angle(angle) {}

  /// (height / 2) / tan(angle / 2) for a perspective camera, else 0.
  double focus_distance() const;
  /// position - focus_distance() · direction: the eye point.
  Vector3D focus() const { return Position - Direction * focus_distance(); }
  /// The viewport of this camera at a resolution: the plane (position,
  /// direction, up), a window of height `height` centred on the position
  /// with the width of the resolution's aspect, the eye at the focus distance
  /// in perspective or at (0, 0, 1) in parallel projection.
  GViewportInfo convert_to_viewport_info(const GPoint &resolution) const;

  bool operator==(const CameraParameters_Info &c) const {
    return Position == c.Position && Direction == c.Direction && Up == c.Up && Height == c.Height &&
           Angle == c.Angle;
  }
  bool operator!=(const CameraParameters_Info &c) const { return !(*this == c); }

  Vector3D Position;
  Vector3D Direction = Vector3D::gEz;
  Vector3D Up = Vector3D::gEy;
  float Height = 1.0f;
  float Angle = 0.0f;
};

VYX_MATH_API opstream &operator<<(opstream &os, const CameraParameters_Info &c);
/// A short stream throws NonZeroPStreamState_Exception and leaves `c`
/// unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, CameraParameters_Info &c);

#endif // VYX_CAMERA_CAMERA_PARAMETERS_INFO_H
