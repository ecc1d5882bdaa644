//===- multi_dim_func.cpp - Functions of several variables ----------------===//
//
// Stream form read here: one dword (written as 0, its value not looked at).
//
//===----------------------------------------------------------------------===//
#include "numerics/multi_dim_func.h"

#include "math_module.h"
#include "pstreams/pstream.h"

VYX_IMPLEMENT_ABSTRACT_CLASS(AbsFuncBase, "AbsFuncBase", &vyx::MathModuleHandle, GStreamable)
VYX_IMPLEMENT_ABSTRACT_CLASS(MultiDimFunc, "MultiDimFunc", &vyx::MathModuleHandle, AbsFuncBase)
VYX_IMPLEMENT_CLASS(DefaultFunc, "DefaultFunc", &vyx::MathModuleHandle, MultiDimFunc)
VYX_IMPLEMENT_CLASS(ExpConstFunc, "ExpConstFunc", &vyx::MathModuleHandle, MultiDimFunc)

// AbsFuncBase ----------------------------------------------------------------

void AbsFuncBase::read(ipstream &is) {
  is.readDWord();
  vyx::ReadCheck(is);
}

void AbsFuncBase::write(opstream &os) { os.writeDWord(0); }

// MultiDimFunc ---------------------------------------------------------------

double MultiDimFunc::get_gradient(int, const MultiDimVector &) { return 0.0; }

MultiDimVector MultiDimFunc::get_gradient(const MultiDimVector &x) {
  MultiDimVector g(get_dimension());
  for (int i = 0; i < g.getDimension(); ++i)
    g[i] = get_gradient(i, x);
  return g;
}

int MultiDimFunc::get_nb_of_derivs() { return 1; }

void MultiDimFunc::get_second_deriv(const FMatrix &) {}

double MultiDimFunc::get_second_deriv(int, int, const MultiDimVector &) { return 0.0; }

double MultiDimFunc::get_deriv(const int *orders, int n, const MultiDimVector &x) {
  return n == 1 && orders ? get_gradient(orders[0], x) : 0.0;
}

// ExpConstFunc ---------------------------------------------------------------

int ExpConstFunc::get_dimension() { return count() ? Constraints->at(0)->get_dimension() : 0; }

double ExpConstFunc::get_value(const MultiDimVector &x) {
  double sum = 0.0;
  for (long k = 0; k < count(); ++k) {
    double c = Constraints->at(k)->get_value(x);
    sum += c * c;
  }
  return sum;
}

double ExpConstFunc::get_gradient(int i, const MultiDimVector &x) {
  double sum = 0.0;
  for (long k = 0; k < count(); ++k) {
    MultiDimFunc *c = Constraints->at(k);
    sum += c->get_value(x) * c->get_gradient(i, x);
  }
  return sum;
}

MultiDimVector ExpConstFunc::get_gradient(const MultiDimVector &x) {
  // Each constraint's value once, rather than once per variable.
  MultiDimVector g(get_dimension());
  g = 0.0;
  for (long k = 0; k < count(); ++k) {
    MultiDimFunc *c = Constraints->at(k);
    double value = c->get_value(x);
    for (int i = 0; i < g.getDimension(); ++i)
      g[i] += value * c->get_gradient(i, x);
  }
  return g;
}
