//===- matrix_defaults_impl.h - Default sizes of typed matrices -*- C++ -*-===//
//
// Every specialisation of TGMatrix keeps its own default size, 4 x 4 at
// load, which its default constructor uses.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_LINEAR_MATRIX_DEFAULTS_IMPL_H
#define VYX_LINEAR_MATRIX_DEFAULTS_IMPL_H

#include "linear/tgmatrix.h"

/// Defines the default size of TGMatrix<Type> in the source file of that
/// specialisation.
#define VYX_TYPED_MATRIX_DEFAULT_SIZE(Type)                                                        \
  template <> vyx::MatrixDefaults &vyx::TypedMatrix<Type>::Defaults() {                            \
    static MatrixDefaults defaults;                                                                \
    return defaults;                                                                               \
  }

#endif // VYX_LINEAR_MATRIX_DEFAULTS_IMPL_H
