// Tests of the viewport value types, GTransformation and the two camera
// records: frame and window arithmetic, the eye, composed transformations,
// the exact stored bytes, unit scaling on read, old versions and damaged
// streams.
#include "camera/camera_parameters_info.h"
#include "camera/gtransformation.h"
#include "camera/gviewport_info.h"
#include "camera/projector_info.h"
#include "linear/math_exceptions.h"
#include "object_model/exceptions.h"

#include "math/linear/linear_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace ltest;

constexpr uint32_t Marker = 0x7F810000u;

void AppendVector(Bytes &out, const Vector3D &v) {
  Append(out, Marker);
  Append(out, v.x);
  Append(out, v.y);
  Append(out, v.z);
}

void AppendVector(Bytes &out, const Vector2D &v) {
  Append(out, Marker);
  Append(out, v.x);
  Append(out, v.y);
}

/// An off-centre perspective viewport on a tilted plane.
GViewportInfo SampleViewport() {
  GViewportInfo v(GViewportPlaneInfo(Vector3D(1, 2, 3), Vector3D(0, 0, 2), Vector3D(0, 1, 0)),
                  GViewportWindowInfo(Vector2D(-1, -0.5), Vector2D(2, 1.5)), 1, 2.0f);
  v.setEyePosition(Vector3D(0.25, -0.125, 2));
  return v;
}

/// Every proper prefix of `bytes` must fail with the stream exception and
/// leave `value` as it was.
template <class T> void ExpectPrefixesRefused(const Bytes &bytes, const T &before) {
  for (size_t n = 0; n < bytes.size(); ++n) {
    T value = before;
    Bytes prefix(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_THROW(ReadFrom(prefix, [&](ipstream &is) { is >> value; }),
                 NonZeroPStreamState_Exception)
        << n;
    EXPECT_TRUE(value == before) << n;
  }
}

TEST(GViewportPlaneInfoTest, FrameIsRightHandedAndUpIsStraightened) {
  GViewportPlaneInfo plane;
  EXPECT_EQ(Vector3D(-1, 0, 0), plane.getPlaneXort());
  EXPECT_EQ(Vector3D(0, 0, -1), plane.getPlaneZort());

  // A leaning, unnormalised up keeps only its part orthogonal to n.
  plane.setPlaneParameters(Vector3D(1, 2, 3), Vector3D(0, 3, 4), Vector3D(0, 2, 0));
  ExpectNear(Vector3D(0, 0.6, 0.8), plane.getPlaneNormal());
  ExpectNear(Vector3D(0, 0.8, -0.6), plane.getPlaneUp());
  ExpectNear(plane.getPlaneZort(), plane.getPlaneXort() * plane.getPlaneYort());

  // An up along the normal (or zero) changes nothing, origin included.
  GViewportPlaneInfo before = plane;
  plane.setPlaneParameters(Vector3D(9, 9, 9), Vector3D(0, 1, 0), Vector3D(0, -5, 0));
  EXPECT_TRUE(plane == before);
  plane.setPlaneParameters(Vector3D(9, 9, 9), Vector3D(1, 0, 0), Vector3D());
  EXPECT_TRUE(plane == before);
  plane.setPlaneOrientation(Vector3D(1, 0, 0), Vector3D(0, 0, 1));
  EXPECT_EQ(Vector3D(1, 2, 3), plane.getPlaneOrigin());
  ExpectNear(Vector3D(0, 0, 1), plane.getPlaneUp());
}

TEST(GViewportWindowInfoTest, CornersAndSizes) {
  GViewportWindowInfo w;
  w.setLeftBottom(Vector2D(0.25, 0.25));
  EXPECT_EQ(Vector2D(0.75, 0.75), w.getSize());
  EXPECT_EQ(Vector2D(1, 1), w.getRightTop());
  w.setRightTop(Vector2D(2, 3));
  EXPECT_EQ(Vector2D(1.75, 2.75), w.getSize());
  w += Vector2D(1, -1);
  EXPECT_EQ(Vector2D(1.25, -0.75), w.getLeftBottom());
  EXPECT_EQ(Vector2D(3, 2), w.getRightTop());
  EXPECT_EQ(Vector2D(3, -0.75), w.getRightBottom());
  EXPECT_EQ(Vector2D(1.25, 2), w.getLeftTop());
  EXPECT_EQ(Vector2D(2.125, 0.625), w.getCenter());
}

TEST(GViewportInfoTest, EyeLookDirectionAndAngles) {
  GViewportInfo v = SampleViewport();
  EXPECT_EQ(Vector3D(-0.25, 0.375, -2), v.getLookDirection());
  EXPECT_EQ(2.0, v.focus_distance());
  EXPECT_DOUBLE_EQ(2 * std::atan(0.75 / 2), v.getRasterAngle());
  v.setEyePosition(Vector3D(0, 0, -4)); // the distance is unsigned
  EXPECT_EQ(4.0, v.focus_distance());
  v.perspective(false);
  EXPECT_EQ(0.0, v.focus_distance());
  EXPECT_EQ(0.0, v.getRasterAngle());
  EXPECT_EQ(Vector3D(0, 0, -1), GViewportInfo().getEyePosition());
}

TEST(GTransformationTest, CompositionKeepsTheInverse) {
  Matrix3D a = Matrix3D::rot(Vector3D(1, 2, 3), 0.7) * Matrix3D::scale(2, 3, 4);
  Matrix3D b = Matrix3D::shift(Vector3D(1, -2, 5)) * Matrix3D::rot(Vector3D(0, 1, 0), -0.3);
  GTransformation t(a);
  t *= GTransformation(b);
  t *= Matrix3D::scale(1, 0.5, 2);
  Vector3D p(0.3, -1.7, 2.2);
  ExpectNear(p, t.pointToOriginalCS(t.pointToTransformedCS(p)), 1e-12);
  ExpectNear(a * (b * Vector3D(0.3, -0.85, 4.4)), t.pointToTransformedCS(p), 1e-12);
  ExpectNear(p, t.dirToOriginalCS(t.dirToTransformedCS(p)), 1e-12);
  GTransformation product = GTransformation(a) * GTransformation(b);
  ExpectNear(a * (b * p), product.pointToTransformedCS(p), 1e-12);

  // A normal stays orthogonal to every direction of its plane.
  Vector3D n(1, 1, 0), d(1, -1, 3);
  EXPECT_NEAR(0.0, (t.normalToTransformedCS(n), t.dirToTransformedCS(d)), 1e-12);
  EXPECT_NEAR(0.0, (t.normalToOriginalCS(n), t.dirToOriginalCS(d)), 1e-12);

  EXPECT_THROW(GTransformation(Matrix3D::scale(1, 0, 1)), SingularMatrix3D_Exception);

  // Stored as version byte 0 and the two matrices, read back as stored.
  Bytes bytes = Written([&](opstream &os) { os << t; });
  ASSERT_EQ(1u + 2 * 129, bytes.size());
  EXPECT_EQ(0, bytes[0]);
  GTransformation read;
  ReadFrom(bytes, [&](ipstream &is) { is >> read; });
  EXPECT_TRUE(read == t);
  ExpectPrefixesRefused(bytes, GTransformation(b));
}

TEST(GViewportInfoTest, StoredBytesAndScaling) {
  GViewportInfo v = SampleViewport();
  Bytes expected = {0, 0};
  AppendVector(expected, Vector3D(1, 2, 3));
  AppendVector(expected, Vector3D(0, 0, 1));
  AppendVector(expected, Vector3D(-0.0, 1, -0.0)); // the up is computed and negated
  expected.push_back(0);
  AppendVector(expected, Vector2D(-1, -0.5));
  AppendVector(expected, Vector2D(2, 1.5));
  expected.push_back(1);
  AppendVector(expected, Vector3D(0.25, -0.125, 2));
  Bytes bytes = Written([&](opstream &os) { os << v; });
  EXPECT_EQ(expected, bytes);

  GViewportInfo read;
  EXPECT_EQ(0, ReadFrom(bytes, [&](ipstream &is) { is >> read; }));
  EXPECT_TRUE(read == v);

  // Lengths scale (origin, all four window numbers, eye); the frame stays
  // unit.
  InputScale scale(2);
  ReadFrom(bytes, [&](ipstream &is) { is >> read; });
  const GViewportPlaneInfo &plane = read.getViewportPlaneInfo();
  EXPECT_EQ(Vector3D(2, 4, 6), plane.getPlaneOrigin());
  EXPECT_EQ(Vector3D(0, 0, 1), plane.getPlaneNormal());
  EXPECT_EQ(Vector3D(0, 1, 0), plane.getPlaneUp());
  EXPECT_EQ(Vector2D(-2, -1), read.getViewportWindowInfo().getLeftBottom());
  EXPECT_EQ(Vector2D(4, 3), read.getViewportWindowInfo().getSize());
  EXPECT_EQ(Vector3D(0.5, -0.25, 4), read.getEyePosition());
  EXPECT_DOUBLE_EQ(v.getRasterAngle(), read.getRasterAngle());
}

TEST(GViewportInfoTest, StoredPlanesAreRepairedOrRefused) {
  auto planeBytes = [](const Vector3D &n, const Vector3D &u) {
    Bytes b = {0};
    AppendVector(b, Vector3D(1, 1, 1));
    AppendVector(b, n);
    AppendVector(b, u);
    return b;
  };
  GViewportPlaneInfo plane;
  ReadFrom(planeBytes(Vector3D(0, 0, 5), Vector3D(0, 1, 1)), [&](ipstream &is) { is >> plane; });
  EXPECT_EQ(Vector3D(0, 0, 1), plane.getPlaneNormal());
  ExpectNear(Vector3D(0, 1, 0), plane.getPlaneUp());

  GViewportPlaneInfo before(Vector3D(7, 7, 7), Vector3D(1, 0, 0), Vector3D(0, 0, 1));
  for (Bytes bad : {planeBytes(Vector3D(), Vector3D(0, 1, 0)),
                    planeBytes(Vector3D(0, 0, 1), Vector3D(0, 0, -3)),
                    planeBytes(Vector3D(0, 0, 1), Vector3D())}) {
    plane = before;
    EXPECT_THROW(ReadFrom(bad, [&](ipstream &is) { is >> plane; }), NonZeroPStreamState_Exception);
    EXPECT_TRUE(plane == before);
  }
  ExpectPrefixesRefused(Written([](opstream &os) { os << SampleViewport(); }), GViewportInfo());
}

TEST(CameraParametersInfoTest, FocusAndViewport) {
  CameraParameters_Info c(Vector3D(1, 2, 3), Vector3D(0, 0, 1), Vector3D(0, 1, 0), 2.0f,
                          static_cast<float>(std::numbers::pi / 2));
  EXPECT_NEAR(1.0, c.focus_distance(), 1e-7);
  ExpectNear(Vector3D(1, 2, 2), c.focus(), 1e-7);

  GViewportInfo v = CameraParameters_Info().convert_to_viewport_info(GPoint(640, 480));
  EXPECT_FALSE(v.isPerspective());
  EXPECT_EQ(Vector3D(0, 0, 1), v.getEyePosition());
  EXPECT_DOUBLE_EQ(-2.0 / 3, v.getViewportWindowInfo().getLeft());
  EXPECT_EQ(-0.5, v.getViewportWindowInfo().getBottom());
  EXPECT_DOUBLE_EQ(4.0 / 3, v.getViewportWindowInfo().getWidth());
  EXPECT_EQ(1.0, v.getViewportWindowInfo().getHeight());

  v = c.convert_to_viewport_info(GPoint(200, 100));
  EXPECT_TRUE(v.isPerspective());
  EXPECT_NEAR(1.0, v.getEyePosition().z, 1e-7);
  EXPECT_EQ(Vector2D(-2, -1), v.getViewportWindowInfo().getLeftBottom());
  EXPECT_NEAR(std::numbers::pi / 2, v.getRasterAngle(), 1e-7);
}

TEST(CameraParametersInfoTest, StoredBytesAndScaling) {
  CameraParameters_Info c(Vector3D(1, 2, 3), Vector3D(0, 0, 1), Vector3D(0, 1, 0), 2.0f, 0.5f);
  Bytes expected;
  AppendVector(expected, Vector3D(1, 2, 3));
  AppendVector(expected, Vector3D(0, 0, 1));
  AppendVector(expected, Vector3D(0, 1, 0));
  Append(expected, 2.0f);
  Append(expected, 0.5f);
  Bytes bytes = Written([&](opstream &os) { os << c; });
  EXPECT_EQ(expected, bytes);

  // Position and height are lengths; direction, up and angle are not, so
  // the eye moves with the unit too.
  InputScale scale(2);
  CameraParameters_Info read;
  ReadFrom(bytes, [&](ipstream &is) { is >> read; });
  EXPECT_EQ(Vector3D(2, 4, 6), read.Position);
  EXPECT_EQ(Vector3D(0, 0, 1), read.Direction);
  EXPECT_EQ(Vector3D(0, 1, 0), read.Up);
  EXPECT_EQ(4.0f, read.Height);
  EXPECT_EQ(0.5f, read.Angle);
  ExpectNear(c.focus() * 2.0, read.focus(), 1e-12);
  ExpectPrefixesRefused(bytes, CameraParameters_Info());
}

TEST(ProjectorInfoTest, StoredBytesAndOldVersions) {
  GViewportInfo v = SampleViewport();
  ProjectorInfo info(v, GRect(GPoint(-3, 4), GPoint(637, 483)));
  EXPECT_EQ(GPoint(-3, 4), info.getResolutionOrigin());
  EXPECT_EQ(GPoint(641, 480), info.getResolution());
  EXPECT_DOUBLE_EQ(2.0 / 641, info.getPixelWidth());
  EXPECT_DOUBLE_EQ(1.5 / 480, info.getPixelHeight());

  Bytes expected = {3};
  Bytes viewport = Written([&](opstream &os) { os << v; });
  expected.insert(expected.end(), viewport.begin(), viewport.end());
  expected.insert(expected.end(), {0, 0});
  Append<int32_t>(expected, -3);
  Append<int32_t>(expected, 4);
  expected.push_back(0);
  Append<int32_t>(expected, 641);
  Append<int32_t>(expected, 480);
  Bytes bytes = Written([&](opstream &os) { os << info; });
  EXPECT_EQ(expected, bytes);
  ProjectorInfo read;
  EXPECT_EQ(0, ReadFrom(bytes, [&](ipstream &is) { is >> read; }));
  EXPECT_TRUE(read == info);
  ExpectPrefixesRefused(bytes, ProjectorInfo());

  // Version 2: the resolution as a point; version 1: as two 16-bit words.
  Bytes v2 = {2};
  v2.insert(v2.end(), viewport.begin(), viewport.end());
  v2.push_back(0);
  Append<int32_t>(v2, 320);
  Append<int32_t>(v2, 200);
  Bytes v1 = {1};
  v1.insert(v1.end(), viewport.begin(), viewport.end());
  Append<uint16_t>(v1, 0xFFFF);
  Append<uint16_t>(v1, 200);
  ReadFrom(v2, [&](ipstream &is) { is >> read; });
  EXPECT_TRUE(read == ProjectorInfo(v, GPoint(320, 200)));
  ReadFrom(v1, [&](ipstream &is) { is >> read; });
  EXPECT_TRUE(read == ProjectorInfo(v, GPoint(65535, 200)));
  ExpectPrefixesRefused(v1, info);

  // Version 0: a camera record converted at the resolution that follows.
  CameraParameters_Info c(Vector3D(1, 2, 3), Vector3D(0, 1, 0), Vector3D(0, 0, 1), 2.0f, 0.5f);
  Bytes v0 = Written([&](opstream &os) { os.writeByte(0), os << c; });
  Append<uint16_t>(v0, 0xFFFF);
  Append<uint16_t>(v0, 0xFFFF);
  ReadFrom(v0, [&](ipstream &is) { is >> read; });
  EXPECT_EQ(GPoint(65535, 65535), read.getResolution());
  EXPECT_EQ(GPoint(0, 0), read.getResolutionOrigin());
  EXPECT_TRUE(read.getViewportInfo() == c.convert_to_viewport_info(GPoint(65535, 65535)));
  ExpectPrefixesRefused(v0, info);
}

} // namespace
