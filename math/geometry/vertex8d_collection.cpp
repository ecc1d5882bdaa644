//===- vertex8d_collection.cpp - Clipped vertices with eight values -------===//
#include "geometry/vertex8d_collection.h"

Vertex8D &Vertex8D::operator+=(const Vertex8D &v) {
  Position += v.Position;
  Vector += v.Vector;
  Vector2 += v.Vector2;
  return *this;
}

Vertex8D &Vertex8D::operator/=(float s) {
  Position /= s;
  Vector /= s;
  Vector2 /= s;
  return *this;
}

Vertex8D operator+(const Vertex8D &a, const Vertex8D &b) {
  return Vertex8D(a.Position + b.Position, a.Vector + b.Vector, a.Vector2 + b.Vector2);
}

Vertex8D operator-(const Vertex8D &a, const Vertex8D &b) {
  return Vertex8D(a.Position - b.Position, a.Vector - b.Vector, a.Vector2 - b.Vector2);
}

Vertex8D operator*(double s, const Vertex8D &v) {
  return Vertex8D(v.Position * s, v.Vector * s, v.Vector2 * s);
}

Vertex8D operator*(const Vertex8D &v, double s) { return s * v; }

Vertex8D operator/(const Vertex8D &v, double s) {
  return Vertex8D(v.Position / s, v.Vector / s, v.Vector2 / s);
}

Vertex8DCollection::Vertex8DCollection(const GBox &box) : GPolygonFor3DClipping(8, 8, 1, 0) {
  put_box(box);
}

Vertex8DCollection::Vertex8DCollection(const GBox &box, int face)
    : GPolygonFor3DClipping(4, 4, 1, 1) {
  put_box_face(box, face);
}

Vertex8DCollection::Vertex8DCollection(const Vector3D *positions, const Vector3D *vectors,
                                       const Vector2D *vectors2, int n, unsigned char polygon)
    : GPolygonFor3DClipping(n > 0 ? n : 0, n > 0 ? n : 10, 1, polygon) {
  for (int i = 0; i < n; ++i) {
    auto *v = new Vertex8D;
    if (positions)
      v->Position = positions[i];
    if (vectors)
      v->Vector = vectors[i];
    if (vectors2)
      v->Vector2 = vectors2[i];
    insert(v);
  }
}

Vertex8DCollection::Vertex8DCollection(long capacity, long step, unsigned char owning,
                                       unsigned char polygon)
    : GPolygonFor3DClipping(capacity, step, owning, polygon) {}

Vertex8DCollection::~Vertex8DCollection() {
  // Freed here, while freeItem still knows the records are Vertex8D.
  if (ownsItems())
    free_all();
}

Vertex8D Vertex8DCollection::massCenter() {
  long n = getCount();
  if (n == 0) {
    GPolygonFor3DClipping::massCenter();
    return Vertex8D();
  }
  Vertex8D sum{Vector3D(), Vector3D(), Vector2D()};
  for (long i = 0; i < n; ++i)
    sum += vertex(i);
  Vertex8D center = sum / static_cast<double>(n);
  GPolygonFor3DClipping::massCenter();
  return center;
}

Vector3D Vertex8DCollection::get_vector(const void *vertex) const {
  return static_cast<const Vertex8D *>(vertex)->Position;
}

void *Vertex8DCollection::create_vertex_at_pos(const Vector3D &p) {
  auto *v = new Vertex8D;
  v->Position = p;
  return v;
}

void *Vertex8DCollection::create_vertex(long i, long j, double t) {
  const Vertex8D &a = vertex(i);
  return new Vertex8D(a + t * (vertex(j) - a));
}

void Vertex8DCollection::freeItem(void *p) { delete static_cast<Vertex8D *>(p); }
