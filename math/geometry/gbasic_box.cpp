//===- gbasic_box.cpp - Axis-aligned boxes --------------------------------===//
//
// Stream form read here:
//   byte      version (any value, skipped)
//   Vector3D  origin    (scaled by GSUSInfo::InputScale())
//   Vector3D  opposite  (scaled likewise)
// Both corners are read into locals and taken over only when both arrived.
//
//===----------------------------------------------------------------------===//
#include "geometry/gbasic_box.h"

#include "pstreams/pstream.h"

#include <algorithm>
#include <ostream>

void GBasicBox::center(const Vector3D &c) {
  Vector3D shift = c - center();
  Origin += shift;
  Opposite += shift;
}

bool GBasicBox::isEmpty() const {
  return Origin.x >= Opposite.x || Origin.y >= Opposite.y || Origin.z >= Opposite.z;
}

bool GBasicBox::contains(const Vector3D &p) const {
  return Origin.x <= p.x && p.x <= Opposite.x && Origin.y <= p.y && p.y <= Opposite.y &&
         Origin.z <= p.z && p.z <= Opposite.z;
}

void GBasicBox::grow(const Vector3D &d) {
  Origin -= d;
  Opposite += d;
}

void GBasicBox::add_point(const Vector3D &p) {
  auto extend = [](double &low, double &high, double v) {
    if (low > v)
      low = v;
    if (v > high)
      high = v;
  };
  extend(Origin.x, Opposite.x, p.x);
  extend(Origin.y, Opposite.y, p.y);
  extend(Origin.z, Opposite.z, p.z);
}

void GBasicBox::operator+=(const Vector3D &v) {
  Origin += v;
  Opposite += v;
}

void GBasicBox::operator-=(const Vector3D &v) {
  Origin -= v;
  Opposite -= v;
}

GBasicBox GBasicBox::operator+(const Vector3D &v) const { return {Origin + v, Opposite + v}; }

GBasicBox GBasicBox::operator-(const Vector3D &v) const { return {Origin - v, Opposite - v}; }

void GBasicBox::operator*=(double s) {
  Origin *= s;
  Opposite *= s;
}

void GBasicBox::operator/=(double s) {
  Origin /= s;
  Opposite /= s;
}

GBasicBox GBasicBox::operator*(double s) const { return {Origin * s, Opposite * s}; }

GBasicBox GBasicBox::operator/(double s) const { return {Origin / s, Opposite / s}; }

void GBasicBox::operator*=(const Vector3D &f) {
  Origin = Vector3D(Origin.x * f.x, Origin.y * f.y, Origin.z * f.z);
  Opposite = Vector3D(Opposite.x * f.x, Opposite.y * f.y, Opposite.z * f.z);
}

GBasicBox &GBasicBox::operator|=(const GBasicBox &b) {
  if (isEmpty()) {
    *this = b;
  } else if (!b.isEmpty()) {
    Origin = Vector3D(std::min(Origin.x, b.Origin.x), std::min(Origin.y, b.Origin.y),
                      std::min(Origin.z, b.Origin.z));
    Opposite = Vector3D(std::max(Opposite.x, b.Opposite.x), std::max(Opposite.y, b.Opposite.y),
                        std::max(Opposite.z, b.Opposite.z));
  }
  return *this;
}

GBasicBox GBasicBox::operator|(const GBasicBox &b) const { return GBasicBox(*this) |= b; }

GBasicBox &GBasicBox::operator&=(const GBasicBox &b) {
  Origin = Vector3D(std::max(Origin.x, b.Origin.x), std::max(Origin.y, b.Origin.y),
                    std::max(Origin.z, b.Origin.z));
  Opposite = Vector3D(std::min(Opposite.x, b.Opposite.x), std::min(Opposite.y, b.Opposite.y),
                      std::min(Opposite.z, b.Opposite.z));
  return *this;
}

GBasicBox GBasicBox::operator&(const GBasicBox &b) const { return GBasicBox(*this) &= b; }

opstream &operator<<(opstream &os, const GBasicBox &b) {
  os.writeByte(0);
  return os << b.origin() << b.opposite();
}

ipstream &operator>>(ipstream &is, GBasicBox &b) {
  is.readByte();
  Vector3D origin, opposite;
  is >> origin >> opposite;
  vyx::ReadCheck(is);
  b = GBasicBox(origin, opposite);
  return is;
}

std::ostream &operator<<(std::ostream &os, const GBasicBox &b) {
  return os << "Min=" << b.origin() << " Max=" << b.opposite();
}
