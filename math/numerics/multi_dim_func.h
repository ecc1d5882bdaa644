//===- multi_dim_func.h - Functions of several variables --------*- C++ -*-===//
//
// MultiDimFunc is a function of several variables as the minimizers see it:
// a dimension, the value at a point and the partial derivatives there.
// DefaultFunc is the placeholder of default-built minimizers, ExpConstFunc
// the penalty of a set of constraint functions (the sum of their squares).
//
// Stream form of every function here: one dword 0. A function with data of
// its own writes it after that word.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_MULTI_DIM_FUNC_H
#define VYX_NUMERICS_MULTI_DIM_FUNC_H

#include "containers/tgcollection.h"
#include "linear/fmatrix.h"
#include "linear/multi_dim_vector.h"
#include "object_model/rtti_object.h"
#include "pstreams/streamable.h"
#include "vyx_math_export.h"

/// The streamable base of functions. Registered as "AbsFuncBase" without
/// builder.
class VYX_MATH_API AbsFuncBase : public GStreamable {
  VYX_DECLARE_CLASS(AbsFuncBase);

  /// Reads the dword 0 (its value is not looked at).
  void read(ipstream &is) override;
  /// Writes the dword 0.
  void write(opstream &os) override;
};

/// A function of get_dimension() variables. Registered as "MultiDimFunc"
/// without builder.
class VYX_MATH_API MultiDimFunc : public AbsFuncBase {
  VYX_DECLARE_CLASS(MultiDimFunc);

  /// The number of variables.
  virtual int get_dimension() = 0;
  /// The value at x.
  virtual double get_value(const MultiDimVector &x) = 0;
  /// Partial derivative i at x; 0 unless overridden.
  virtual double get_gradient(int i, const MultiDimVector &x);
  /// All partial derivatives at x: get_gradient(i, x) for each variable.
  virtual MultiDimVector get_gradient(const MultiDimVector &x);
  /// The number of derivatives the function offers: 1 (the gradient).
  virtual int get_nb_of_derivs();
  /// Second derivatives; nothing here.
  virtual void get_second_deriv(const FMatrix &);
  /// Second derivative (i, j) at x; 0 here.
  virtual double get_second_deriv(int i, int j, const MultiDimVector &x);
  /// The derivative of the given orders: get_gradient(orders[0], x) for
  /// n = 1, otherwise 0.
  virtual double get_deriv(const int *orders, int n, const MultiDimVector &x);
};

/// The placeholder function: 3 variables, the value 1 everywhere, a zero
/// gradient. Registered as "DefaultFunc".
class VYX_MATH_API DefaultFunc : public MultiDimFunc {
  VYX_DECLARE_CLASS(DefaultFunc);

  int get_dimension() override { return 3; }
  double get_value(const MultiDimVector &) override { return 1.0; }
};

/// The penalty of constraint functions c_1 ... c_m (a collection it refers
/// to without owning): the value is Σ c_k(x)², partial derivative i is
/// Σ c_k(x) · ∂c_k/∂x_i (half the derivative of the value: only its
/// direction matters to a descent). The dimension is that of c_1, 0 with
/// no constraints. Registered as "ExpConstFunc".
class VYX_MATH_API ExpConstFunc : public MultiDimFunc {
  VYX_DECLARE_CLASS(ExpConstFunc);

  /// No constraints.
  ExpConstFunc() = default;
  explicit ExpConstFunc(TGCollection<MultiDimFunc> &constraints) : Constraints(&constraints) {}

  int get_dimension() override;
  double get_value(const MultiDimVector &x) override;
  double get_gradient(int i, const MultiDimVector &x) override;
  MultiDimVector get_gradient(const MultiDimVector &x) override;

private:
  long count() const { return Constraints ? Constraints->getCount() : 0; }

  TGCollection<MultiDimFunc> *Constraints = nullptr;
};

#endif // VYX_NUMERICS_MULTI_DIM_FUNC_H
