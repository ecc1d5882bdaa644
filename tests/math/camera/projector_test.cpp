// Tests of Projector: the pixel mapping of centred, off-axis, parallel and
// transformed cameras, round trips between the four coordinate systems,
// depths, the frustum and box visibility, on-screen rectangles, the
// notification hooks and the stored form.
#include "camera/projector.h"
#include "geometry/gpolygon_for_3d_clipping.h"
#include "linear/math_exceptions.h"
#include "object_model/exceptions.h"

#include "math/linear/linear_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace ltest;

/// Counts the hooks and opens the protected face clipping.
class CountingProjector : public Projector {
public:
  int Viewport = 0, Local = 0, Resolution = 0;
  using Projector::is_box_visible;

protected:
  void viewport_location_changed() override { ++Viewport; }
  void local_CS_changed() override { ++Local; }
  void resolution_changed() override { ++Resolution; }
};

/// Window 2 x 1.5 centred on the origin of the plane z = 0, looking along
/// +z with the eye one unit in front, 640 x 480 pixels.
ProjectorInfo CentredInfo(bool perspective = true) {
  GViewportInfo v(GViewportPlaneInfo(), GViewportWindowInfo(Vector2D(-1, -0.75), Vector2D(2, 1.5)),
                  perspective, 0.0f);
  v.setEyePosition(Vector3D(0, 0, 1));
  return ProjectorInfo(v, GPoint(640, 480));
}

/// A tilted plane, an off-centre window, an eye off the axis, a local frame.
void SetGeneral(Projector &p, bool perspective) {
  GViewportInfo v(GViewportPlaneInfo(Vector3D(1, 2, 3), Vector3D(1, 1, 1), Vector3D(0, 0, 1)),
                  GViewportWindowInfo(Vector2D(-1, -0.5), Vector2D(3, 2)), perspective, 0.0f);
  v.setEyePosition(Vector3D(0.3, -0.2, 2.5));
  p.setProjectorInfo(ProjectorInfo(v, GPoint(300, 200)));
  p.setLocalCSMatrix(Matrix3D::shift(Vector3D(-4, 1, 2)) * Matrix3D::rot(Vector3D(1, 2, 0), 0.4) *
                     Matrix3D::scale(2, 2, 2));
}

void ExpectPixel(const Projector &p, const Vector3D &local, double x, double y) {
  Vector2D q = p.getPoint(local);
  EXPECT_NEAR(x, q.x, 1e-9);
  EXPECT_NEAR(y, q.y, 1e-9);
}

GBox Cube(const Vector3D &center, double size) {
  GBox b(Vector3D(), Vector3D(size, 0, 0), Vector3D(0, size, 0), Vector3D(0, 0, size));
  b.setCenter(center);
  return b;
}

TEST(ProjectorTest, CentredCameraMapsTheWindowOntoThePixels) {
  Projector p;
  p.setProjectorInfo(CentredInfo());
  ExpectPixel(p, Vector3D(0, 0, 0), 320, 240);
  ExpectPixel(p, Vector3D(1, 0.75, 0), 0, 0); // X points to -x
  ExpectPixel(p, Vector3D(-1, -0.75, 0), 640, 480);
  ExpectPixel(p, Vector3D(2, 1.5, 1), 0, 0); // on the ray through the corner
  EXPECT_EQ(Vector3D(1, 0.75, 0), p.pixelToWorld(0, 0));
  EXPECT_EQ(Vector3D(0, 0, -1), p.focus());
  EXPECT_EQ(Vector3D(0, 0, 1), p.getWorldDir());
  EXPECT_EQ(1.0, p.getDepth(Vector3D(2, 1.5, 1)));
  EXPECT_EQ(-0.5, p.getDepth(Vector3D(0, 0, -0.5)));
  DepthPoint d = p.getDepthPoint(Vector3D(1, 0.75, 1));
  EXPECT_EQ(160, d.x);
  EXPECT_EQ(120, d.y);
  EXPECT_EQ(1.0f, d.depth);

  // Far outside the view the pixel is clamped; at the eye's depth there is
  // no projection.
  EXPECT_EQ(GPoint(-1073741824, 240), p.getPixel(Vector3D(1e300, 0, 1)));
  EXPECT_EQ(GPoint(1073741823, -1073741824), p.getPixel(Vector3D(-1, 1, -1 + 1e-15)));
  EXPECT_THROW(p.getPixel(Vector3D(1, 1, -1)), VectorInFocus3D_Exception);

  // Resolution and camera record.
  p.set_resolution(GPoint(INT32_MIN, INT32_MIN)); // stored resolutions may be anything
  EXPECT_EQ(GPoint(-1073741824, -1073741824), p.getPixel(Vector3D(-1, -0.75, 0)));
  p.set_resolution(GPoint(64, 48));
  ExpectPixel(p, Vector3D(0, 0, 0), 32, 24);
  CameraParameters_Info c = p.getCameraInfo();
  EXPECT_EQ(1.5f, c.Height);
  EXPECT_FLOAT_EQ(static_cast<float>(2 * std::atan(0.75)), c.Angle);
  Projector q;
  q.set_resolution(GPoint(64, 48));
  q.setCameraInfo(c);
  Vector2D corner = q.getPoint(Vector3D(2, 1.5, 1));
  EXPECT_NEAR(0.0, corner.x, 1e-4);
  EXPECT_NEAR(0.0, corner.y, 1e-4);
  ExpectNear(p.focus(), q.focus(), 1e-6);
}

TEST(ProjectorTest, RoundTripsAndDepthsOfAGeneralCamera) {
  for (bool perspective : {true, false}) {
    SCOPED_TRACE(perspective);
    Projector p;
    SetGeneral(p, perspective);
    Vector3D local(0.7, -1.1, 2.3);
    ExpectNear(local, p.pointFromViewportToLocal(p.pointFromLocalToViewport(local)), 1e-9);
    ExpectNear(p.pointFromLocalToWorld(local),
               p.pointFromViewportToWorld(p.pointFromLocalToViewport(local)), 1e-12);
    ExpectNear(Vector3D(), p.pointFromWorldToViewport(p.getWorldOrigin()), 1e-9);
    ExpectNear(Vector3D(0.3, -0.2, 2.5), p.pointFromWorldToViewport(p.focus()), 1e-9);
    EXPECT_NEAR(-p.pointFromLocalToViewport(local).z, p.getDepth(local), 1e-12);
    ExpectNear(p.getWorldLeftTop(), p.pixelToWorld(0, 0), 1e-9);
    ExpectNear(p.getWorldRightBottom(), p.pixelToWorld(300, 200), 1e-9);
    // Normals stay normal to the window plane in every system.
    EXPECT_NEAR(0.0, (p.getNormal(), p.getXort()), 1e-12);
    EXPECT_NEAR(0.0, (p.getNormal(), p.getUp()), 1e-12);

    for (GPoint pixel : {GPoint(0, 0), GPoint(300, 200), GPoint(17, 151), GPoint(-40, 260)}) {
      Vector3D onPlane = p.pixelToLocal(pixel);
      EXPECT_NEAR(0.0, p.getDepth(onPlane), 1e-12);
      ExpectPixel(p, onPlane, pixel.x, pixel.y);
      // Along the pixel's ray, points keep their pixel; depth grows away
      // from the eye.
      Vector3D ray = -p.fromPixelToEye(pixel);
      for (double z : {-0.4, 0.5, 7.0}) {
        Vector3D world = p.fromZPixelToWorld(pixel, z);
        EXPECT_NEAR(z, p.getWorldDepth(world), 1e-9);
        ExpectNear(ray, (world - p.pixelToWorld(pixel)).normalized() * (z < 0 ? -1.0 : 1.0), 1e-9);
        ExpectPixel(p, p.pointFromWorldToLocal(world), pixel.x, pixel.y);
      }
    }
  }
}

TEST(ProjectorTest, LocalFramesAddUp) {
  Projector whole, steps;
  SetGeneral(whole, true);
  SetGeneral(steps, true);
  Matrix3D more = Matrix3D::rot(Vector3D(0, 0, 1), 1.1) * Matrix3D::shift(Vector3D(0.5, 0, -1));
  whole.setLocalCSMatrix(whole.fromLocalToWorld().toTransformedCS() * more);
  steps.addLocalCSMatrix(more);
  Vector3D local(0.2, 0.4, -0.3);
  ExpectNear(whole.pointFromLocalToWorld(local), steps.pointFromLocalToWorld(local), 1e-9);
  Vector2D a = whole.getPoint(local), b = steps.getPoint(local);
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
  ASSERT_EQ(whole.clipping_volume().getCount(), steps.clipping_volume().getCount());
  for (Vector3D q : {local, Vector3D(3, -2, 1), Vector3D(-1, -1, -1)})
    EXPECT_NEAR(whole.clipping_volume().distance(q), steps.clipping_volume().distance(q), 1e-9);
}

TEST(ProjectorTest, BoxVisibility) {
  CountingProjector p;
  p.setProjectorInfo(CentredInfo());
  EXPECT_TRUE(p.isBoxVisible(Cube(Vector3D(0, 0, 5), 1)));
  EXPECT_FALSE(p.isBoxVisible(Cube(Vector3D(20, 0, 5), 1)));
  EXPECT_FALSE(p.isBoxVisible(Cube(Vector3D(0, 0, -10), 1)));     // behind the eye
  EXPECT_FALSE(p.isBoxVisible(Cube(Vector3D(0, 0, -0.7), 0.2)));  // before the window
  EXPECT_TRUE(p.isBoxVisible(Cube(Vector3D(6.5, 0, 5), 2)));      // centre outside
  EXPECT_FALSE(p.isBoxVisible(Cube(Vector3D(6.2, 0, 4.2), 0.5))); // just outside
  EXPECT_TRUE(p.isBoxVisible(Cube(Vector3D(0, 0, 0), 0.1)));      // on the window
  // A thin sheared sheet across the view whose centre and origin corner
  // are close together and far outside.
  EXPECT_TRUE(p.isBoxVisible(
      GBox(Vector3D(-20, 0, 5), Vector3D(60, 0, 0), Vector3D(-60, 0.1, 0), Vector3D(0, 0, 0.1))));

  GPolygonFor3DClipping faces[6];
  EXPECT_TRUE(p.is_box_visible(Cube(Vector3D(6.5, 0, 5), 2), faces));
  long kept = 0;
  for (auto &face : faces)
    for (long i = 0; i < face.getCount(); ++i, ++kept)
      EXPECT_GE(p.clipping_volume().distance(face.position(i)), -1e-9);
  EXPECT_GT(kept, 0);
  EXPECT_FALSE(p.is_box_visible(Cube(Vector3D(20, 0, 5), 1), faces));

  // The user's clipping is in world coordinates, the boxes local.
  GClippingVolume nearOnly;
  nearOnly.add_halfspace(Vector3D(0, 0, 10), Vector3D(0, 0, -1));
  p.additional_clipping(nearOnly);
  p.setLocalCSMatrix(Matrix3D::shift(Vector3D(0, 0, 100)));
  EXPECT_TRUE(p.isBoxVisible(Cube(Vector3D(0, 0, -95), 1)));
  EXPECT_FALSE(p.isBoxVisible(Cube(Vector3D(0, 0, 5), 1)));

  // Parallel projection sees behind the window plane unless cut.
  Projector parallel;
  parallel.setProjectorInfo(CentredInfo(false));
  EXPECT_TRUE(parallel.isBoxVisible(Cube(Vector3D(0, 0, -5), 1)));
  EXPECT_FALSE(parallel.isBoxVisible(Cube(Vector3D(0, 3, 5), 1)));
  Projector::CutInParallelProjection(true);
  Projector cut;
  Projector::CutInParallelProjection(false);
  EXPECT_TRUE(cut.cut_in_parallel_projection());
  cut.setProjectorInfo(CentredInfo(false));
  EXPECT_FALSE(cut.isBoxVisible(Cube(Vector3D(0, 0, -5), 1)));
  EXPECT_TRUE(cut.isBoxVisible(Cube(Vector3D(0, 0, 5), 1)));
}

TEST(ProjectorTest, OnScreenRectangles) {
  Projector p;
  p.setProjectorInfo(CentredInfo());
  // Crossing the window plane: only the part beyond it counts.
  EXPECT_EQ(GRect(160, 80, 480, 400), p.onScreenRect(Cube(Vector3D(), 1)));
  GRect behind = p.onScreenRect(Cube(Vector3D(0, 0, -0.5), 0.2));
  EXPECT_EQ(GRect(1073741823, 1073741823, -1073741824, -1073741824), behind);
  EXPECT_TRUE(behind.isEmpty());
  GRect front = p.onScreenRect(Cube(Vector3D(0.5, 0, 1), 0.5));
  GBox box = Cube(Vector3D(0.5, 0, 1), 0.5);
  for (int v = 0; v < 8; ++v)
    EXPECT_TRUE(front.contains(p.getPixel(box.get_vertex(GBox::Vertex(v)))));

  // Parallel: three vertices lie on the window plane and the fourth, in
  // front, reaches farthest; the edges that end there touch the plane at
  // their other end and must keep it.
  Projector parallel;
  GViewportInfo v(GViewportPlaneInfo(), GViewportWindowInfo(Vector2D(-10, -10), Vector2D(20, 20)),
                  0, 0.0f);
  v.setEyePosition(Vector3D(0, 0, 1));
  parallel.setProjectorInfo(ProjectorInfo(v, GPoint(20, 20)));
  GBox tilted(Vector3D(-10, 0, -2), Vector3D(6, 0, 1), Vector3D(5, 1, 1), Vector3D(4, -1, 1));
  ASSERT_EQ(Vector3D(5, 0, 1), tilted.get_vertex(GBox::V6));
  EXPECT_EQ(GRect(5, 9, 11, 11), parallel.onScreenRect(tilted));
}

TEST(ProjectorTest, HooksFireOnlyOnChanges) {
  CountingProjector p;
  p.setProjectorInfo(CentredInfo());
  EXPECT_EQ(1, p.Viewport);
  EXPECT_EQ(1, p.Resolution);
  p.set_resolution(GPoint(640, 480));
  EXPECT_EQ(1, p.Resolution);
  p.set_resolution(GPoint(640, 480), true);
  EXPECT_EQ(2, p.Resolution);
  p.setLocalCSMatrix(Matrix3D::shift(Vector3D(1, 0, 0)));
  p.addLocalCSMatrix(Matrix3D::shift(Vector3D(1, 0, 0)));
  EXPECT_EQ(2, p.Local);

  Projector other;
  other.setProjectorInfo(CentredInfo(false));
  p.assignProjector(other);
  EXPECT_EQ(2, p.Viewport);
  EXPECT_EQ(2, p.Resolution);
  EXPECT_EQ(3, p.Local);
  EXPECT_FALSE(p.getViewportInfo().isPerspective());
  CountingProjector copy;
  static_cast<Projector &>(copy) = other;
  EXPECT_EQ(0, copy.Viewport + copy.Resolution + copy.Local);
  EXPECT_TRUE(copy.getProjectorInfo() == other.getProjectorInfo());
}

TEST(ProjectorTest, StoredFormRebuildsTheCamera) {
  Projector p;
  SetGeneral(p, true);
  GClippingVolume clipping;
  clipping.add_halfspace(Vector3D(0, 0, 1), Vector3D(0, 1, 1));
  p.additional_clipping(clipping);
  p.cut_in_parallel_projection(true);

  Bytes expected = {0};
  for (Bytes part : {Written([&](opstream &os) { os << p.getProjectorInfo(); }),
                     Written([&](opstream &os) { os.writeStreamable(clipping); })})
    expected.insert(expected.end(), part.begin(), part.end());
  expected.push_back(1);
  Bytes bytes = Written([&](opstream &os) { os << p; });
  EXPECT_EQ(expected, bytes);

  bytes.back() = 7; // any non-zero flag is true
  CountingProjector read;
  EXPECT_EQ(0, ReadFrom(bytes, [&](ipstream &is) { is >> read; }));
  EXPECT_EQ(1, read.Viewport);
  EXPECT_EQ(1, read.Resolution);
  EXPECT_TRUE(read.cut_in_parallel_projection());
  EXPECT_TRUE(read.getProjectorInfo() == p.getProjectorInfo());
  ASSERT_EQ(1, read.additional_clipping().getCount());
  // The local frame is not stored; the frustum is rebuilt from the rest.
  EXPECT_EQ(6, read.clipping_volume().getCount());
  Vector3D world(2, 2.5, 3.5);
  ExpectPixel(read, world, p.getPoint(p.pointFromWorldToLocal(world)).x,
              p.getPoint(p.pointFromWorldToLocal(world)).y);

  for (size_t n = 0; n + 1 < bytes.size(); n += 7) {
    CountingProjector q;
    q.setProjectorInfo(CentredInfo());
    Bytes prefix(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_THROW(ReadFrom(prefix, [&](ipstream &is) { is >> q; }), GException) << n;
    EXPECT_TRUE(q.getProjectorInfo() == CentredInfo()) << n;
    EXPECT_EQ(0, q.additional_clipping().getCount()) << n;
    EXPECT_EQ(1, q.Viewport) << n;
  }
}

} // namespace
