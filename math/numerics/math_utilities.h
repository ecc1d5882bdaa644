//===- math_utilities.h - Static helpers of the maths library ---*- C++ -*-===//
//
// Math gathers the static functions that VYX_MATH offers beside its value
// types: the clamped arc cosine that vectors, matrices and quaternions use
// for every angle they compute, a random source per thread, a relative
// vector comparison, cubic Hermite interpolation, the displacement step of
// fractal terrain refinement, point-in-polygon testing, polygon flattening
// and triangulation by ear clipping, and bilinear resampling of float
// matrices.
//
// The random source is one 32-bit state per thread, advanced with the
// recurrence of Random_Long. The thread that loads the library starts with
// the state 1, every other thread with 0, until it calls SetRand; each
// thread's sequence is therefore reproducible whatever other threads do.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_MATH_UTILITIES_H
#define VYX_NUMERICS_MATH_UTILITIES_H

#include "containers/tgvector.h"
#include "linear/fmatrix.h"
#include "linear/vector2d.h"
#include "linear/vector3d.h"
#include "vyx_math_export.h"

/// Static helper functions of VYX_MATH.
class VYX_MATH_API Math {
public:
  Math() = delete;

  /// The arc cosine clamped to its domain: π for x <= -1, 0 for x >= 1, the
  /// ordinary arc cosine in between (a NaN stays NaN).
  static double acos(double x);

  // The random source of the calling thread.

  /// Sets the calling thread's state to s (its low 32 bits).
  static void SetRand(long s);
  /// Advances the calling thread's state, (843314861 × state + 453816693)
  /// mod 2^31, and returns it.
  static long LRand();
  /// LRand() × 2^-31, in [0, 1).
  static double Rand();
  /// (2 Rand() - 1) · x, in [-x, x).
  static double Rand(double x);
  /// A standard normal number: u1 = Rand(), u2 = Rand(), then
  /// cos(2π u2) · √(-2 ln u1). A u1 of 0 counts as 2^-32 (the middle of the
  /// smallest step), so that the result is always finite.
  static double Gauss();

  /// Whether a and b differ relatively by at least eps: false when
  /// |a - b| is 0 (with the length tolerance of Vector3D), otherwise
  /// eps <= |a - b| / max(|a|, |b|).
  static bool DifVect(const Vector3D &a, const Vector3D &b, double eps);
  /// The cubic Hermite point at s of the curve from P0 (tangent T0) to P1
  /// (tangent T1): P0 at s = 0, P1 at s = 1.
  static Vector3D HermitSpline(const Vector3D &P0, const Vector3D &P1, const Vector3D &T0,
                               const Vector3D &T1, double s);
  /// The fractal displacement of p from its four neighbours: the height D
  /// is the root mean square of the neighbours' heights, weighted by the
  /// inverse squared distance to p and signed like p.z; the result is
  /// (p.x, p.y, D + Rand(D - p.z)). Neighbours that coincide with p outweigh
  /// all others: their heights alone make the mean. Uses the thread's random
  /// source.
  static Vector3D Fract(const Vector3D &p, const Vector3D &a, const Vector3D &b, const Vector3D &c,
                        const Vector3D &d);

  // Polygons: vertices in order, closed implicitly (the last vertex joins
  // the first).

  /// Whether q lies inside the polygon of the n vertices at `poly`, or on
  /// one of its edges or vertices: a crossing-number test in single
  /// precision. False for n < 1 or a null `poly`.
  static bool PolygonContainsPoint(const Vector2D *poly, int n, const Vector2D &q);
  /// Maps the vertices into the plane of the polygon: the frame is taken at
  /// the first vertex whose turn spans a plane; `out` then gets x and y of
  /// each vertex in that frame (all distances inside the plane are kept).
  /// False, with `out` unchanged, when no vertex spans a plane.
  static bool Make2DPolygon(const TGVector<Vector3D> &points, TGVector<Vector2D> &out);
  /// Ear clipping: appends three vertex indices per triangle to `triangles`.
  /// False when no ear is left to clip (triangles already found stay in the
  /// output); a simple polygon of n >= 3 vertices gives n - 2 triangles.
  static bool TriangulatePolygon(const TGVector<Vector2D> &polygon, TGVector<long> &triangles);
  /// Make2DPolygon, then the 2D triangulation; false if either fails.
  static bool TriangulatePolygon(const TGVector<Vector3D> &polygon, TGVector<long> &triangles);

  /// Fills `target` by bilinear resampling of `source`: target (i, j) takes
  /// the source at ((rows - 1)/(target rows - 1) · i, (columns - 1)/(target
  /// columns - 1) · j). A target of one row (column) samples the first
  /// source row (column); an empty source or a null matrix changes nothing.
  static void bilinear(FMatrix *source, FMatrix *target);
};

#endif // VYX_NUMERICS_MATH_UTILITIES_H
