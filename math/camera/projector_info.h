//===- projector_info.h - What a Projector is configured from ---*- C++ -*-===//
//
// ProjectorInfo is a GViewportInfo (at its start, so that it can be passed
// wherever one is expected) with the pixel resolution and the pixel origin
// of the image; together they read as a GRect.
//
// Stream form written: byte 3 (version), the GViewportInfo, the resolution
// rectangle as a GRect. Older versions are read too (see projector_info.cpp).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CAMERA_PROJECTOR_INFO_H
#define VYX_CAMERA_PROJECTOR_INFO_H

#include "camera/gviewport_info.h"
#include "containers/point_rect.h"
#include "vyx_math_export.h"

class opstream;
class ipstream;

/// A viewport with its pixel resolution.
class VYX_MATH_API ProjectorInfo : public GViewportInfo {
public:
  /// The default viewport, origin (0, 0), resolution (2, 2).
  ProjectorInfo() = default;
  ProjectorInfo(const GViewportInfo &viewport) : GViewportInfo(viewport) {}
  ProjectorInfo(const GViewportInfo &viewport, const GPoint &resolution)
      : GViewportInfo(viewport), Resolution(resolution) {}
  /// Origin and resolution from the rectangle's origin and size.
  ProjectorInfo(const GViewportInfo &viewport, const GRect &rect)
      : GViewportInfo(viewport), Origin(rect.left_top()), Resolution(rect.Size()) {}

  const GViewportInfo &getViewportInfo() const { return *this; }
  void setViewportInfo(const GViewportInfo &viewport) {
    static_cast<GViewportInfo &>(*this) = viewport;
  }
  const GPoint &getResolutionOrigin() const { return Origin; }
  void setResolutionOrigin(const GPoint &origin) { Origin = origin; }
  const GPoint &getResolution() const { return Resolution; }
  void setResolution(const GPoint &resolution) { Resolution = resolution; }
  int32_t getXResolution() const { return Resolution.x; }
  int32_t getYResolution() const { return Resolution.y; }
  /// Origin and resolution as one rectangle (origin and size).
  GRect getResolutionRect() const;
  void setResolutionRect(const GRect &rect) {
    Origin = rect.left_top();
    Resolution = rect.Size();
  }

  /// Window width / x resolution.
  double getPixelWidth() const { return getViewportWindowInfo().getWidth() / Resolution.x; }
  /// Window height / y resolution.
  double getPixelHeight() const { return getViewportWindowInfo().getHeight() / Resolution.y; }

  bool operator==(const ProjectorInfo &p) const {
    return GViewportInfo::operator==(p) && Origin == p.Origin && Resolution == p.Resolution;
  }
  bool operator!=(const ProjectorInfo &p) const { return !(*this == p); }

private:
  GPoint Origin;
  GPoint Resolution = GPoint(2, 2);
};

VYX_MATH_API opstream &operator<<(opstream &os, const ProjectorInfo &p);
/// Any version; a short stream throws NonZeroPStreamState_Exception and
/// leaves `p` unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, ProjectorInfo &p);

#endif // VYX_CAMERA_PROJECTOR_INFO_H
