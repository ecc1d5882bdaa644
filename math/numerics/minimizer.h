//===- minimizer.h - Steepest descent with an adaptive step -----*- C++ -*-===//
//
// The minimizers search for a local minimum of a MultiDimFunc by steepest
// descent: each iteration moves the point by `step` against the gradient;
// a trial that goes uphill is undone and the step divided by step_factor,
// a trial that the linear prediction (delta · gradient) describes within
// lapprox_min multiplies the step by step_factor. The descent ends when a
// trial changes the value by no more than the precision, or after 41
// iterations. DeltaMinimizer keeps every coordinate inside [-limit, limit]
// and stops at the bound; Minimizer moves the point onto the set where its
// constraint functions vanish.
//
//   QuadraticBowl f;                  // a MultiDimFunc of dimension 2
//   AbstractMinimizer m(f);
//   m.set_data(start);
//   m.minimize();
//   MultiDimVector x = m.get_result();
//
// Stream form of AbstractMinimizer:
//   dword 0, the function's own stream form (its write(), no record around
//   it), the current point and the step vector (MultiDimVector form:
//   dimension dword, doubles), count (dword), step, precision (doubles),
//   numeric-gradient flag (dword, non-zero is true), lapprox_min,
//   lapprox_max, step_factor (doubles).
// DeltaMinimizer: dword 0, the AbstractMinimizer form, limit (double).
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_MINIMIZER_H
#define VYX_NUMERICS_MINIMIZER_H

#include "containers/tgcollection.h"
#include "linear/linear_system.h"
#include "linear/multi_dim_vector.h"
#include "numerics/multi_dim_func.h"
#include "object_model/rtti_object.h"
#include "pstreams/streamable.h"
#include "vyx_math_export.h"

#include <cstdio>
#include <vector>

/// The streamable base of the minimizers. Registered as "BaseMinimizer"
/// without builder; it has no stream data of its own.
class VYX_MATH_API BaseMinimizer : public GStreamable {
  VYX_DECLARE_CLASS(BaseMinimizer);

  /// Runs the search.
  virtual void minimize() = 0;

  void read(ipstream &) override {}
  void write(opstream &) override {}
};

/// Steepest descent with an adaptive step. Registered as
/// "AbstractMinimizer"; a minimizer built by name works on a DefaultFunc
/// until set_func gives it a function.
///
/// The function is not owned. The point, the step vector and the gradient
/// have the function's dimension; minimize() throws
/// MatrixDifferentSizes_Exception when the current point has another.
/// set_data starts a new search (the count goes back to 0); a second call
/// of minimize() without it goes on with the count reached.
class VYX_MATH_API AbstractMinimizer : public BaseMinimizer {
  VYX_DECLARE_CLASS(AbstractMinimizer);

  /// Works on a DefaultFunc.
  AbstractMinimizer();
  explicit AbstractMinimizer(MultiDimFunc &f);
  AbstractMinimizer(MultiDimFunc &f, double step, double precision);
  /// Copies everything but the gradient, which starts afresh.
  AbstractMinimizer(const AbstractMinimizer &other);
  AbstractMinimizer &operator=(const AbstractMinimizer &other);
  ~AbstractMinimizer() override;

  /// Sets the function. Vectors of another dimension take the function's
  /// (zeroed); a point of the right dimension is kept.
  void set_func(MultiDimFunc &f);
  MultiDimFunc *get_func() const { return Function; }
  int get_count() const { return Count; }
  double get_step() const { return Step; }
  void set_step(double step) { Step = step; }
  double get_precision() const { return Precision; }
  void set_precision(double precision) { Precision = precision; }
  double get_lapprox_min() const { return LapproxMin; }
  void set_lapprox_min(double v) { LapproxMin = v; }
  double get_lapprox_max() const { return LapproxMax; }
  double get_step_factor() const { return StepFactor; }
  void set_step_factor(double v) { StepFactor = v; }
  /// Whether gradients are taken by central differences.
  bool need_grad() const { return NeedGrad; }
  void need_grad(bool numeric) { NeedGrad = numeric; }
  /// The start point; the count goes back to 0.
  void set_data(const MultiDimVector &x);
  /// The current point: the result after minimize().
  const MultiDimVector &get_result() const { return Point; }
  int get_dimension() const { return Function->get_dimension(); }

  /// "Count = %d \n", "step  = %f \n", each coordinate with "%f" and no
  /// separator, then "\n\n".
  void write_state(FILE *out) const;

  void minimize() override;
  /// True while the descent goes on: count <= 40 and the value changed by
  /// more than the precision.
  virtual bool conditions_valid(double previous, double current);
  /// Adapts the step after a trial; false rejects (undoes) the trial. A
  /// trial that goes uphill, or whose value is not a number, is rejected
  /// and divides the step by step_factor.
  virtual bool change_step(double &previous, double &current);
  /// count + 1.
  virtual void new_itteration();
  /// Saves the point, then x += delta.
  virtual void increment();
  /// Restores the point saved by the last increment().
  virtual void step_undo();
  /// delta = -(step / |g|) g for the gradient g at x; a zero (or not
  /// finite) gradient gives a zero delta, which ends the descent.
  virtual void calculate_delta();
  virtual void itteration_begins();
  virtual void itteration_ended();
  /// The function's value at the current point.
  virtual double get_value();
  /// The gradient at the current point: the function's partial derivatives,
  /// or central differences of half a step when need_grad() is set.
  virtual void calculate_grad(MultiDimVector &g);

  /// Reads the whole record before changing anything: a negative count or
  /// a short record throws NonZeroPStreamState_Exception and leaves the
  /// minimizer as it was (the function's own data may have been read).
  void read(ipstream &is) override;
  void write(opstream &os) override;

protected:
  /// The descent loop shared by the minimizers.
  void descend();
  /// Throws MatrixDifferentSizes_Exception unless the point has the
  /// function's dimension; sizes the step vector and the gradient.
  void prepareVectors();

  MultiDimFunc *Function;
  int Count = 0;
  double Step = 0.01;
  double Precision = 0.001;
  double LapproxMin = 0.1;
  double LapproxMax = 0.5;
  double StepFactor = 2.0;
  bool NeedGrad = false;
  MultiDimVector Point;
  MultiDimVector Delta;
  MultiDimVector Gradient;
  /// The point before the last increment.
  MultiDimVector Saved;
};

/// A descent that keeps every coordinate inside [-limit, limit] and stops
/// at the first iteration that reaches the bound. Registered as
/// "DeltaMinimizer".
class VYX_MATH_API DeltaMinimizer : public AbstractMinimizer {
  VYX_DECLARE_CLASS(DeltaMinimizer);

  /// Works on a DefaultFunc with limit 1.
  DeltaMinimizer();
  /// step = limit / 4, precision 0.001.
  DeltaMinimizer(MultiDimFunc &f, double limit);

  double get_limit() const { return Limit; }
  void set_limit(double limit) { Limit = limit; }
  /// Whether the last descent reached the bound.
  bool bound_hit() const { return BoundHit; }
  /// Restores the point saved before the last increment.
  virtual void set_undo();

  /// Clears the bound-hit flag.
  void itteration_begins() override;
  /// Adds delta coordinate by coordinate, clamping to the bound; delta
  /// becomes the change actually made.
  void increment() override;
  /// As AbstractMinimizer's, and a prediction worse than lapprox_max
  /// divides the step by step_factor.
  bool change_step(double &previous, double &current) override;
  /// As AbstractMinimizer's, and false once the bound was reached.
  bool conditions_valid(double previous, double current) override;

  /// As AbstractMinimizer's read; the limit is taken only with the rest.
  void read(ipstream &is) override;
  void write(opstream &os) override;

private:
  double Limit = 1.0;
  bool BoundHit = false;
};

/// A minimizer with constraint functions: minimize() moves the current
/// point onto the set where the constraints vanish, by a descent on their
/// penalty (ExpConstFunc) with numeric gradients and a line search. The
/// objective itself is not descended. The constraints are not owned.
///
/// Minimizer has no class of its own in the class registry: it is written
/// and read as an AbstractMinimizer.
class VYX_MATH_API Minimizer : public AbstractMinimizer {
public:
  /// Precision 0.001, pres_factor 4000.
  Minimizer(MultiDimFunc &f, double step);
  Minimizer(const Minimizer &) = delete;
  Minimizer &operator=(const Minimizer &) = delete;
  ~Minimizer() override;

  /// Adds a constraint (a null one is ignored).
  void add_constraint(MultiDimFunc *c);
  /// Removes constraint i (nothing for an index out of range).
  void remove_constraint(int i);
  int get_const_count() const { return static_cast<int>(Constraints.getCount()); }
  /// Constraint i, or null for an index out of range.
  MultiDimFunc *at_const(int i) const;
  double get_pres_factor() const { return PresFactor; }
  void set_pres_factor(double f) { PresFactor = f; }

  /// True when Σ |c_k(x)| < precision · pres_factor.
  bool check_constraints();
  /// Evaluates the function, prepares the gradient list, sizes the linear
  /// system and right-hand side to the constraints, sets pres_factor to 500
  /// and calls minimize_constraints().
  void minimize() override;
  /// Descends the penalty from the current point (step 0.0005, precision
  /// 0.001, numeric gradients) while count <= 100, the penalty exceeds
  /// pres_factor · 0.001 and the step exceeds 0.0001; the point found
  /// becomes the current point. Nothing without constraints; constraints
  /// of another dimension than the point throw
  /// MatrixDifferentSizes_Exception.
  void minimize_constraints();

protected:
  /// 1 + m gradient vectors of the function's dimension.
  void generate_grad_coll();
  /// Vector 0: the function's partial derivatives; vector k: those of
  /// constraint k (as far as both exist).
  void fill_grad_coll();
  void empty_grad_coll();
  /// Matrix entry (i, j): the dot product of the gradients of constraints
  /// i and j (within the matrix's size).
  void generate_lmatr();
  /// Right-hand side entry k: -c_k(x) (within its size).
  void generate_const_state();
  /// fill_grad_coll(), generate_lmatr(), generate_const_state().
  void prepare_data();
  /// Gradient vector k (0 the function's); k must be below 1 + m after
  /// generate_grad_coll().
  MultiDimVector &at_grad(int k) { return Gradients[static_cast<size_t>(k)]; }

  /// Throws MatrixDifferentSizes_Exception unless every constraint has the
  /// point's dimension.
  void checkConstraintDimensions() const;

  TGCollection<MultiDimFunc> Constraints{0, 4, 0};
  MultiDimVector Rhs;
  LinearSystem Lmatr;
  double PresFactor = 4000.0;
  std::vector<MultiDimVector> Gradients;
};

#endif // VYX_NUMERICS_MINIMIZER_H
