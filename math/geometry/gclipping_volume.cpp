//===- gclipping_volume.cpp - Convex intersections of half-spaces ---------===//
//
// Stream form read here:
//   byte        version (any value, skipped)
//   collection  GCollection's body: count, limit, delta, owns byte, then
//               count half-spaces (see gclipping_half_space.cpp)
// GCollection::read appends the items as they arrive, so a hostile count
// allocates nothing ahead of the data; a failed item ends the read with
// NonZeroPStreamState_Exception and the half-spaces read so far stay owned.
//
//===----------------------------------------------------------------------===//
#include "geometry/gclipping_volume.h"

#include "geometry/gbasic_box.h"
#include "geometry/gbox.h"
#include "linear/matrix3d.h"
#include "math_module.h"
#include "pstreams/pstream.h"

#include <memory>
#include <ostream>

VYX_IMPLEMENT_CLASS(GClippingVolume, "GClippingVolume", &vyx::MathModuleHandle, GCollection)

GClippingVolume::GClippingVolume() = default;

GClippingVolume::GClippingVolume(const GClippingVolume &v) : GCollection() { *this &= v; }

GClippingVolume &GClippingVolume::operator=(const GClippingVolume &v) {
  if (this != &v) {
    occupy_all();
    *this &= v;
  }
  return *this;
}

GClippingVolume::~GClippingVolume() {
  ownsItems(1);
  free_all();
}

void GClippingVolume::add(GClippingHalfSpace *h) {
  if (h)
    insert(h);
}

void GClippingVolume::add_halfspace(const Vector3D &point, const Vector3D &normal) {
  add(new GClippingHalfSpace(point, normal));
}

void GClippingVolume::remove(long i) {
  if (i >= 0 && i < getCount())
    at_free(i);
}

GClippingVolume &GClippingVolume::operator&=(const GClippingVolume &v) {
  // Counted first: v may be this volume.
  long n = v.getCount();
  for (long i = 0; i < n; ++i)
    add(new GClippingHalfSpace(v.halfspace(i)));
  return *this;
}

GClippingVolume &GClippingVolume::operator&=(const GClippingHalfSpace &h) {
  add(new GClippingHalfSpace(h));
  return *this;
}

GClippingVolume &GClippingVolume::operator&=(const GBasicBox &b) {
  add_halfspace(b.origin(), Vector3D::gEx);
  add_halfspace(b.origin(), Vector3D::gEy);
  add_halfspace(b.origin(), Vector3D::gEz);
  add_halfspace(b.opposite(), -Vector3D::gEx);
  add_halfspace(b.opposite(), -Vector3D::gEy);
  add_halfspace(b.opposite(), -Vector3D::gEz);
  return *this;
}

GClippingVolume &GClippingVolume::operator&=(const GBox &b) {
  // The face opposite edge E is spanned by the other two edges; its inward
  // normal is their cross product, which is parallel to E in a rectangular
  // box and the true face normal in a parallelepiped.
  const Vector3D &x = b.getX(), &y = b.getY(), &z = b.getZ();
  Vector3D normals[3] = {y * z, z * x, x * y};
  if ((normals[0], x) < 0.0)
    for (Vector3D &n : normals)
      n = -n;
  for (const Vector3D &n : normals)
    add_halfspace(b.getOrigin(), n);
  Vector3D far = b.get_vertex(GBox::V6);
  for (const Vector3D &n : normals)
    add_halfspace(far, -n);
  return *this;
}

bool GClippingVolume::contains(const Vector3D &p) const {
  for (long i = getCount() - 1; i >= 0; --i)
    if (!at_(i).contains(p))
      return false;
  return true;
}

double GClippingVolume::distance(const Vector3D &p) const {
  long n = getCount();
  if (n == 0)
    return GBasicBox::Huge;
  double closestOutside = 0.0, smallestInside = 0.0;
  bool outside = false;
  for (long i = 0; i < n; ++i) {
    double s = at_(i).distance(p);
    if (s < 0.0) {
      if (!outside || s > closestOutside)
        closestOutside = s;
      outside = true;
    } else if (i == 0 || s < smallestInside) {
      smallestInside = s;
    }
  }
  return outside ? closestOutside : smallestInside;
}

void GClippingVolume::modify(const Matrix3D &m) { inv_modify(m.inversed()); }

void GClippingVolume::inv_modify(const Matrix3D &inv) {
  for (long i = 0; i < getCount(); ++i)
    at_(i).inv_modify(inv);
}

bool GClippingVolume::clip_segment(Vector3D &a, Vector3D &b) const {
  for (long i = getCount() - 1; i >= 0; --i)
    if (!at_(i).clip_segment(a, b))
      return false;
  return true;
}

GClippedSegmentType GClippingVolume::clip_segment(Vector3D &a, Vector3D &b, double &t_start,
                                                  double &t_end) const {
  t_start = 0.0;
  t_end = 1.0;
  int moved = 0;
  for (long i = getCount() - 1; i >= 0; --i) {
    double t = 0.0;
    switch (at_(i).clip_segment(a, b, t)) {
    case GClippedOut:
      return GClippedOut;
    case GClippedEnd:
      // t is measured on the segment clipped so far, which runs from
      // t_start to t_end on the original one.
      t_end = t_start + t * (t_end - t_start);
      moved |= GClippedEnd;
      break;
    case GClippedStart:
      t_start = t_start + t * (t_end - t_start);
      moved |= GClippedStart;
      break;
    default:
      break;
    }
  }
  return moved ? GClippedSegmentType(moved) : GClippedInside;
}

GClippedSegmentType GClippingVolume::calculate_intersection(const Vector3D &a, const Vector3D &b,
                                                            double &t_start, double &t_end) const {
  Vector3D start = a, end = b;
  return clip_segment(start, end, t_start, t_end);
}

GClippedSphereType GClippingVolume::check_sphere(const Vector3D &center, double r) const {
  return vyx::SphereAgainst(distance(center), r);
}

void GClippingVolume::write(opstream &os) {
  os.writeByte(0);
  GCollection::write(os);
}

void GClippingVolume::read(ipstream &is) {
  is.readByte();
  vyx::ReadCheck(is);
  try {
    GCollection::read(is);
  } catch (...) {
    ownsItems(1);
    throw;
  }
  ownsItems(1);
}

void GClippingVolume::freeItem(void *p) { delete static_cast<GClippingHalfSpace *>(p); }

void GClippingVolume::write_item(const void *p, opstream &os) {
  os << *static_cast<const GClippingHalfSpace *>(p);
}

void *GClippingVolume::read_item(ipstream &is) {
  auto h = std::make_unique<GClippingHalfSpace>();
  is >> *h;
  return h.release();
}

std::ostream &operator<<(std::ostream &os, const GClippingVolume &v) {
  os << "Planes=" << v.getCount() << '\n';
  for (long i = 0; i < v.getCount(); ++i)
    os << "plane[" << i << "] : " << v.halfspace(i) << '\n';
  return os;
}
