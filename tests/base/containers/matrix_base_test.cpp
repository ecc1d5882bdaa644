// Tests of the untyped matrix storage: shapes, views aliasing their parent,
// assignment between views, resizing and the failures.
#include "containers/matrix_base.h"

#include "object_model/exceptions.h"

#include <gtest/gtest.h>

namespace {

int &At(const GMatrixBase &m, unsigned r, unsigned c) {
  return static_cast<int *>(m.get_row(r))[c];
}

/// A rows × columns matrix of ints numbered 10 r + c.
GMatrixBase Numbered(unsigned rows, unsigned columns) {
  GMatrixBase m(rows, columns, sizeof(int));
  for (unsigned r = 0; r < rows; ++r)
    for (unsigned c = 0; c < columns; ++c)
      At(m, r, c) = static_cast<int>(10 * r + c);
  return m;
}

TEST(MatrixBaseTest, ShapesAndZeroedElements) {
  GMatrixBase empty(0, 5, 4);
  EXPECT_EQ(0u, empty.numRows());
  EXPECT_EQ(0u, empty.numColumns());
  EXPECT_EQ(nullptr, empty.get_array());
  GMatrixBase m(2, 3, sizeof(int));
  EXPECT_EQ(0, At(m, 1, 2));
  EXPECT_TRUE(m.check_indexes(1, 2));
  EXPECT_FALSE(m.check_indexes(2, 0));
  EXPECT_FALSE(m.check_indexes(0, 3));
  EXPECT_FALSE(m.isView());
}

TEST(MatrixBaseTest, OverflowingSizesFailAndLeaveAnEmptyMatrix) {
  GMatrixBase m = Numbered(2, 2);
  EXPECT_THROW(m.resize(0xFFFFFFFFu, 0xFFFFFFFFu, false), OutOfMemory_Exception);
  EXPECT_EQ(0u, m.numRows());
  EXPECT_EQ(nullptr, m.get_rows());
  EXPECT_THROW(GMatrixBase(0x80000000u, 0x80000000u, 8), OutOfMemory_Exception);
}

TEST(MatrixBaseTest, CopiesOwnTheirElements) {
  GMatrixBase m = Numbered(3, 3);
  GMatrixBase view(sizeof(int));
  view.attach_matrix(m, 1, 1, 2, 2);
  GMatrixBase copy(view);
  EXPECT_FALSE(copy.isView());
  EXPECT_EQ(22, At(copy, 1, 1));
  At(copy, 1, 1) = -1;
  EXPECT_EQ(22, At(m, 2, 2));
}

TEST(MatrixBaseTest, ViewsAliasTheirParent) {
  GMatrixBase m = Numbered(3, 3);
  GMatrixBase view(sizeof(int));
  view.attach_matrix(m, 1, 1, 2, 2);
  EXPECT_TRUE(view.isView());
  EXPECT_EQ(2u, view.numRows());
  EXPECT_EQ(11, At(view, 0, 0));
  At(view, 1, 0) = 99;
  EXPECT_EQ(99, At(m, 2, 1));

  // A view keeps its shape: a 3 × 3 source is refused, a 2 × 2 copied in.
  EXPECT_THROW(view = Numbered(3, 3), MatrixDifferentSizes_Exception);
  view = Numbered(2, 2);
  EXPECT_EQ(0, At(m, 1, 1));
  EXPECT_EQ(11, At(m, 2, 2));
  EXPECT_THROW(view.resize(4, 4, false), MatrixDifferentSizes_Exception);
  EXPECT_THROW(view.resize_with_save(4, 4), MatrixDifferentSizes_Exception);
}

TEST(MatrixBaseTest, AssignmentBetweenOverlappingViews) {
  GMatrixBase m = Numbered(4, 2);
  GMatrixBase lower(sizeof(int)), upper(sizeof(int));
  upper.attach_matrix(m, 0, 0, 3, 2);
  lower.attach_matrix(m, 1, 0, 3, 2);
  lower = upper; // shifts rows 0..2 down by one
  EXPECT_EQ(0, At(m, 1, 0));
  EXPECT_EQ(10, At(m, 2, 0));
  EXPECT_EQ(21, At(m, 3, 1));

  m = Numbered(4, 2);
  upper = lower; // shifts rows 1..3 up by one
  EXPECT_EQ(10, At(m, 0, 0));
  EXPECT_EQ(20, At(m, 1, 0));
  EXPECT_EQ(31, At(m, 2, 1));
}

TEST(MatrixBaseTest, AssigningAViewOfItselfToAMatrix) {
  GMatrixBase m = Numbered(3, 3);
  GMatrixBase view(sizeof(int));
  view.attach_matrix(m, 1, 1, 2, 2);
  m = view; // m takes the shape 2 × 2 from its own elements
  EXPECT_EQ(2u, m.numRows());
  EXPECT_EQ(11, At(m, 0, 0));
  EXPECT_EQ(22, At(m, 1, 1));
}

TEST(MatrixBaseTest, AttachChecksBoundsWithoutWrapping) {
  GMatrixBase m = Numbered(3, 3);
  GMatrixBase view(sizeof(int));
  try {
    view.attach_matrix(m, 2, 0, 2, 1);
    FAIL();
  } catch (const Matrix_IndexOutOfRange_Exception &) {
  }
  EXPECT_THROW(view.attach_matrix(m, 0xFFFFFFFFu, 0, 2, 1), Matrix_IndexOutOfRange_Exception);
  EXPECT_THROW(view.attach_matrix(m, 0, 1, 1, 0xFFFFFFFFu), Matrix_IndexOutOfRange_Exception);
  GMatrixBase doubles(sizeof(double));
  EXPECT_THROW(doubles.attach_matrix(m, 0, 0, 1, 1), MatrixDifferentType_Exception);
  EXPECT_THROW(m.attach_matrix(m, 0, 0, 1, 1), MatrixDifferentSizes_Exception);
  EXPECT_EQ(3u, m.numRows());

  // A view may narrow itself.
  view.attach_matrix(m, 0, 0, 3, 3);
  view.attach_matrix(view, 1, 1, 1, 1);
  EXPECT_EQ(11, At(view, 0, 0));
}

TEST(MatrixBaseTest, ResizeWithSaveKeepsTheOverlap) {
  GMatrixBase m = Numbered(2, 3);
  m.resize_with_save(4, 1);
  EXPECT_EQ(4u, m.numRows());
  EXPECT_EQ(1u, m.numColumns());
  EXPECT_EQ(0, At(m, 0, 0));
  EXPECT_EQ(10, At(m, 1, 0));

  GMatrixBase n = Numbered(2, 2);
  EXPECT_THROW(n.resize_with_save(0xFFFFFFFFu, 0xFFFFFFFFu), OutOfMemory_Exception);
  EXPECT_EQ(2u, n.numRows()); // unchanged on failure
  EXPECT_EQ(11, At(n, 1, 1));
}

TEST(MatrixBaseTest, SwapsAndTypeChecks) {
  GMatrixBase a = Numbered(2, 2), b = Numbered(3, 1);
  a.swap(b);
  EXPECT_EQ(3u, a.numRows());
  EXPECT_EQ(11, At(b, 1, 1));
  GMatrixBase d(1, 1, 8);
  EXPECT_THROW(a.swap(d), MatrixDifferentType_Exception);
  EXPECT_THROW(a = d, MatrixDifferentType_Exception);

  GMatrixBase m = Numbered(3, 2);
  m.swap_rows(0, 2);
  EXPECT_EQ(20, At(m, 0, 0));
  EXPECT_EQ(0, At(m, 2, 0));
  EXPECT_THROW(m.swap_rows(0, 7), Matrix_IndexOutOfRange_Exception);
  GMatrixBase empty(4);
  EXPECT_THROW(empty.swap_rows(0, 0), Matrix_IndexOutOfRange_Exception);
}

} // namespace
