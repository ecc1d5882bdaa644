// Tests of the minimizers: descents on known functions, the iteration limit
// and the precision, degenerate functions (no variables, flat, not a
// number), the bound of DeltaMinimizer, constraints, the state report and
// the stream form.
#include "numerics/minimizer.h"

#include "numerics_test_support.h"
#include "object_model/exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using numtest::Bytes;
using Values = std::vector<double>;

MultiDimVector Vec(const Values &values) {
  MultiDimVector v(static_cast<int>(values.size()));
  for (size_t i = 0; i < values.size(); ++i)
    v[static_cast<int>(i)] = values[i];
  return v;
}

/// A function given by lambdas; the gradient by central differences of the
/// value when none is given.
class Func : public MultiDimFunc {
public:
  using Value = std::function<double(const MultiDimVector &)>;
  using Partial = std::function<double(int, const MultiDimVector &)>;
  using MultiDimFunc::get_gradient;

  Func(int n, Value value, Partial partial = nullptr)
      : N(n), F(std::move(value)), G(std::move(partial)) {}
  int get_dimension() override { return N; }
  double get_value(const MultiDimVector &x) override {
    ++Calls;
    return F(x);
  }
  double get_gradient(int i, const MultiDimVector &x) override { return G ? G(i, x) : 0.0; }

  int Calls = 0;

private:
  int N;
  Value F;
  Partial G;
};

/// Σ (x_i - c_i)².
Func Bowl(Values centre) {
  int n = static_cast<int>(centre.size());
  return Func(
      n,
      [centre](const MultiDimVector &x) {
        double sum = 0.0;
        for (size_t i = 0; i < centre.size(); ++i)
          sum += (x[int(i)] - centre[i]) * (x[int(i)] - centre[i]);
        return sum;
      },
      [centre](int i, const MultiDimVector &x) { return 2 * (x[i] - centre[size_t(i)]); });
}

/// A linear function: never converges, so only the count ends the descent.
Func Slope() {
  return Func(
      1, [](const MultiDimVector &x) { return -x[0]; }, [](int, auto &) { return -1.0; });
}

TEST(MinimizerTest, DescendsQuadraticBowls) {
  Func bowl = Bowl({0, 0});
  AbstractMinimizer m(bowl);
  EXPECT_EQ(0.01, m.get_step());
  EXPECT_EQ(0.001, m.get_precision());
  m.set_data(Vec({1, 1}));
  m.minimize();
  // Steps double while the prediction holds; overshooting trials are
  // undone and the step shrinks until the value settles.
  EXPECT_LT(bowl.get_value(m.get_result()), 0.001);
  EXPECT_LE(m.get_count(), 41);

  // The same descent with central differences; off-centre in 3 variables.
  Func shifted = Bowl({0.5, -2, 1});
  AbstractMinimizer numeric(shifted, 0.05, 1e-6);
  numeric.need_grad(true);
  numeric.set_data(Vec({0, 0, 0}));
  numeric.minimize();
  EXPECT_LT(shifted.get_value(numeric.get_result()), 1e-3);
}

TEST(MinimizerTest, RosenbrockImprovesWithinTheLimit) {
  Func rosenbrock(
      2,
      [](const MultiDimVector &x) {
        return 100 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1 - x[0], 2);
      },
      [](int i, const MultiDimVector &x) {
        double r = x[1] - x[0] * x[0];
        return i == 0 ? -400 * x[0] * r - 2 * (1 - x[0]) : 200 * r;
      });
  AbstractMinimizer m(rosenbrock);
  m.set_data(Vec({-1.2, 1}));
  m.minimize();
  EXPECT_LT(rosenbrock.get_value(m.get_result()), 5.0);
  EXPECT_LE(m.get_count(), 41);
}

TEST(MinimizerTest, CountAndPrecisionEndTheDescent) {
  Func slope = Slope();
  AbstractMinimizer m(slope);
  m.set_data(Vec({0}));
  m.minimize();
  EXPECT_EQ(41, m.get_count());
  EXPECT_GT(m.get_result()[0], 1000.0); // the step doubled all along
  // A second run goes on from the count reached; set_data starts afresh.
  m.minimize();
  EXPECT_EQ(42, m.get_count());
  m.set_data(Vec({0}));
  m.minimize();
  EXPECT_EQ(41, m.get_count());

  Func bowl = Bowl({0});
  AbstractMinimizer coarse(bowl, 0.01, 10.0); // any change within 10 ends it
  coarse.set_data(Vec({1}));
  coarse.minimize();
  EXPECT_EQ(1, coarse.get_count());
  EXPECT_DOUBLE_EQ(0.99, coarse.get_result()[0]);
}

TEST(MinimizerTest, DegenerateFunctionsEndCleanly) {
  Func empty(0, [](const MultiDimVector &) { return 0.0; });
  AbstractMinimizer none(empty);
  none.minimize();
  EXPECT_EQ(1, none.get_count());

  AbstractMinimizer flat; // DefaultFunc: 3 variables, value 1, no gradient
  flat.set_data(Vec({1, 2, 3}));
  flat.minimize();
  EXPECT_EQ(1, flat.get_count());
  EXPECT_EQ(2.0, flat.get_result()[1]);
  flat.need_grad(true);
  flat.minimize();
  EXPECT_EQ(3.0, flat.get_result()[2]);

  Func nan(
      1, [](const MultiDimVector &) { return NAN; }, [](int, auto &) { return 1.0; });
  AbstractMinimizer lost(nan);
  lost.set_data(Vec({0.25}));
  lost.minimize();
  EXPECT_EQ(0.25, lost.get_result()[0]);
  EXPECT_LE(lost.get_count(), 41);

  // Undefined beyond 0.5: trials that land there are undone exactly and the
  // step shrinks, so the point stays where the function has values.
  Func edge(
      1, [](const MultiDimVector &x) { return x[0] < 0.5 ? (x[0] - 1) * (x[0] - 1) : NAN; },
      [](int, const MultiDimVector &x) { return 2 * (x[0] - 1); });
  AbstractMinimizer careful(edge);
  careful.set_data(Vec({0}));
  careful.minimize();
  EXPECT_LT(careful.get_result()[0], 0.5);
  EXPECT_GT(careful.get_result()[0], 0.4);

  Func bowl = Bowl({0, 0});
  AbstractMinimizer wrong(bowl);
  wrong.set_data(Vec({1, 2, 3}));
  EXPECT_THROW(wrong.minimize(), MatrixDifferentSizes_Exception);
}

TEST(MinimizerTest, DeltaMinimizerStopsAtTheBound) {
  Func far = Bowl({5, 0});
  DeltaMinimizer m(far, 1.0);
  EXPECT_EQ(0.25, m.get_step());
  m.set_data(Vec({0, 0.5}));
  m.minimize();
  EXPECT_TRUE(m.bound_hit());
  EXPECT_EQ(1.0, m.get_result()[0]);
  EXPECT_LE(std::fabs(m.get_result()[1]), 1.0);
  m.set_undo();
  EXPECT_LT(m.get_result()[0], 1.0);

  Func near = Bowl({0.3, -0.2});
  DeltaMinimizer inside(near, 1.0);
  inside.set_data(Vec({0, 0}));
  inside.minimize();
  EXPECT_FALSE(inside.bound_hit());
  EXPECT_LT(near.get_value(inside.get_result()), 0.001);
}

TEST(MinimizerTest, WritesTheStateReport) {
  // A point (1, 2) after 3 iterations with step 0.04, as read from a stream.
  Bytes record;
  numtest::Put32(record, 0);
  numtest::Put32(record, 0); // the DefaultFunc
  for (const MultiDimVector &v : {Vec({1, 2}), Vec({0, 0})}) {
    numtest::Put32(record, 2);
    numtest::PutDouble(record, v[0]);
    numtest::PutDouble(record, v[1]);
  }
  numtest::Put32(record, 3);
  numtest::PutDouble(record, 0.04);
  numtest::PutDouble(record, 0.001);
  numtest::Put32(record, 7);
  for (double d : {0.1, 0.5, 2.0})
    numtest::PutDouble(record, d);
  AbstractMinimizer m;
  impstream is(record.data(), static_cast<long>(record.size()));
  m.read(is);
  EXPECT_TRUE(m.need_grad());

  std::FILE *file = std::tmpfile();
  ASSERT_NE(nullptr, file);
  m.write_state(file);
  std::rewind(file);
  char text[128] = {};
  size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  EXPECT_EQ("Count = 3 \nstep  = 0.040000 \n1.0000002.000000\n\n", std::string(text, n));
  record[68] = 1; // the flag is written back as 1
  EXPECT_EQ(record, numtest::Written([&](opstream &os) { m.write(os); }));
}

TEST(MinimizerTest, StreamRoundTripsAndDamagedRecords) {
  Func bowl = Bowl({0, 0});
  DeltaMinimizer m(bowl, 2.0);
  m.set_data(Vec({1, 1}));
  m.minimize();
  Bytes data = numtest::Written([&](opstream &os) { m.write(os); });
  ASSERT_EQ(12 + 2 * 20 + 4 + 16 + 4 + 24 + 8, int(data.size()));

  std::unique_ptr<AbstractMinimizer> read(
      numtest::ReadPointer<AbstractMinimizer>(numtest::WrittenPointer(m)));
  auto *delta = vyx::rtti_cast<DeltaMinimizer>(read.get());
  ASSERT_NE(nullptr, delta);
  EXPECT_EQ(2.0, delta->get_limit());
  EXPECT_EQ(m.get_count(), delta->get_count());
  EXPECT_EQ(m.get_step(), delta->get_step());
  EXPECT_EQ(m.get_result()[1], delta->get_result()[1]);
  delta->set_func(bowl); // keeps the point read: it has the right dimension
  EXPECT_EQ(m.get_result()[0], delta->get_result()[0]);

  // Every truncation and a negative count fail and leave the target alone.
  Bytes negative = data;
  negative[52] = 0xFF, negative[55] = 0xFF;
  DeltaMinimizer target(bowl, 3.0);
  target.set_data(Vec({7, 8}));
  for (size_t n = 0; n <= data.size(); ++n) {
    Bytes bad = n < data.size() ? Bytes(data.begin(), data.begin() + long(n)) : negative;
    impstream is(bad.data(), static_cast<long>(bad.size()));
    EXPECT_THROW(target.read(is), NonZeroPStreamState_Exception) << n;
    EXPECT_EQ(3.0, target.get_limit());
    EXPECT_EQ(0.75, target.get_step());
    EXPECT_EQ(8.0, target.get_result()[1]);
  }
}

/// Opens the preparation steps of Minimizer.
class OpenMinimizer : public Minimizer {
public:
  using Minimizer::at_grad;
  using Minimizer::generate_grad_coll;
  using Minimizer::Minimizer;
  using Minimizer::prepare_data;
  const LinearSystem &matrix() const { return Lmatr; }
  const MultiDimVector &rhs() const { return Rhs; }
  friend TGCollection<MultiDimFunc> &constraints(OpenMinimizer &m) { return m.Constraints; }
};

TEST(MinimizerTest, ConstraintsMoveThePointOntoTheirSet) {
  Func objective = Bowl({3, 3});
  Func sum(
      2, [](const MultiDimVector &x) { return x[0] + x[1] - 1; }, [](int, auto &) { return 1.0; });
  Func diff(
      2, [](const MultiDimVector &x) { return x[0] - x[1]; },
      [](int i, auto &) { return i == 0 ? 1.0 : -1.0; });
  OpenMinimizer m(objective, 0.1);
  EXPECT_EQ(4000.0, m.get_pres_factor());
  m.add_constraint(&sum);
  m.add_constraint(nullptr);
  m.add_constraint(&diff);
  m.remove_constraint(5);
  EXPECT_EQ(2, m.get_const_count());
  EXPECT_EQ(nullptr, m.at_const(2));
  m.set_data(Vec({0, 0}));

  m.set_pres_factor(0.001); // penalty down to 1e-6
  m.minimize_constraints();
  EXPECT_NEAR(0.5, m.get_result()[0], 0.01);
  EXPECT_NEAR(0.5, m.get_result()[1], 0.01);
  ExpConstFunc penalty(constraints(m));
  EXPECT_LE(penalty.get_value(m.get_result()), 1e-6);

  // minimize() works to pres_factor 500 and leaves the objective alone.
  m.set_data(Vec({-2, 0}));
  m.minimize();
  EXPECT_EQ(500.0, m.get_pres_factor());
  EXPECT_LE(penalty.get_value(m.get_result()), 0.5);
  EXPECT_LT(m.get_result()[0], 1.5); // not drawn towards the objective's minimum (3, 3)

  // The preparation: gradients, their dot products and -c_k(x).
  m.generate_grad_coll();
  m.set_data(Vec({2, 1}));
  m.prepare_data();
  EXPECT_EQ(-4.0, m.at_grad(0)[1]);
  EXPECT_EQ(2.0f, m.matrix()(0, 0));
  EXPECT_EQ(0.0f, m.matrix()(0, 1));
  EXPECT_EQ(-2.0, m.rhs()[0]);
  EXPECT_EQ(-1.0, m.rhs()[1]);

  Func wide = Bowl({0, 0, 0});
  m.add_constraint(&wide);
  EXPECT_THROW(m.minimize_constraints(), MatrixDifferentSizes_Exception);
  m.remove_constraint(2);
  m.remove_constraint(0);
  m.remove_constraint(0);
  m.set_data(Vec({4, 4}));
  m.minimize();
  EXPECT_EQ(4.0, m.get_result()[0]); // nothing to satisfy
}

TEST(MultiDimFuncTest, PenaltyAndDefaults) {
  Func a = Bowl({1, 0});
  Func b(
      2, [](const MultiDimVector &x) { return x[1]; }, [](int i, auto &) { return i * 1.0; });
  TGCollection<MultiDimFunc> constraints(0, 4, 0);
  constraints.insert(&a);
  constraints.insert(&b);
  ExpConstFunc penalty(constraints);
  MultiDimVector x = Vec({2, 3});
  EXPECT_EQ(2, penalty.get_dimension());
  EXPECT_EQ(10.0 * 10.0 + 3.0 * 3.0, penalty.get_value(x));
  // Σ c_k · ∂c_k: half the derivative of the value.
  EXPECT_EQ(10.0 * 2.0, penalty.get_gradient(0, x));
  EXPECT_EQ(10.0 * 6.0 + 3.0, penalty.get_gradient(1, x));
  MultiDimVector g = penalty.get_gradient(x);
  EXPECT_EQ(penalty.get_gradient(1, x), g[1]);
  EXPECT_EQ(0.0, ExpConstFunc().get_value(x));

  DefaultFunc d;
  MultiDimFunc &f = d;
  EXPECT_EQ(3, f.get_dimension());
  EXPECT_EQ(0.0, f.get_gradient(Vec({1, 2, 3})).length());
  int order = 1;
  EXPECT_EQ(6.0, a.get_deriv(&order, 1, x));
  EXPECT_EQ(0.0, a.get_deriv(&order, 2, x));
  EXPECT_EQ(1, f.get_nb_of_derivs());
  EXPECT_EQ(Bytes({0, 0, 0, 0}), numtest::Written([&](opstream &os) { d.write(os); }));
}

} // namespace
