//===- camera_parameters_info.cpp - Compact centred camera records --------===//
//
// Stream form read here:
//   Vector3D  position   (scaled by GSUSInfo::InputScale())
//   Vector3D  direction, up  (directions: not scaled, so that focus(), which
//             steps along the direction, moves with the unit like the rest)
//   float     height     (a length: scaled likewise)
//   float     angle      (radians, not scaled)
// The record is read into locals and taken over only when all of it arrived.
//
//===----------------------------------------------------------------------===//
#include "camera/camera_parameters_info.h"

#include "config/units.h"
#include "linear/vector_stream_impl.h"
#include "pstreams/pstream.h"

#include <cmath>

double CameraParameters_Info::focus_distance() const {
  if (Angle == 0.0f)
    return 0.0;
  return (static_cast<double>(Height) / 2.0) / std::tan(static_cast<double>(Angle) / 2.0);
}

GViewportInfo CameraParameters_Info::convert_to_viewport_info(const GPoint &resolution) const {
  GViewportInfo info;
  GViewportPlaneInfo plane;
  plane.setPlaneParameters(Position, Direction, Up);
  info.setViewportPlaneInfo(plane);
  double height = Height;
  double width = static_cast<double>(resolution.x) * height / static_cast<double>(resolution.y);
  info.setViewportWindowInfo(
      GViewportWindowInfo(Vector2D(-width / 2.0, -height / 2.0), Vector2D(width, height)));
  bool perspective = Angle != 0.0f;
  info.perspective(perspective);
  info.setEyePosition(perspective ? Vector3D(0, 0, focus_distance()) : Vector3D(0, 0, 1));
  return info;
}

opstream &operator<<(opstream &os, const CameraParameters_Info &c) {
  return os << c.Position << c.Direction << c.Up << c.Height << c.Angle;
}

ipstream &operator>>(ipstream &is, CameraParameters_Info &c) {
  CameraParameters_Info read;
  is >> read.Position;
  read.Direction = vyx::detail::ReadUnscaledVector3D(is);
  read.Up = vyx::detail::ReadUnscaledVector3D(is);
  is >> read.Height >> read.Angle;
  vyx::ReadCheck(is);
  read.Height = static_cast<float>(read.Height * GSUSInfo::InputScale());
  c = read;
  return is;
}
