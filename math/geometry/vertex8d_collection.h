//===- vertex8d_collection.h - Clipped vertices with eight values -*- C++ -*-===//
//
// Vertex8D is a clipping vertex that carries eight doubles: a position, a
// second vector and a 2D vector (for example a normal and texture
// coordinates), all interpolated with the position when a vertex is made
// between two others. Vertex8DCollection is the GPolygonFor3DClipping whose
// vertex records are Vertex8D.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_GEOMETRY_VERTEX8D_COLLECTION_H
#define VYX_GEOMETRY_VERTEX8D_COLLECTION_H

#include "geometry/gbox.h"
#include "geometry/gpolygon_for_3d_clipping.h"
#include "linear/vector2d.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

/// A position, a second vector and a 2D vector.
class VYX_MATH_API Vertex8D {
public:
  /// Position (0, 0, 0), second vector (1, 0, 0), 2D vector (0, 0).
  Vertex8D() = default;
  Vertex8D(const Vector3D &position, const Vector3D &vector, const Vector2D &vector2)
      : Position(position), Vector(vector), Vector2(vector2) {}
  /// A box vertex with the default second and 2D vectors.
  Vertex8D(const GBox &box, GBox::Vertex v) : Position(box.get_vertex(v)) {}

  Vertex8D &operator+=(const Vertex8D &v);
  Vertex8D &operator/=(float s);

  bool operator==(const Vertex8D &v) const {
    return Position == v.Position && Vector == v.Vector && Vector2 == v.Vector2;
  }
  bool operator!=(const Vertex8D &v) const { return !(*this == v); }

  Vector3D Position;
  Vector3D Vector = Vector3D::gEx;
  Vector2D Vector2;
};

VYX_MATH_API Vertex8D operator+(const Vertex8D &a, const Vertex8D &b);
VYX_MATH_API Vertex8D operator-(const Vertex8D &a, const Vertex8D &b);
VYX_MATH_API Vertex8D operator*(double s, const Vertex8D &v);
VYX_MATH_API Vertex8D operator*(const Vertex8D &v, double s);
VYX_MATH_API Vertex8D operator/(const Vertex8D &v, double s);

/// A polygon or point set of Vertex8D records.
class VYX_MATH_API Vertex8DCollection : public GPolygonFor3DClipping {
public:
  /// As the default polygon.
  Vertex8DCollection() = default;
  /// The eight box vertices as a point set (capacity 8, step 8, owning).
  explicit Vertex8DCollection(const GBox &box);
  /// The four vertices of a box face as a polygon (capacity 4, step 4,
  /// owning).
  Vertex8DCollection(const GBox &box, int face);
  /// n vertices from the three arrays; a null array gives the default value
  /// of its part.
  Vertex8DCollection(const Vector3D *positions, const Vector3D *vectors, const Vector2D *vectors2,
                     int n, unsigned char polygon);
  Vertex8DCollection(long capacity, long step, unsigned char owning, unsigned char polygon);
  /// Destroys the vertex records it owns.
  ~Vertex8DCollection() override;

  /// Appends v (taken over when owning); returns its index.
  long insert(Vertex8D *v) { return GCollection::insert(v); }
  Vertex8D &vertex(long i) const { return *static_cast<Vertex8D *>(at(i)); }
  /// The average of all eight values; the default vertex without vertices.
  /// The position is also stored as the mass center.
  Vertex8D massCenter();

protected:
  Vector3D get_vector(const void *vertex) const override;
  void *create_vertex_at_pos(const Vector3D &p) override;
  /// Item i + t (item j - item i) on all eight values.
  void *create_vertex(long i, long j, double t) override;
  void freeItem(void *p) override;
};

#endif // VYX_GEOMETRY_VERTEX8D_COLLECTION_H
