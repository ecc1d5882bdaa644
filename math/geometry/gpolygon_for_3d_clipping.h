//===- gpolygon_for_3d_clipping.h - Polygons and point sets clipped -*- C++ -*-===//
//
// GPolygonFor3DClipping is a collection of vertex records clipped by
// half-spaces and volumes, either as an ordered convex polygon (the polygon
// flag set) or as an unordered point set whose clipped convex hull it keeps
// (every hull vertex, in general with more points). A vertex record of this
// class is a bare Vector3D; Vertex8DCollection carries more values per
// vertex. Derived classes say through get_vector, create_vertex_at_pos,
// create_vertex and freeItem what their records are.
//
// Faces of a GBox as put_box_face lists them: 1: 4 5 6 7, 2: 4 5 1 0,
// 3: 6 7 3 2, 4: 5 6 2 1, 5: 4 7 3 0, any other: 0 1 2 3.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_GEOMETRY_GPOLYGON_FOR_3D_CLIPPING_H
#define VYX_GEOMETRY_GPOLYGON_FOR_3D_CLIPPING_H

#include "containers/collection.h"
#include "geometry/gbox.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

class GClippingHalfSpace;
class GClippingVolume;

/// A convex polygon or a point set to be clipped.
class VYX_MATH_API GPolygonFor3DClipping : public GCollection {
public:
  /// Empty: capacity 10, growth step 10, owning, a polygon.
  GPolygonFor3DClipping();
  GPolygonFor3DClipping(long capacity, long step, unsigned char owning, unsigned char polygon);
  /// Destroys the vertex records it owns.
  ~GPolygonFor3DClipping() override;

  bool isPolygon() const { return Polygon; }
  void isPolygon(bool polygon) { Polygon = polygon; }

  /// (i + 1) mod count.
  long next_vertex_index(long i) const { return (i + 1) % getCount(); }
  /// The position of vertex i.
  Vector3D position(long i) const { return get_vector(at(i)); }

  /// Appends a vertex record at a vertex of the box.
  void put_box_vertex(const GBox &box, GBox::Vertex v);
  /// Appends the eight vertices 0 to 7.
  void put_box(const GBox &box);
  /// Appends the four vertices of a face (see the file comment).
  void put_box_face(const GBox &box, int face);

  /// The average of the positions, also stored as the mass center; (0, 0,
  /// 0) without vertices.
  Vector3D massCenter();
  const Vector3D &getMassCenter() const { return MassCenter; }
  /// The angle of vertex i around the mass center, from 0 at vertex 0 up to
  /// 2π, turning towards vertex 1.
  float angleAt(int i) const;
  /// Orders a polygon of more than 3 vertices by angleAt around its mass
  /// center (the angles of the order before the sort).
  void sort();

  /// As a polygon (clipByHalfSpaceAs2D) or as a point set
  /// (clipByHalfSpaceAs3D); returns the new vertex count.
  int clipByHalfSpace(const GClippingHalfSpace &h);
  /// sort() when there are more than 3 vertices, then
  /// clipByHalfSpaceAsPolygon.
  int clipByHalfSpaceAs2D(const GClippingHalfSpace &h);
  /// Clips the vertices in their cyclic order (Sutherland-Hodgman step).
  int clipByHalfSpaceAsPolygon(const GClippingHalfSpace &h);
  /// Keeps the inside points and adds, for every pair of an inside and an
  /// outside point, the point where the segment between them crosses the
  /// plane. When there are more than 16 such points, only the corners of
  /// their convex hull are added (the rest lie inside the clipped hull), so
  /// that the set stays bounded however many planes clip it.
  int clipByHalfSpaceAs3D(const GClippingHalfSpace &h);
  /// clipByHalfSpace with each half-space from the first to the last
  /// (stopping when nothing is left), then sort(); returns the count.
  int clipByVolume(const GClippingVolume &v);
  /// clipByHalfSpaceAsPolygon with each half-space from the last to the
  /// first, stopping when nothing is left; returns the count.
  int clipByVolumeAsPolygon(const GClippingVolume &v);

protected:
  /// The position of a vertex record.
  virtual Vector3D get_vector(const void *vertex) const;
  /// A new vertex record at a position.
  virtual void *create_vertex_at_pos(const Vector3D &p);
  /// A new vertex record between items i and j at parameter t.
  virtual void *create_vertex(long i, long j, double t);
  void freeItem(void *p) override;

  /// The crossing parameter of the segment from vertex i to vertex j with
  /// the plane of h (0 when the segment does not cross it).
  double crossing(const GClippingHalfSpace &h, long i, long j) const;
  /// Replaces the items by the n records of `kept` (in order), destroying
  /// the items marked in `dropped` when owning.
  void replaceItems(const unsigned char *dropped, void *const *kept, long n);

private:
  bool Polygon = true;
  Vector3D MassCenter;
};

#endif // VYX_GEOMETRY_GPOLYGON_FOR_3D_CLIPPING_H
