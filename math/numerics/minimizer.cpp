//===- minimizer.cpp - Steepest descent with an adaptive step -------------===//
//
// Stream form read here (AbstractMinimizer; DeltaMinimizer wraps it between
// a dword 0 and its limit):
//   dword 0 (not looked at), the function's own data, point and step vector
//   (dimension dword, doubles each), count (dword, a signed count that must
//   not be negative), step, precision (doubles), numeric-gradient flag
//   (dword, non-zero is true), lapprox_min, lapprox_max, step_factor.
// The count is the one stored value with a forbidden range: a negative
// count would let a descent run for some two billion iterations. Every
// double is taken as it stands; the descent is bounded by its count
// whatever they hold.
//
//===----------------------------------------------------------------------===//
#include "numerics/minimizer.h"

#include "math_module.h"
#include "object_model/exceptions.h"
#include "pstreams/pstream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

VYX_IMPLEMENT_ABSTRACT_CLASS(BaseMinimizer, "BaseMinimizer", &vyx::MathModuleHandle, GStreamable)
VYX_IMPLEMENT_CLASS(AbstractMinimizer, "AbstractMinimizer", &vyx::MathModuleHandle, BaseMinimizer)
VYX_IMPLEMENT_CLASS(DeltaMinimizer, "DeltaMinimizer", &vyx::MathModuleHandle, AbstractMinimizer)

namespace {

/// The last iteration a plain descent may start is number 41.
constexpr int kMaxCount = 40;

/// The function of minimizers built without one. Never destroyed, so a
/// minimizer that outlives static destruction still points at a live object.
DefaultFunc &PlaceholderFunc() {
  static DefaultFunc *const func = new DefaultFunc;
  return *func;
}

void CheckSameDimension(const MultiDimVector &a, int n) {
  if (a.getDimension() != n)
    throw MatrixDifferentSizes_Exception();
}

/// `v` with dimension n: kept when it has it, zeroed storage otherwise.
void Resize(MultiDimVector &v, int n) {
  if (v.getDimension() != n)
    v.setDimension(n);
}

/// Descent on the penalty of constraints: numeric gradients, step 0.0005,
/// and a line search that keeps walking along a good direction up to a
/// travel limit, halving step and limit whenever a walk ends uphill.
class PenaltyDescent final : public AbstractMinimizer {
public:
  PenaltyDescent(MultiDimFunc &penalty, double presFactor)
      : AbstractMinimizer(penalty, 0.0005, 0.001), Threshold(presFactor * 0.001) {
    need_grad(true);
  }

  bool conditions_valid(double, double current) override {
    return Count <= 100 && current > Threshold && Step > 0.0001;
  }

  bool change_step(double &previous, double &current) override {
    // The step stays above 0.0001 while the descent runs, so the walk
    // takes at most Travel / 0.0001 increments.
    if (current < previous) {
      for (double travelled = Step; travelled < Travel; travelled += Step) {
        increment();
        previous = current;
        current = get_value();
        if (!(current < previous))
          break;
      }
    }
    if (!(current < previous)) {
      // Back to the last point that improved, whose value is `previous`,
      // so that the next iteration compares against the point it starts
      // from. A value that is not a number counts as uphill.
      step_undo();
      current = previous;
      Step /= 2;
      Travel /= 2;
    }
    return true;
  }

private:
  double Threshold;
  double Travel = 0.03;
};

} // namespace

// AbstractMinimizer ----------------------------------------------------------

AbstractMinimizer::AbstractMinimizer() : AbstractMinimizer(PlaceholderFunc()) {}

AbstractMinimizer::AbstractMinimizer(MultiDimFunc &f) : Function(&f) { set_func(f); }

AbstractMinimizer::AbstractMinimizer(MultiDimFunc &f, double step, double precision)
    : Function(&f), Step(step), Precision(precision) {
  set_func(f);
}

AbstractMinimizer::AbstractMinimizer(const AbstractMinimizer &other)
    : BaseMinimizer(other), Function(other.Function), Count(other.Count), Step(other.Step),
      Precision(other.Precision), LapproxMin(other.LapproxMin), LapproxMax(other.LapproxMax),
      StepFactor(other.StepFactor), NeedGrad(other.NeedGrad), Point(other.Point),
      Delta(other.Delta), Gradient(other.Point.getDimension()) {}

AbstractMinimizer &AbstractMinimizer::operator=(const AbstractMinimizer &other) {
  if (this != &other) {
    AbstractMinimizer copy(other);
    BaseMinimizer::operator=(other);
    Function = copy.Function;
    Count = copy.Count;
    Step = copy.Step;
    Precision = copy.Precision;
    LapproxMin = copy.LapproxMin;
    LapproxMax = copy.LapproxMax;
    StepFactor = copy.StepFactor;
    NeedGrad = copy.NeedGrad;
    Point = std::move(copy.Point);
    Delta = std::move(copy.Delta);
    Gradient = std::move(copy.Gradient);
    Saved = MultiDimVector();
  }
  return *this;
}

AbstractMinimizer::~AbstractMinimizer() = default;

void AbstractMinimizer::set_func(MultiDimFunc &f) {
  int n = f.get_dimension();
  MultiDimVector check(n); // throws for a negative dimension before anything changes
  Function = &f;
  Resize(Point, n);
  Resize(Delta, n);
  Resize(Gradient, n);
}

void AbstractMinimizer::set_data(const MultiDimVector &x) {
  Point = x;
  Count = 0;
}

void AbstractMinimizer::write_state(FILE *out) const {
  if (!out)
    return;
  std::fprintf(out, "Count = %d \n", Count);
  std::fprintf(out, "step  = %f \n", Step);
  for (int i = 0; i < Point.getDimension(); ++i)
    std::fprintf(out, "%f", Point[i]);
  std::fprintf(out, "\n\n");
}

void AbstractMinimizer::prepareVectors() {
  int n = Function->get_dimension();
  CheckSameDimension(Point, n);
  Resize(Delta, n);
  Resize(Gradient, n);
}

void AbstractMinimizer::minimize() { descend(); }

void AbstractMinimizer::descend() {
  prepareVectors();
  double current = get_value();
  double previous = current;
  itteration_begins();
  do {
    new_itteration();
    calculate_delta();
    increment();
    previous = current;
    current = get_value();
    if (!change_step(previous, current)) {
      double trial = current;
      step_undo();
      current = get_value();
      // The point is back where it was, but that is no convergence: the
      // end test sees the change the rejected trial made (a trial into a
      // region without finite values counts as a large one), so the
      // descent goes on with the smaller step.
      previous = std::isfinite(trial) ? trial : HUGE_VAL;
    }
  } while (conditions_valid(previous, current));
  itteration_ended();
}

bool AbstractMinimizer::conditions_valid(double previous, double current) {
  return Count <= kMaxCount && std::fabs(previous - current) > Precision;
}

bool AbstractMinimizer::change_step(double &previous, double &current) {
  double change = current - previous;
  if (!(change <= 0)) {
    Step /= StepFactor;
    return false;
  }
  double predicted = (Delta, Gradient);
  if (std::fabs((change - predicted) / change) < LapproxMin)
    Step *= StepFactor;
  return true;
}

void AbstractMinimizer::new_itteration() {
  if (Count < INT_MAX)
    ++Count;
}

void AbstractMinimizer::increment() {
  Saved = Point;
  Point += Delta;
}

void AbstractMinimizer::step_undo() {
  // Restoring the saved point is exact, where subtracting delta again
  // would round (and turn an overflowed coordinate into a NaN).
  if (Saved.getDimension() == Point.getDimension())
    Point = Saved;
  else
    Point -= Delta;
}

void AbstractMinimizer::calculate_delta() {
  calculate_grad(Gradient);
  int n = Gradient.getDimension();
  // The direction is scaled by its largest component first, so that the
  // norm neither overflows nor underflows for extreme gradients.
  double largest = 0.0;
  for (int i = 0; i < n; ++i)
    largest = std::max(largest, std::fabs(Gradient[i]));
  if (!(largest > 0.0) || !std::isfinite(largest)) {
    // No downhill direction (or none that can be trusted): a zero step,
    // which ends the descent.
    Delta.setDimension(n);
    return;
  }
  MultiDimVector direction = Gradient / largest;
  Delta = direction * (-Step / direction.length());
}

void AbstractMinimizer::itteration_begins() {}

void AbstractMinimizer::itteration_ended() {}

double AbstractMinimizer::get_value() { return Function->get_value(Point); }

void AbstractMinimizer::calculate_grad(MultiDimVector &g) {
  int n = Function->get_dimension();
  CheckSameDimension(Point, n);
  Resize(g, n);
  if (!NeedGrad) {
    for (int i = n - 1; i >= 0; --i)
      g[i] = Function->get_gradient(i, Point);
    return;
  }
  double h = Step / 2;
  for (int i = 0; i < n; ++i) {
    double x = Point[i];
    Point[i] = x + h;
    double above = Function->get_value(Point);
    Point[i] = x - h;
    double below = Function->get_value(Point);
    Point[i] = x;
    g[i] = (above - below) / (2 * h);
  }
}

void AbstractMinimizer::read(ipstream &is) {
  is.readDWord();
  Function->read(is);
  MultiDimVector point, delta;
  point.read(is);
  delta.read(is);
  auto count = static_cast<int32_t>(static_cast<uint32_t>(is.readDWord()));
  vyx::ReadCheck(is, count >= 0);
  double step = 0.0, precision = 0.0;
  is >> step >> precision;
  bool numeric = is.readDWord() != 0;
  double lapproxMin = 0.0, lapproxMax = 0.0, stepFactor = 0.0;
  is >> lapproxMin >> lapproxMax >> stepFactor;
  vyx::ReadCheck(is);

  Point = std::move(point);
  Delta = std::move(delta);
  Count = count;
  Step = step;
  Precision = precision;
  NeedGrad = numeric;
  LapproxMin = lapproxMin;
  LapproxMax = lapproxMax;
  StepFactor = stepFactor;
  Saved = MultiDimVector();
}

void AbstractMinimizer::write(opstream &os) {
  os.writeDWord(0);
  Function->write(os);
  Point.write(os);
  Delta.write(os);
  os.writeDWord(static_cast<uint32_t>(Count));
  os << Step << Precision;
  os.writeDWord(NeedGrad ? 1 : 0);
  os << LapproxMin << LapproxMax << StepFactor;
}

// DeltaMinimizer -------------------------------------------------------------

DeltaMinimizer::DeltaMinimizer() : DeltaMinimizer(PlaceholderFunc(), 1.0) {}

DeltaMinimizer::DeltaMinimizer(MultiDimFunc &f, double limit)
    : AbstractMinimizer(f, limit / 4, 0.001), Limit(limit) {}

void DeltaMinimizer::set_undo() {
  if (Saved.getDimension() == Point.getDimension())
    Point = Saved;
}

void DeltaMinimizer::itteration_begins() { BoundHit = false; }

void DeltaMinimizer::increment() {
  CheckSameDimension(Delta, Point.getDimension());
  Saved = Point;
  for (int i = Point.getDimension() - 1; i >= 0; --i) {
    double x = Point[i] + Delta[i];
    if (x > Limit) {
      x = Limit;
      BoundHit = true;
    } else if (x < -Limit) {
      x = -Limit;
      BoundHit = true;
    }
    Delta[i] = x - Point[i];
    Point[i] = x;
  }
}

bool DeltaMinimizer::change_step(double &previous, double &current) {
  double change = current - previous;
  if (!(change <= 0)) {
    Step /= StepFactor;
    return false;
  }
  double ratio = std::fabs((change - (Delta, Gradient)) / change);
  if (ratio > LapproxMax)
    Step /= StepFactor;
  else if (ratio < LapproxMin)
    Step *= StepFactor;
  return true;
}

bool DeltaMinimizer::conditions_valid(double previous, double current) {
  return AbstractMinimizer::conditions_valid(previous, current) && !BoundHit;
}

void DeltaMinimizer::read(ipstream &is) {
  DeltaMinimizer saved(*this);
  try {
    is.readDWord();
    AbstractMinimizer::read(is);
    double limit = 0.0;
    is >> limit;
    vyx::ReadCheck(is);
    Limit = limit;
  } catch (...) {
    *this = saved;
    throw;
  }
}

void DeltaMinimizer::write(opstream &os) {
  os.writeDWord(0);
  AbstractMinimizer::write(os);
  os << Limit;
}

// Minimizer ------------------------------------------------------------------

Minimizer::Minimizer(MultiDimFunc &f, double step) : AbstractMinimizer(f, step, 0.001) {}

Minimizer::~Minimizer() = default;

void Minimizer::add_constraint(MultiDimFunc *c) {
  if (c)
    Constraints.insert(c);
}

void Minimizer::remove_constraint(int i) {
  if (i >= 0 && i < Constraints.getCount())
    Constraints.at_remove(i);
}

MultiDimFunc *Minimizer::at_const(int i) const {
  return i >= 0 && i < Constraints.getCount() ? Constraints.at(i) : nullptr;
}

void Minimizer::checkConstraintDimensions() const {
  for (long k = 0; k < Constraints.getCount(); ++k)
    CheckSameDimension(Point, Constraints.at(k)->get_dimension());
}

bool Minimizer::check_constraints() {
  checkConstraintDimensions();
  double sum = 0.0;
  for (long k = 0; k < Constraints.getCount(); ++k)
    sum += std::fabs(Constraints.at(k)->get_value(Point));
  return sum < Precision * PresFactor;
}

void Minimizer::minimize() {
  prepareVectors();
  get_value();
  generate_grad_coll();
  int m = get_const_count();
  Lmatr.resize(m);
  Rhs.setDimension(m);
  PresFactor = 500.0;
  minimize_constraints();
}

void Minimizer::minimize_constraints() {
  if (Constraints.getCount() == 0)
    return;
  checkConstraintDimensions();
  ExpConstFunc penalty(Constraints);
  PenaltyDescent descent(penalty, PresFactor);
  descent.set_data(Point);
  descent.minimize();
  Point = descent.get_result();
}

void Minimizer::generate_grad_coll() {
  Gradients.assign(static_cast<size_t>(get_const_count()) + 1,
                   MultiDimVector(Function->get_dimension()));
}

void Minimizer::fill_grad_coll() {
  prepareVectors();
  checkConstraintDimensions();
  size_t count = std::min(Gradients.size(), static_cast<size_t>(get_const_count()) + 1);
  for (size_t k = 0; k < count; ++k) {
    MultiDimFunc *f = k == 0 ? Function : Constraints.at(static_cast<long>(k) - 1);
    MultiDimVector &g = Gradients[k];
    for (int i = 0; i < std::min(g.getDimension(), Point.getDimension()); ++i)
      g[i] = f->get_gradient(i, Point);
  }
}

void Minimizer::empty_grad_coll() { Gradients.clear(); }

void Minimizer::generate_lmatr() {
  long n = std::min({static_cast<long>(Lmatr.numRows()), static_cast<long>(Lmatr.numColumns()),
                     static_cast<long>(Gradients.size()) - 1});
  for (long i = 0; i < n; ++i)
    for (long j = 0; j < n; ++j)
      Lmatr(static_cast<unsigned>(i), static_cast<unsigned>(j)) =
          static_cast<float>((at_grad(static_cast<int>(i) + 1), at_grad(static_cast<int>(j) + 1)));
}

void Minimizer::generate_const_state() {
  checkConstraintDimensions();
  int n = std::min(Rhs.getDimension(), get_const_count());
  for (int k = 0; k < n; ++k)
    Rhs[k] = -Constraints.at(k)->get_value(Point);
}

void Minimizer::prepare_data() {
  fill_grad_coll();
  generate_lmatr();
  generate_const_state();
}
