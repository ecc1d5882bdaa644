//===- random.h - Reproducible pseudo-random generators ---------*- C++ -*-===//
//
// Random_Long is a 31-bit linear congruential generator that can be reset to
// its seed:
//
//   state <- (843314861 * state + 453816693) mod 2^31
//
// The multiplier is 0x3243F6AD (the leading hexadecimal digits of pi with the
// low bits forced to 5). Every step is computed in 32-bit two's-complement
// arithmetic, so a sequence is the same bit for bit on every machine.
//
// Random_Number is the abstract base of the double-valued generators built on
// it: RangeRandom (uniform in [minimum, maximum)) and GaussRandom (normally
// distributed with mean 0). All of them are streamable, so a generator saved
// with a scene resumes the same sequence after loading:
//
//   Random_Long   byte 0, seed (dword), state (dword)
//   RangeRandom   byte 0, the Random_Long written by value (a whole object
//                 record), minimum (double), step (double)
//   GaussRandom   byte 0, the Random_Long written by value, sigma (double),
//                 first uniform (double)
//
// The default seed of every generator is 23011965.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_NUMERICS_RANDOM_H
#define VYX_NUMERICS_RANDOM_H

#include "object_model/rtti_object.h"
#include "pstreams/streamable.h"
#include "vyx_math_export.h"

#include <cstdint>

/// A 31-bit linear congruential generator. Registered as "Random_Long".
///
/// The seed and the state are signed 32-bit values; the state lies in
/// [0, 2^31) after the first step. A seed wider than 32 bits is taken modulo
/// 2^32 (as two's complement), which is what a 32-bit seed variable held.
class VYX_MATH_API Random_Long : public GStreamable {
  VYX_DECLARE_CLASS(Random_Long);

  static constexpr int32_t DefaultSeed = 23011965;

  Random_Long() : Random_Long(DefaultSeed) {}
  explicit Random_Long(long seed);

  /// state = seed.
  void reset() { State = Seed; }
  /// One step of the recurrence.
  void do_next() { State = Step(State); }
  /// do_next(), then the new state.
  long get_next() {
    do_next();
    return State;
  }

  long get_seed() const { return Seed; }
  long get_state() const { return State; }

  /// The state that follows `state`.
  static int32_t Step(int32_t state);

  void read(ipstream &is) override;
  void write(opstream &os) override;

private:
  int32_t State;
  int32_t Seed;
};

/// The abstract base of the double-valued generators. Registered as
/// "Random_Number" without builder.
class VYX_MATH_API Random_Number : public GStreamable {
  VYX_DECLARE_CLASS(Random_Number);

  /// Starts the sequence again from the seed (does nothing here).
  virtual void reset();
  /// The current value; calling it again gives the same value (0.0 here).
  virtual double current() const;
  /// Advances to the next value (does nothing here).
  virtual void do_next();

  /// do_next(), then current().
  double get_next() {
    do_next();
    return current();
  }

protected:
  Random_Number() = default;
  Random_Number(const Random_Number &) = default;
  Random_Number &operator=(const Random_Number &) = default;
};

/// Uniformly distributed numbers in [minimum, maximum): the generator's state
/// times (maximum - minimum) * 2^-31, plus minimum. Registered as
/// "RangeRandom".
class VYX_MATH_API RangeRandom : public Random_Number {
  VYX_DECLARE_CLASS(RangeRandom);

  RangeRandom() : RangeRandom(Random_Long::DefaultSeed, 0.0, 1.0) {}
  RangeRandom(long seed, double minimum, double maximum);

  void reset() override { Generator.reset(); }
  double current() const override;
  void do_next() override { Generator.do_next(); }

  const Random_Long &generator() const { return Generator; }
  double get_minimum() const { return Minimum; }
  /// (maximum - minimum) * 2^-31: the value of one unit of the state.
  double get_step() const { return Step; }

  void read(ipstream &is) override;
  void write(opstream &os) override;

private:
  Random_Long Generator;
  double Minimum;
  double Step;
};

/// Normally distributed numbers with mean 0 and standard deviation sigma,
/// by the cosine branch of the Box-Muller transform: every value consumes
/// two consecutive states of the generator, the first as the uniform number
/// u1 = state * 2^-31 and the second as the angle:
///
///   sqrt(-2 ln u1) * cos(state * 2 pi * 2^-31) * sigma
///
/// Registered as "GaussRandom".
class VYX_MATH_API GaussRandom : public Random_Number {
  VYX_DECLARE_CLASS(GaussRandom);

  GaussRandom() : GaussRandom(Random_Long::DefaultSeed, 1.0) {}
  /// Seeds the generator, stores sigma, then reset().
  GaussRandom(long seed, double sigma);

  /// state = seed; first uniform = seed * 2^-31 (a negative seed counts
  /// modulo 2^31, as the generator counts it); one step of the generator.
  /// The first pair is therefore (seed, next state).
  void reset() override;
  /// A first uniform of 0 (a state of 0) counts as 2^-32, the middle of the
  /// smallest step, so that every value is finite.
  double current() const override;
  /// first uniform = the next state * 2^-31; then one more step.
  void do_next() override;

  const Random_Long &generator() const { return Generator; }
  double get_sigma() const { return Sigma; }
  double get_first_uniform() const { return FirstUniform; }

  void read(ipstream &is) override;
  void write(opstream &os) override;

private:
  Random_Long Generator;
  double Sigma;
  double FirstUniform = 0.0;
};

#endif // VYX_NUMERICS_RANDOM_H
