//===- gpolygon_for_3d_clipping.cpp - Polygons and point sets clipped -----===//
#include "geometry/gpolygon_for_3d_clipping.h"

#include "containers/msort.h"
#include "geometry/gclipping_half_space.h"
#include "geometry/gclipping_volume.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>
#include <vector>

namespace {

/// Scratch space of N elements on the stack, on the heap beyond that.
template <class T, size_t N> class Scratch {
public:
  explicit Scratch(size_t n) : Data(Local) {
    if (n > N) {
      Heap.resize(n);
      Data = Heap.data();
    }
  }
  Scratch(const Scratch &) = delete;
  Scratch &operator=(const Scratch &) = delete;
  T &operator[](size_t i) { return Data[i]; }
  T *data() { return Data; }

private:
  T Local[N];
  std::vector<T> Heap;
  T *Data;
};

/// Polygons of up to this many vertices are clipped without heap scratch.
constexpr size_t SmallPolygon = 32;

/// Clipping a point set by one plane makes a point for every pair of a kept
/// and a removed point. Up to this many (all a box can give) are kept as
/// they are; beyond it only the corners of their convex hull are kept, as
/// the others add nothing to the clipped hull and would otherwise multiply
/// from plane to plane.
constexpr size_t MaxUnprunedCrossings = 16;

/// Marks the points that are corners of the convex hull of `points`, which
/// all lie in the plane with unit normal `n`. Points that are not finite
/// are no corners; nor are points on a hull edge or repeated ones.
std::vector<unsigned char> HullCorners(const std::vector<Vector3D> &points, const Vector3D &n) {
  // A basis of the plane: u orthogonal to n, away from n's largest axis.
  Vector3D axis = std::fabs(n.x) <= std::fabs(n.y) && std::fabs(n.x) <= std::fabs(n.z)
                      ? Vector3D::gEx
                      : (std::fabs(n.y) <= std::fabs(n.z) ? Vector3D::gEy : Vector3D::gEz);
  Vector3D u = (n * axis).normalized(), v = n * u;
  struct Planar {
    double x, y;
    size_t index;
  };
  std::vector<Planar> planar;
  for (size_t i = 0; i < points.size(); ++i) {
    double x = (points[i], u), y = (points[i], v);
    if (std::isfinite(x) && std::isfinite(y))
      planar.push_back({x, y, i});
  }
  std::vector<unsigned char> corner(points.size(), 0);
  if (planar.size() < 3) {
    for (const Planar &p : planar)
      corner[p.index] = 1;
    return corner;
  }
  std::sort(planar.begin(), planar.end(), [](const Planar &a, const Planar &b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  // Andrew's monotone chain: the lower hull left to right, then the upper
  // hull back, each keeping only strict left turns.
  auto turn = [](const Planar &o, const Planar &a, const Planar &b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
  };
  std::vector<Planar> hull;
  for (int pass = 0; pass < 2; ++pass) {
    size_t start = hull.size();
    for (const Planar &p : planar) {
      while (hull.size() >= start + 2 && turn(hull[hull.size() - 2], hull.back(), p) <= 0.0)
        hull.pop_back();
      hull.push_back(p);
    }
    hull.pop_back(); // the last point starts the other chain
    std::reverse(planar.begin(), planar.end());
  }
  for (const Planar &p : hull)
    corner[p.index] = 1;
  if (hull.empty())
    corner[planar.front().index] = 1; // one point, repeated
  return corner;
}

/// Vertex numbers of the faces put_box_face knows; index 0 is the default.
constexpr int FaceVertices[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {4, 5, 1, 0},
                                    {6, 7, 3, 2}, {5, 6, 2, 1}, {4, 7, 3, 0}};

/// What the sort callbacks see: the polygon and the angle of each item.
struct SortData {
  GPolygonFor3DClipping *Polygon;
  std::vector<float> Angles;
};

int AngleLess(long i, long j, void *data) {
  const auto *d = static_cast<const SortData *>(data);
  return d->Angles[i] < d->Angles[j];
}

/// Exchanges items i and j together with their angles.
void AngleSwap(long i, long j, void *data) {
  auto *d = static_cast<SortData *>(data);
  void *item = d->Polygon->at(i);
  d->Polygon->at_put(i, d->Polygon->at(j));
  d->Polygon->at_put(j, item);
  std::swap(d->Angles[i], d->Angles[j]);
}

} // namespace

GPolygonFor3DClipping::GPolygonFor3DClipping() : GCollection(10, 10, 1) {}

GPolygonFor3DClipping::GPolygonFor3DClipping(long capacity, long step, unsigned char owning,
                                             unsigned char polygon)
    : GCollection(capacity, step, owning), Polygon(polygon != 0) {}

GPolygonFor3DClipping::~GPolygonFor3DClipping() {
  if (ownsItems())
    free_all();
}

Vector3D GPolygonFor3DClipping::get_vector(const void *vertex) const {
  return *static_cast<const Vector3D *>(vertex);
}

void *GPolygonFor3DClipping::create_vertex_at_pos(const Vector3D &p) { return new Vector3D(p); }

void *GPolygonFor3DClipping::create_vertex(long i, long j, double t) {
  Vector3D a = position(i);
  return new Vector3D(a + (position(j) - a) * t);
}

void GPolygonFor3DClipping::freeItem(void *p) { delete static_cast<Vector3D *>(p); }

void GPolygonFor3DClipping::put_box_vertex(const GBox &box, GBox::Vertex v) {
  insert(create_vertex_at_pos(box.get_vertex(v)));
}

void GPolygonFor3DClipping::put_box(const GBox &box) {
  for (int i = 0; i < 8; ++i)
    put_box_vertex(box, GBox::Vertex(i));
}

void GPolygonFor3DClipping::put_box_face(const GBox &box, int face) {
  const int *vertices = FaceVertices[face >= 1 && face <= 5 ? face : 0];
  for (int k = 0; k < 4; ++k)
    put_box_vertex(box, GBox::Vertex(vertices[k]));
}

Vector3D GPolygonFor3DClipping::massCenter() {
  Vector3D sum;
  long n = getCount();
  for (long i = 0; i < n; ++i)
    sum += position(i);
  MassCenter = n > 0 ? sum / static_cast<double>(n) : Vector3D();
  return MassCenter;
}

float GPolygonFor3DClipping::angleAt(int i) const {
  Vector3D u0 = position(0) - MassCenter;
  Vector3D u1 = position(1) - MassCenter;
  Vector3D ui = position(i) - MassCenter;
  double a = u0 ^ ui;
  if (a == 0.0 || a == std::numbers::pi)
    return static_cast<float>(a);
  if (((u0 * ui) ^ (u0 * u1)) > 0.1)
    return static_cast<float>(2.0 * std::numbers::pi - a);
  return static_cast<float>(a);
}

void GPolygonFor3DClipping::sort() {
  long n = getCount();
  if (!Polygon || n <= 3)
    return;
  massCenter();
  // The angles are measured once, against vertices 0 and 1 as they stand,
  // so that the order compared is the same throughout the sort.
  SortData data{this, std::vector<float>(static_cast<size_t>(n))};
  for (long i = 0; i < n; ++i)
    data.Angles[i] = angleAt(static_cast<int>(i));
  MSort::QSort(n, &data, AngleLess, AngleSwap);
}

int GPolygonFor3DClipping::clipByHalfSpace(const GClippingHalfSpace &h) {
  return Polygon ? clipByHalfSpaceAs2D(h) : clipByHalfSpaceAs3D(h);
}

int GPolygonFor3DClipping::clipByHalfSpaceAs2D(const GClippingHalfSpace &h) {
  if (getCount() > 3)
    sort();
  return clipByHalfSpaceAsPolygon(h);
}

double GPolygonFor3DClipping::crossing(const GClippingHalfSpace &h, long i, long j) const {
  Vector3D a = position(i), b = position(j);
  double t = 0.0;
  h.clip_segment(a, b, t);
  return t;
}

void GPolygonFor3DClipping::replaceItems(const unsigned char *dropped, void *const *kept, long n) {
  long old = getCount();
  if (ownsItems())
    for (long k = 0; k < old; ++k)
      if (dropped[k])
        freeItem(at(k));
  remove_all();
  for (long k = 0; k < n; ++k)
    insert(kept[k]);
}

int GPolygonFor3DClipping::clipByHalfSpaceAsPolygon(const GClippingHalfSpace &h) {
  long n = getCount();
  if (n == 0)
    return 0;
  Scratch<unsigned char, SmallPolygon> outside(n);
  long outsideCount = 0;
  for (long i = 0; i < n; ++i) {
    outside[i] = !h.contains(position(i));
    outsideCount += outside[i];
  }
  if (outsideCount == 0)
    return static_cast<int>(n);
  if (outsideCount == n) {
    replaceItems(outside.data(), nullptr, 0);
    return 0;
  }
  // Each edge adds at most two vertices.
  Scratch<void *, 2 * SmallPolygon> kept(2 * n);
  long k = 0;
  for (long p = 0; p < n; ++p) {
    long q = p + 1 == n ? 0 : p + 1;
    if (outside[p] != outside[q])
      kept[k++] = create_vertex(p, q, crossing(h, p, q));
    if (!outside[q])
      kept[k++] = at(q);
  }
  replaceItems(outside.data(), kept.data(), k);
  return static_cast<int>(k);
}

int GPolygonFor3DClipping::clipByHalfSpaceAs3D(const GClippingHalfSpace &h) {
  long n = getCount();
  if (n == 0)
    return 0;
  Scratch<unsigned char, SmallPolygon> outside(n);
  std::vector<long> in, out;
  for (long i = 0; i < n; ++i) {
    outside[i] = !h.contains(position(i));
    (outside[i] ? out : in).push_back(i);
  }
  if (out.empty())
    return static_cast<int>(n);
  struct Crossing {
    long in, out;
    double t;
  };
  std::vector<Crossing> crossings;
  crossings.reserve(in.size() * out.size());
  for (long i : in)
    for (long o : out)
      crossings.push_back({i, o, crossing(h, i, o)});
  std::vector<unsigned char> made(crossings.size(), 1);
  if (crossings.size() > MaxUnprunedCrossings) {
    std::vector<Vector3D> points;
    points.reserve(crossings.size());
    for (const Crossing &c : crossings) {
      Vector3D a = position(c.in);
      points.push_back(a + (position(c.out) - a) * c.t);
    }
    made = HullCorners(points, h.getNormal());
  }
  std::vector<void *> kept;
  kept.reserve(in.size() + crossings.size());
  for (long i : in)
    kept.push_back(at(i));
  for (size_t c = 0; c < crossings.size(); ++c)
    if (made[c])
      kept.push_back(create_vertex(crossings[c].in, crossings[c].out, crossings[c].t));
  replaceItems(outside.data(), kept.data(), static_cast<long>(kept.size()));
  return static_cast<int>(kept.size());
}

int GPolygonFor3DClipping::clipByVolume(const GClippingVolume &v) {
  for (long i = 0; i < v.getCount(); ++i)
    if (clipByHalfSpace(v.halfspace(i)) == 0)
      return 0;
  sort();
  return static_cast<int>(getCount());
}

int GPolygonFor3DClipping::clipByVolumeAsPolygon(const GClippingVolume &v) {
  for (long i = v.getCount() - 1; i >= 0 && getCount() > 0; --i)
    clipByHalfSpaceAsPolygon(v.halfspace(i));
  return static_cast<int>(getCount());
}
