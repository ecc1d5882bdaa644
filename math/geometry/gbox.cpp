//===- gbox.cpp - Oriented boxes ------------------------------------------===//
//
// Stream form read here:
//   byte      version (any value)
//   Vector3D  origin, X, Y, Z  (scaled by GSUSInfo::InputScale())
//   byte      only after a version-1 box, read and ignored
// The vectors are read into locals and taken over only when all arrived.
//
//===----------------------------------------------------------------------===//
#include "geometry/gbox.h"

#include "pstreams/pstream.h"

#include <algorithm>
#include <cmath>

namespace {

/// Tolerance of the face and ray tests.
constexpr double Tolerance = 1e-12;

/// Vertex numbers of the end points of the twelve edges.
constexpr int EdgeEnds[12][2] = {{0, 1}, {1, 2}, {0, 3}, {3, 2}, {4, 5}, {5, 6},
                                 {4, 7}, {7, 6}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

constexpr bool HasX(int i) { return i % 4 == 1 || i % 4 == 2; }
constexpr bool HasY(int i) { return i % 4 == 2 || i % 4 == 3; }
constexpr bool HasZ(int i) { return i >= 4; }

/// Where the line p + t d meets the face with corner c spanned by U and V
/// (W the third edge): false when it misses the face.
bool FaceHit(const Vector3D &c, const Vector3D &u, const Vector3D &v, const Vector3D &w,
             const Vector3D &p, const Vector3D &d, double &t) {
  double b = (d, w);
  if (std::fabs(b) < Tolerance)
    return false;
  Vector3D cp = c - p;
  double hit = (cp, w) / b;
  for (const Vector3D *e : {&u, &v}) {
    double sq = e->sqlength();
    if (sq < Tolerance)
      return false;
    double s = (((*e, d)) * hit - (*e, cp)) / sq;
    if (!(s >= 0.0 && s <= 1.0))
      return false;
  }
  t = hit;
  return true;
}

} // namespace

GBox::GBox(const Vector3D &origin, const Vector3D &x, const Vector3D &y, const Vector3D &z) {
  GBox::setAll(origin, x, y, z);
}

GBox::GBox(const GBasicBox &b) : Origin(b.origin()) {
  Vector3D s = b.size();
  X = Vector3D(s.x, 0, 0);
  Y = Vector3D(0, s.y, 0);
  Z = Vector3D(0, 0, s.z);
}

void GBox::setAll(const Vector3D &origin, const Vector3D &x, const Vector3D &y, const Vector3D &z) {
  Origin = origin;
  X = x;
  Y = y;
  if ((x * y, z) >= 0.0) {
    Z = z;
  } else {
    Z = -z;
    Origin += z;
  }
}

GBasicBox GBox::bounds() const {
  Vector3D low(GBasicBox::Huge, GBasicBox::Huge, GBasicBox::Huge);
  Vector3D high = -low;
  for (int i = 0; i < 8; ++i) {
    Vector3D v = get_vertex(Vertex(i));
    low = Vector3D(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
    high = Vector3D(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
  }
  return GBasicBox(low, high);
}

Vector3D GBox::get_vertex(Vertex v) const {
  int i = static_cast<int>(v);
  Vector3D p = Origin;
  if (HasX(i))
    p += X;
  if (HasY(i))
    p += Y;
  if (HasZ(i))
    p += Z;
  return p;
}

Vector3D GBox::get_local_vertex(Vertex v) const {
  int i = static_cast<int>(v);
  return Vector3D(HasX(i) ? X.length() : 0.0, HasY(i) ? Y.length() : 0.0,
                  HasZ(i) ? Z.length() : 0.0);
}

void GBox::edge(int i, Vector3D &a, Vector3D &b) const {
  if (i < 0 || i > 11)
    return;
  a = get_vertex(Vertex(EdgeEnds[i][0]));
  b = get_vertex(Vertex(EdgeEnds[i][1]));
}

void GBox::grow(const Vector3D &d) {
  X.grow(d.x);
  Y.grow(d.y);
  Z.grow(d.z);
}

void GBox::modify(const Matrix3D &m) {
  Vector3D o = m * Origin;
  X = m * (Origin + X) - o;
  Y = m * (Origin + Y) - o;
  Z = m * (Origin + Z) - o;
  Origin = o;
}

void GBox::rotate(const Vector3D &axis, double angle) { modify(Matrix3D::rot(axis, angle)); }

void GBox::rotate(const Vector3D &point, const Vector3D &axis, double angle) {
  modify(Matrix3D::rot(point, axis, angle));
}

void GBox::rotate_in_localCS(Vector3D point, Vector3D axis, double angle) {
  Matrix3D toWorld = to_model_matrix();
  Vector3D tip = toWorld * (point + axis);
  point = toWorld * point;
  rotate(point, tip - point, angle);
}

Matrix3D GBox::to_model_matrix() const {
  return Matrix3D::hmtr(X.normalized(), Z.normalized(), Origin);
}

Matrix3D GBox::to_local_matrix() const { return to_model_matrix().inversed(); }

Matrix3D GBox::to_box_matrix(const GBox &other) const {
  return other.to_local_matrix() * to_model_matrix();
}

bool GBox::contains(const Vector3D &p) const {
  // Inward face normals; a stored left-handed triple is turned round.
  Vector3D normals[3] = {Y * Z, Z * X, X * Y};
  if ((normals[0], X) < 0.0)
    for (Vector3D &n : normals)
      n = -n;
  Vector3D fromOrigin = p - Origin;
  Vector3D fromFar = p - get_vertex(V6);
  for (const Vector3D &n : normals)
    if (!((fromOrigin, n) >= 0.0 && (fromFar, n) <= 0.0))
      return false;
  return true;
}

bool GBox::intersect(const Vector3D &p, const Vector3D &d, double &t1, double &t2) const {
  struct Face {
    Vector3D corner;
    const Vector3D *u, *v, *w;
  };
  const Face faces[6] = {{Origin, &X, &Y, &Z}, {Origin + Z, &X, &Y, &Z},
                         {Origin, &Z, &Y, &X}, {Origin + X, &Z, &Y, &X},
                         {Origin, &X, &Z, &Y}, {Origin + Y, &X, &Z, &Y}};
  // A line through an edge or a vertex meets several faces at the same
  // point, so every face is tested and the extreme parameters are kept.
  bool found = false;
  double low = 0.0, high = 0.0;
  for (const Face &f : faces) {
    double t;
    if (!FaceHit(f.corner, *f.u, *f.v, *f.w, p, d, t))
      continue;
    if (!found) {
      low = high = t;
      found = true;
    } else {
      low = std::min(low, t);
      high = std::max(high, t);
    }
  }
  if (found) {
    t1 = low;
    t2 = high;
  }
  return found;
}

int GBox::intersect(const Vector3D &p, const Vector3D &d, Vector3D &first, Vector3D &second) const {
  double t1, t2;
  if (!intersect(p, d, t1, t2) || t2 < 0.0)
    return 0;
  if (t1 >= 0.0) {
    first = p + d * t1;
    second = p + d * t2;
    return 2;
  }
  first = p + d * t2;
  return 1;
}

bool GBox::intersect(const Vector3D &a, const Vector3D &b, Vector3D *hit) const {
  Vector3D first, second;
  if (intersect(a, b - a, first, second) == 0)
    return false;
  if (hit)
    *hit = first;
  return true;
}

bool GBox::intersect_through(const Vector3D &a, const Vector3D &b, Vector3D *hits) const {
  Vector3D first, second;
  int found = intersect(a, b - a, first, second);
  if (found == 0)
    return false;
  if (hits) {
    hits[0] = first;
    hits[1] = found == 2 ? second : Vector3D();
  }
  return true;
}

bool GBox::intersect_in_localCS(const Vector3D &a, const Vector3D &b, Vector3D *hit) const {
  Matrix3D toWorld = to_model_matrix();
  Vector3D found;
  if (!intersect(toWorld * a, toWorld * b, &found))
    return false;
  if (hit)
    *hit = toWorld.inversed() * found;
  return true;
}

bool GBox::intersect_in_localCS_through(const Vector3D &a, const Vector3D &b,
                                        Vector3D *hits) const {
  Matrix3D toWorld = to_model_matrix();
  Vector3D start = toWorld * a;
  Vector3D first, second;
  int found = intersect(start, toWorld * b - start, first, second);
  if (found == 0)
    return false;
  if (hits) {
    Matrix3D toLocal = toWorld.inversed();
    hits[0] = toLocal * first;
    hits[1] = found == 2 ? toLocal * second : Vector3D();
  }
  return true;
}

opstream &operator<<(opstream &os, const GBox &b) {
  os.writeByte(2);
  return os << b.getOrigin() << b.getX() << b.getY() << b.getZ();
}

ipstream &operator>>(ipstream &is, GBox &b) {
  unsigned char version = is.readByte();
  Vector3D origin, x, y, z;
  is >> origin >> x >> y >> z;
  if (version == 1)
    is.readByte();
  vyx::ReadCheck(is);
  // The edges are taken as stored: going through setAll could move the
  // origin and change what is written back.
  GBox read;
  read.Origin = origin;
  read.X = x;
  read.Y = y;
  read.Z = z;
  b = read;
  return is;
}
