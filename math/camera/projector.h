//===- projector.h - The camera model ---------------------------*- C++ -*-===//
//
// Projector is a pinhole (or parallel) camera: an image window in a plane of
// the world, an eye relative to that window (the line of sight from the eye
// through the window centre need not be orthogonal to the plane) and a pixel
// resolution. It maps points between four coordinate systems:
//   - world: the scene's coordinates;
//   - local: those of the object being handled, related to the world by the
//     local-to-world transformation (identity by default);
//   - viewport: X right, Y up, Z towards the viewer, origin at the window
//     plane's origin (see gviewport_info.h);
//   - pixel: x right from the window's left edge, y down from its top edge.
// It computes depths (signed distances beyond the window plane), builds the
// view frustum as a clipping volume in local coordinates and answers which
// boxes are visible. Every setter rebuilds all derived data before it
// returns and then calls the matching notification hook, which derived
// cameras override.
//
// Stream form (operators, the class itself is not streamable): byte 0, the
// ProjectorInfo, the additional clipping volume as an embedded streamable
// record, the cut-in-parallel-projection flag as one byte.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CAMERA_PROJECTOR_H
#define VYX_CAMERA_PROJECTOR_H

#include "camera/camera_parameters_info.h"
#include "camera/gtransformation.h"
#include "camera/projector_info.h"
#include "containers/point_rect.h"
#include "geometry/gbox.h"
#include "geometry/gclipping_volume.h"
#include "linear/matrix3d.h"
#include "linear/vector2d.h"
#include "linear/vector3d.h"
#include "object_model/rtti_object.h"
#include "vyx_math_export.h"

#include <cstdint>

class GPolygonFor3DClipping;
class opstream;
class ipstream;

/// A pixel and the depth of the point that projects onto it.
struct DepthPoint {
  int32_t x = 0;
  int32_t y = 0;
  float depth = 0.0f;
};

/// The camera model. Registered as "Projector".
class VYX_MATH_API Projector : public GRTTIObject {
  VYX_DECLARE_CLASS(Projector);

  /// Resolution 2 x 2, every transformation the identity, plane offset 1,
  /// world centre (0, 0, 0), world eye (0, 0, -1), empty volumes. Call
  /// setViewportInfo or setProjectorInfo before use.
  Projector();
  /// Copies every field; no hook is called.
  Projector(const Projector &p) = default;
  Projector &operator=(const Projector &p) = default;
  ~Projector() override;

  /// Copies every field, then calls viewport_location_changed(),
  /// resolution_changed() when the resolution differed, and
  /// local_CS_changed().
  virtual void assignProjector(const Projector &p);

  // Configuration.
  const ProjectorInfo &getProjectorInfo() const { return Info; }
  const GViewportInfo &getViewportInfo() const { return Info; }
  const GPoint &getResolution() const { return Info.getResolution(); }
  void setViewportInfo(const GViewportInfo &info);
  /// setViewportInfo, the resolution origin, then set_resolution(..., false).
  void setProjectorInfo(const ProjectorInfo &info);
  /// Stores a new (or, with force, any) resolution, rebuilds the projecting
  /// matrix and the clipping volume and calls resolution_changed().
  void set_resolution(const GPoint &resolution, bool force = false);
  void setLocalCSTransform(const GTransformation &t);
  void setLocalCSMatrix(const Matrix3D &m) { setLocalCSTransform(GTransformation(m)); }
  /// Applies t before the present local-to-world transformation.
  void addLocalCSTransform(const GTransformation &t);
  void addLocalCSMatrix(const Matrix3D &m) { addLocalCSTransform(GTransformation(m)); }
  /// The user's clipping (world coordinates), intersected with the frustum.
  void additional_clipping(const GClippingVolume &v);
  const GClippingVolume &additional_clipping() const { return AdditionalClipping; }
  /// Whether a parallel projection is cut by the window plane (effective at
  /// the next rebuild).
  void cut_in_parallel_projection(bool cut) { CutInParallel = cut; }
  bool cut_in_parallel_projection() const { return CutInParallel; }
  /// The default of cut_in_parallel_projection for new projectors.
  static bool CutInParallelProjection();
  static void CutInParallelProjection(bool cut);
  /// setViewportInfo(ci.convert_to_viewport_info(current resolution)).
  void setCameraInfo(const CameraParameters_Info &ci);
  /// Plane, window height and angle of view (offsets are not represented).
  CameraParameters_Info getCameraInfo() const;

  // Derived data.
  const GTransformation &fromLocalToWorld() const { return LocalToWorld; }
  const GTransformation &fromWorldToViewport() const { return WorldToViewport; }
  const GTransformation &fromLocalToViewport() const { return LocalToViewport; }
  /// Local coordinates to pixel coordinates (z: depth-like, unscaled).
  const Matrix3D &getProjector() const { return ProjectingMatrix; }
  /// The view frustum in local coordinates.
  const GClippingVolume &clipping_volume() const { return ClippingVolume; }
  double getPlaneOffset() const { return PlaneOffset; }

  // Coordinate conversions.
  Vector3D pointFromLocalToWorld(const Vector3D &p) const;
  Vector3D dirFromLocalToWorld(const Vector3D &d) const;
  Vector3D normalFromLocalToWorld(const Vector3D &n) const;
  Vector3D pointFromWorldToLocal(const Vector3D &p) const;
  Vector3D dirFromWorldToLocal(const Vector3D &d) const;
  Vector3D normalFromWorldToLocal(const Vector3D &n) const;
  Vector3D pointFromWorldToViewport(const Vector3D &p) const;
  Vector3D dirFromWorldToViewport(const Vector3D &d) const;
  Vector3D normalFromWorldToViewport(const Vector3D &n) const;
  Vector3D pointFromViewportToWorld(const Vector3D &p) const;
  Vector3D dirFromViewportToWorld(const Vector3D &d) const;
  Vector3D normalFromViewportToWorld(const Vector3D &n) const;
  Vector3D pointFromLocalToViewport(const Vector3D &p) const;
  Vector3D dirFromLocalToViewport(const Vector3D &d) const;
  Vector3D normalFromLocalToViewport(const Vector3D &n) const;
  Vector3D pointFromViewportToLocal(const Vector3D &p) const;
  Vector3D dirFromViewportToLocal(const Vector3D &d) const;
  Vector3D normalFromViewportToLocal(const Vector3D &n) const;
  Vector3D World(const Vector3D &p) const { return pointFromLocalToWorld(p); }
  Vector3D WorldToLocal(const Vector3D &p) const { return pointFromWorldToLocal(p); }
  Vector3D Screen(const Vector3D &p) const { return pointFromLocalToViewport(p); }
  Vector3D Local(const Vector3D &p) const { return pointFromViewportToLocal(p); }
  Vector3D ScreenToLocal(const Vector3D &p) const { return pointFromViewportToLocal(p); }

  // The camera frame in world coordinates.
  const Vector3D &getWorldOrigin() const;
  const Vector3D &getWorldNormal() const;
  const Vector3D &getWorldUp() const;
  const Vector3D &getWorldYort() const { return getWorldUp(); }
  Vector3D getWorldXort() const;
  Vector3D getWorldZort() const { return -getWorldNormal(); }
  /// The line of sight: normalised (world centre - world eye).
  Vector3D getWorldDir() const;
  const Vector3D &getWorldCenter() const { return WorldCenter; }
  const Vector3D &focusWorldPoint() const { return WorldEye; }
  const Vector3D &focus() const { return WorldEye; }
  Vector3D getWorldLeftBottom() const;
  Vector3D getWorldRightBottom() const;
  Vector3D getWorldRightTop() const;
  Vector3D getWorldLeftTop() const;

  // The same in local coordinates (getNormal transforms as a normal, the
  // other directions as directions).
  Vector3D getOrigin() const { return pointFromWorldToLocal(getWorldOrigin()); }
  Vector3D getNormal() const { return normalFromWorldToLocal(getWorldNormal()); }
  Vector3D getUp() const { return dirFromWorldToLocal(getWorldUp()); }
  Vector3D getXort() const { return dirFromWorldToLocal(getWorldXort()); }
  Vector3D getYort() const { return getUp(); }
  Vector3D getZort() const { return dirFromWorldToLocal(getWorldZort()); }
  Vector3D getCenter() const { return pointFromWorldToLocal(WorldCenter); }
  Vector3D getDir() const { return dirFromWorldToLocal(getWorldDir()).normalized(); }
  Vector3D focusLocalPoint() const { return pointFromWorldToLocal(WorldEye); }

  // Projection (p in local coordinates).
  /// (x, y) of the projecting matrix applied to p.
  Vector2D getPoint(const Vector3D &p) const;
  /// getPoint with each coordinate clamped to [-2^30, 2^30 - 1] and
  /// truncated towards zero (a coordinate that is not a number gives -2^30).
  GPoint getPixel(const Vector3D &p) const;
  GPoint Point(const Vector3D &p) const { return getPixel(p); }
  void Point(const Vector3D &p, long *x, long *y) const;
  /// Signed distance of p beyond the window plane along the viewing
  /// direction.
  double getDepth(const Vector3D &p) const;
  float GetDepth(const Vector3D &p) const { return static_cast<float>(getDepth(p)); }
  /// The same for a world point.
  double getWorldDepth(const Vector3D &p) const;
  DepthPoint getDepthPoint(const Vector3D &p) const;
  DepthPoint GetDepthPoint(const Vector3D &p) const { return getDepthPoint(p); }

  /// The corner of pixel (x, y) in the window plane, viewport coordinates.
  Vector3D pixelToViewport(long x, long y) const;
  Vector3D pixelToViewport(const GPoint &p) const { return pixelToViewport(p.x, p.y); }
  Vector3D Screen(long x, long y) const { return pixelToViewport(x, y); }
  Vector3D pixelToWorld(long x, long y) const;
  Vector3D pixelToWorld(const GPoint &p) const { return pixelToWorld(p.x, p.y); }
  Vector3D World(long x, long y) const { return pixelToWorld(x, y); }
  Vector3D pixelToLocal(long x, long y) const;
  Vector3D pixelToLocal(const GPoint &p) const { return pixelToLocal(p.x, p.y); }
  Vector3D Local(long x, long y) const { return pixelToLocal(x, y); }
  /// The unit direction from a world point towards the eye (parallel
  /// projection: against the line of sight).
  Vector3D fromWorldPointToEye(const Vector3D &p) const;
  Vector3D fromLocalPointToEye(const Vector3D &p) const;
  Vector3D ToEye(const Vector3D &p) const { return fromLocalPointToEye(p); }
  Vector3D fromPixelToEye(long x, long y) const;
  Vector3D fromPixelToEye(const GPoint &p) const { return fromPixelToEye(p.x, p.y); }
  Vector3D ToEye(long x, long y) const { return fromPixelToEye(x, y); }
  /// The world point on the ray of a pixel whose depth is z.
  Vector3D fromZPixelToWorld(const GPoint &pixel, double z) const;
  /// The pixel bounds of the part of the box not behind the window plane
  /// (a rectangle of negative size when nothing is in front).
  GRect onScreenRect(const GBox &box) const;
  /// Whether any part of the box (local coordinates) lies in the frustum.
  virtual bool isBoxVisible(const GBox &box) const;

protected:
  /// Hooks called after the matching change; empty here.
  virtual void viewport_location_changed();
  virtual void local_CS_changed();
  virtual void resolution_changed();
  /// isBoxVisible; with `faces` (an array of six polygons, emptied first)
  /// every face is clipped into it and the result says whether any kept a
  /// vertex.
  bool is_box_visible(const GBox &box, GPolygonFor3DClipping *faces) const;

private:
  friend VYX_MATH_API ipstream &operator>>(ipstream &is, Projector &p);

  /// Viewport transforms, plane offset, world centre and eye.
  void rebuildViewport();
  /// The projecting matrix, then the clipping volume.
  void rebuildProjection();
  void rebuildClippingVolume();
  /// Window coordinates to world.
  Vector3D windowToWorld(double x, double y) const;

  ProjectorInfo Info;
  GTransformation LocalToWorld;
  GTransformation WorldToViewport;
  GTransformation LocalToViewport;
  double PlaneOffset = 1.0;
  Vector3D WorldCenter;
  Vector3D WorldEye = Vector3D(0, 0, -1);
  Matrix3D ProjectingMatrix;
  GClippingVolume ClippingVolume;
  GClippingVolume AdditionalClipping;
  bool CutInParallel;
};

/// Byte 0, the ProjectorInfo, the additional clipping as an embedded record,
/// the cut flag byte.
VYX_MATH_API opstream &operator<<(opstream &os, const Projector &p);
/// Reads the same, then setProjectorInfo (all derived data is rebuilt and
/// the hooks are called). A failed read leaves the projector unchanged.
VYX_MATH_API ipstream &operator>>(ipstream &is, Projector &p);

#endif // VYX_CAMERA_PROJECTOR_H
