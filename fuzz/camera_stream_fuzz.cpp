//===- camera_stream_fuzz.cpp - Arbitrary bytes read as boxes and cameras -===//
//
// Input layout:
//   byte 0   bit 7: big-endian stream; bits 0-3: the kind of the first value
//   rest     the pstream bytes; each value after the first is preceded by a
//            byte that picks its kind. The byte 0xFA stands for the prefix
//            of an embedded "GClippingVolume" record ('{', its name), so
//            that the fuzzer reaches the volume reader without guessing it.
//
// Kinds: GBasicBox, GBox, GClippingHalfSpace, GClippingVolume (embedded
// record), GViewportPlaneInfo, GViewportWindowInfo, GViewportInfo,
// GTransformation, CameraParameters_Info (with an old-form resolution),
// ProjectorInfo and Projector. Whatever was read is then used: boxes are
// bounded, tested and clipped, cameras are configured and project, bound
// and test boxes. Values that are stored as read must be written back to
// the same bytes. Reading and using may throw only the library's
// exceptions; sanitizers catch the rest.
//
//===----------------------------------------------------------------------===//
#include "camera/camera_parameters_info.h"
#include "camera/gtransformation.h"
#include "camera/gviewport_info.h"
#include "camera/projector.h"
#include "camera/projector_info.h"
#include "geometry/gbasic_box.h"
#include "geometry/gbox.h"
#include "geometry/gclipping_half_space.h"
#include "geometry/gclipping_volume.h"
#include "geometry/gpolygon_for_3d_clipping.h"
#include "pstreams/memory_pstream.h"

#include "fuzz_check.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char VolumeEscape = 0xFA;
constexpr int Kinds = 11;

Bytes Expand(const uint8_t *data, size_t size) {
  static const char Name[] = "GClippingVolume";
  Bytes out;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != VolumeEscape) {
      out.push_back(data[i]);
      continue;
    }
    out.insert(out.end(), {0x7B, static_cast<unsigned char>(sizeof(Name) - 1), 0});
    out.insert(out.end(), Name, Name + sizeof(Name) - 1);
  }
  return out;
}

/// Whether a value, written, read back and written again, gives the same
/// bytes both times.
template <class T> bool RewritesSame(const T &value, pstream::EndianType endian) {
  ompstream first, second;
  first.endian(endian);
  second.endian(endian);
  first << value;
  impstream is(first.data(), first.size());
  is.endian(endian);
  T again;
  is >> again;
  second << again;
  return first.size() == second.size() &&
         std::memcmp(first.data(), second.data(), static_cast<size_t>(first.size())) == 0;
}

/// Reads a value; a failed read must leave it as it was.
template <class T> void ReadOrKeep(ipstream &is, T &value) {
  const T before = value;
  try {
    is >> value;
  } catch (const GException &) {
    FUZZ_CHECK(value == before);
    throw;
  }
}

/// A few points around a box, for the tests that take points.
std::vector<Vector3D> Probes(const GBox &box) {
  return {box.getCenter(), box.get_vertex(GBox::V0), box.get_vertex(GBox::V6),
          box.getCenter() * 2.0 + Vector3D(1, -2, 3)};
}

void UseBox(const GBox &box, const GClippingVolume &volume) {
  (void)box.bounds();
  Vector3D first, second;
  for (const Vector3D &p : Probes(box)) {
    (void)box.contains(p);
    (void)box.intersect(p, Vector3D(0.3, 1, -0.2), first, second);
    (void)volume.contains(p);
    (void)volume.check_sphere(p, box.getXlen());
  }
  for (int face = 0; face < 6; ++face) {
    GPolygonFor3DClipping polygon;
    polygon.put_box_face(box, face);
    polygon.clipByVolume(volume);
    FUZZ_CHECK(polygon.getCount() >= 0);
  }
  GPolygonFor3DClipping points(8, 8, 1, 0);
  points.put_box(box);
  points.clipByVolume(volume);
}

/// A camera configured from stored data is used as a renderer would.
void UseProjector(Projector &p, const GBox &box) {
  const GPoint resolution = p.getResolution();
  try {
    for (const Vector3D &q : Probes(box)) {
      (void)p.getDepthPoint(q);
      (void)p.fromLocalPointToEye(q);
    }
  } catch (const GLibraryException &) {
    // A point at the eye's depth has no projection.
  }
  for (GPoint pixel : {GPoint(0, 0), resolution, GPoint(resolution.x / 2, resolution.y / 3)}) {
    (void)p.pixelToLocal(pixel);
    (void)p.fromPixelToEye(pixel);
    (void)p.fromZPixelToWorld(pixel, 2.5);
  }
  (void)p.isBoxVisible(box);
  try {
    (void)p.onScreenRect(box);
  } catch (const GLibraryException &) {
  }
  (void)p.getCameraInfo();
  p.addLocalCSMatrix(Matrix3D::rot(Vector3D(1, 1, 0), 0.5));
  (void)p.isBoxVisible(box);
}

void ReadOne(uint8_t kind, ipstream &is, pstream::EndianType endian, GBox &box,
             GClippingVolume &volume) {
  switch (kind % Kinds) {
  case 0: {
    GBasicBox b;
    ReadOrKeep(is, b);
    FUZZ_CHECK(RewritesSame(b, endian));
    GBasicBox u = b;
    u |= GBasicBox(Vector3D(), Vector3D(1, 1, 1));
    u &= b;
    (void)u.isEmpty();
    box = GBox(b);
    break;
  }
  case 1: {
    GBox read;
    ReadOrKeep(is, read);
    box = read;
    FUZZ_CHECK(RewritesSame(box, endian));
    UseBox(box, volume);
    break;
  }
  case 2: {
    GClippingHalfSpace h;
    ReadOrKeep(is, h);
    FUZZ_CHECK(RewritesSame(h, endian));
    (void)h.get_point();
    (void)h.intersects(box);
    volume &= h;
    break;
  }
  case 3: {
    GClippingVolume v;
    is.readStreamable(v);
    ompstream os;
    os.endian(endian);
    os.writeStreamable(v);
    FUZZ_CHECK(os.size() > 0);
    volume &= v;
    UseBox(box, volume);
    break;
  }
  case 4: {
    GViewportPlaneInfo plane;
    ReadOrKeep(is, plane);
    // The frame read is unit and right-handed.
    const Vector3D &n = plane.getPlaneNormal(), &u = plane.getPlaneUp();
    FUZZ_CHECK(std::fabs(n.length() - 1) < 1e-9 && std::fabs(u.length() - 1) < 1e-9);
    (void)RewritesSame(plane, endian); // normalising again may move the last bits
    break;
  }
  case 5: {
    GViewportWindowInfo w;
    ReadOrKeep(is, w);
    FUZZ_CHECK(RewritesSame(w, endian));
    break;
  }
  case 6: {
    GViewportInfo v;
    ReadOrKeep(is, v);
    (void)v.getRasterAngle();
    Projector p;
    p.setViewportInfo(v);
    UseProjector(p, box);
    break;
  }
  case 7: {
    GTransformation t;
    ReadOrKeep(is, t);
    FUZZ_CHECK(RewritesSame(t, endian));
    (void)t.pointToTransformedCS(box.getCenter());
    break;
  }
  case 8: {
    CameraParameters_Info c;
    GPoint resolution;
    ReadOrKeep(is, c);
    resolution.read_old(is);
    FUZZ_CHECK(RewritesSame(c, endian));
    (void)c.focus();
    Projector p;
    p.set_resolution(resolution);
    p.setCameraInfo(c);
    UseProjector(p, box);
    break;
  }
  case 9: {
    ProjectorInfo info;
    ReadOrKeep(is, info);
    (void)info.getPixelWidth();
    Projector p;
    p.additional_clipping(volume);
    p.setProjectorInfo(info);
    UseProjector(p, box);
    break;
  }
  default: {
    Projector p;
    try {
      is >> p;
    } catch (const GException &) {
      // A failed read leaves the camera as it was.
      FUZZ_CHECK(p.getProjectorInfo() == ProjectorInfo() &&
                 p.additional_clipping().getCount() == 0);
      throw;
    }
    UseProjector(p, box);
    Projector copy;
    copy.assignProjector(p);
    ompstream os;
    os.endian(endian);
    os << copy;
    break;
  }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  auto endian = data[0] & 0x80 ? pstream::BigEndian : pstream::LittleEndian;
  Bytes bytes = Expand(data + 1, size - 1);
  impstream is(bytes.data(), static_cast<long>(bytes.size()));
  is.endian(endian);
  GBox box;
  GClippingVolume volume;
  try {
    uint8_t kind = data[0] & 0x0F;
    for (int values = 0; values < 32 && is.good(); ++values) {
      ReadOne(kind, is, endian, box, volume);
      kind = is.readByte();
    }
  } catch (const GException &) {
  }
  return 0;
}
