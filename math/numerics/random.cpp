//===- random.cpp - Reproducible pseudo-random generators -----------------===//
//
// The stream readers take every field as it stands (any seed, state and
// double is a valid generator); a short or damaged record ends them with an
// exception (NonZeroPStreamState_Exception for a short read) and leaves the
// generator as it was.
//
//===----------------------------------------------------------------------===//

#include "numerics/random.h"

#include "math_module.h"
#include "pstreams/pstream.h"

#include <cmath>
#include <numbers>

VYX_IMPLEMENT_CLASS(Random_Long, "Random_Long", &vyx::MathModuleHandle, GStreamable)
VYX_IMPLEMENT_ABSTRACT_CLASS(Random_Number, "Random_Number", &vyx::MathModuleHandle, GStreamable)
VYX_IMPLEMENT_CLASS(RangeRandom, "RangeRandom", &vyx::MathModuleHandle, Random_Number)
VYX_IMPLEMENT_CLASS(GaussRandom, "GaussRandom", &vyx::MathModuleHandle, Random_Number)

namespace {

constexpr uint32_t kMultiplier = 0x3243F6AD; // 843314861
constexpr uint32_t kIncrement = 453816693;
constexpr int32_t kNoCarryLimit = 1693666955; // 2^31 - kIncrement
constexpr uint32_t kHighBit = 0x80000000u;
/// 2^-31: one unit of the state as a fraction of the state's range.
constexpr double kUnit = 0x1p-31;

/// The low 32 bits of `value` as two's complement.
int32_t Low32(long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

/// Writes the record shared by RangeRandom and GaussRandom: byte 0, the
/// generator by value, two doubles.
void WriteGeneratorAndPair(opstream &os, Random_Long &generator, double first, double second) {
  os.writeByte(0);
  os.writeStreamable(generator);
  os << first << second;
}

/// Reads that record. The generator is read in place (the stream keeps the
/// address of every object it reads, so it must not be a temporary) and
/// restored when the record turns out damaged; the doubles are stored only
/// when the whole record was read.
void ReadGeneratorAndPair(ipstream &is, Random_Long &generator, double &first, double &second) {
  Random_Long saved = generator;
  try {
    is.readByte();
    is.readStreamable(generator);
    double a = 0.0, b = 0.0;
    is >> a >> b;
    vyx::ReadCheck(is);
    first = a;
    second = b;
  } catch (...) {
    generator = saved;
    throw;
  }
}

} // namespace

// Random_Long ----------------------------------------------------------------

Random_Long::Random_Long(long seed) : State(Low32(seed)), Seed(Low32(seed)) {}

int32_t Random_Long::Step(int32_t state) {
  // Unsigned arithmetic wraps as the 32-bit signed arithmetic of the
  // recurrence does. After the first correction the addition cannot
  // overflow; the second folds a negative sum back into [0, 2^31).
  auto s = static_cast<int32_t>(static_cast<uint32_t>(state) * kMultiplier);
  if (s > kNoCarryLimit)
    s = static_cast<int32_t>(static_cast<uint32_t>(s) + kHighBit);
  s = static_cast<int32_t>(static_cast<uint32_t>(s) + kIncrement);
  if (s < 0)
    s = static_cast<int32_t>(static_cast<uint32_t>(s) + kHighBit);
  return s;
}

void Random_Long::write(opstream &os) {
  os.writeByte(0);
  os.writeDWord(static_cast<uint32_t>(Seed));
  os.writeDWord(static_cast<uint32_t>(State));
}

void Random_Long::read(ipstream &is) {
  is.readByte();
  auto seed = static_cast<int32_t>(static_cast<uint32_t>(is.readDWord()));
  auto state = static_cast<int32_t>(static_cast<uint32_t>(is.readDWord()));
  vyx::ReadCheck(is);
  Seed = seed;
  State = state;
}

// Random_Number --------------------------------------------------------------

void Random_Number::reset() {}

double Random_Number::current() const { return 0.0; }

void Random_Number::do_next() {}

// RangeRandom ----------------------------------------------------------------

RangeRandom::RangeRandom(long seed, double minimum, double maximum)
    : Generator(seed), Minimum(minimum), Step((maximum - minimum) * kUnit) {}

double RangeRandom::current() const {
  return static_cast<double>(Generator.get_state()) * Step + Minimum;
}

void RangeRandom::write(opstream &os) { WriteGeneratorAndPair(os, Generator, Minimum, Step); }

void RangeRandom::read(ipstream &is) { ReadGeneratorAndPair(is, Generator, Minimum, Step); }

// GaussRandom ----------------------------------------------------------------

GaussRandom::GaussRandom(long seed, double sigma) : Generator(seed), Sigma(sigma) { reset(); }

void GaussRandom::reset() {
  Generator.reset();
  // The seed may be negative; the generator treats it modulo 2^31, and so
  // does the uniform number taken from it (the logarithm needs u >= 0).
  FirstUniform =
      static_cast<double>(static_cast<uint32_t>(Generator.get_seed()) & 0x7FFFFFFFu) * kUnit;
  Generator.do_next();
}

void GaussRandom::do_next() {
  FirstUniform = static_cast<double>(Generator.get_next()) * kUnit;
  Generator.do_next();
}

double GaussRandom::current() const {
  // A state of 0 stands for the smallest step [0, 2^-31) of the uniform
  // range: its middle keeps the logarithm finite. (Only a damaged stream
  // holds a negative uniform; it is treated the same way.)
  double u1 = FirstUniform > 0.0 ? FirstUniform : 0x1p-32;
  double angle = static_cast<double>(Generator.get_state()) * (2.0 * std::numbers::pi) * kUnit;
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(angle) * Sigma;
}

void GaussRandom::write(opstream &os) { WriteGeneratorAndPair(os, Generator, Sigma, FirstUniform); }

void GaussRandom::read(ipstream &is) { ReadGeneratorAndPair(is, Generator, Sigma, FirstUniform); }
