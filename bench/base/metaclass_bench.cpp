//===- metaclass_bench.cpp - Class registry and run-time casts -----------===//
//
// GMetaClass::FindByName against a hash map and an ordered map of the same
// names, and the library's kind tests and casts against the compiler's
// dynamic_cast on a class tree of the same shape:
//
//   root <- d1 <- d2 <- d3 <- d4 <- d5, and d5 + side <- both
//
//===----------------------------------------------------------------------===//

#include "object_model/gobject.h"
#include "object_model/metaclass.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {
HINSTANCE BenchModuleHandle = nullptr;
}

// The library's tree.
class BenchRoot : public GObject {
  VYX_DECLARE_CLASS(BenchRoot);
};
class BenchD1 : public BenchRoot {
  VYX_DECLARE_CLASS(BenchD1);
};
class BenchD2 : public BenchD1 {
  VYX_DECLARE_CLASS(BenchD2);
};
class BenchD3 : public BenchD2 {
  VYX_DECLARE_CLASS(BenchD3);
};
class BenchD4 : public BenchD3 {
  VYX_DECLARE_CLASS(BenchD4);
};
class BenchD5 : public BenchD4 {
  VYX_DECLARE_CLASS(BenchD5);
};
class BenchSide : public GRTTIObject {
  VYX_DECLARE_CLASS(BenchSide);
  int Side = 0;
};
class BenchBoth : public BenchD5, public BenchSide {
  VYX_DECLARE_CLASS(BenchBoth);
};

VYX_IMPLEMENT_CLASS(BenchRoot, "BenchRoot", &BenchModuleHandle, GObject)
VYX_IMPLEMENT_CLASS(BenchD1, "BenchD1", &BenchModuleHandle, BenchRoot)
VYX_IMPLEMENT_CLASS(BenchD2, "BenchD2", &BenchModuleHandle, BenchD1)
VYX_IMPLEMENT_CLASS(BenchD3, "BenchD3", &BenchModuleHandle, BenchD2)
VYX_IMPLEMENT_CLASS(BenchD4, "BenchD4", &BenchModuleHandle, BenchD3)
VYX_IMPLEMENT_CLASS(BenchD5, "BenchD5", &BenchModuleHandle, BenchD4)
VYX_IMPLEMENT_CLASS(BenchSide, "BenchSide", &BenchModuleHandle, GRTTIObject)
VYX_IMPLEMENT_CLASS(BenchBoth, "BenchBoth", &BenchModuleHandle, BenchD5, BenchSide)

namespace {

// The compiler's tree of the same shape.
struct StdRoot {
  virtual ~StdRoot() = default;
};
struct StdD1 : StdRoot {};
struct StdD2 : StdD1 {};
struct StdD3 : StdD2 {};
struct StdD4 : StdD3 {};
struct StdD5 : StdD4 {};
struct StdSide {
  virtual ~StdSide() = default;
  int Side = 0;
};
struct StdBoth : StdD5, StdSide {};
struct StdOther : StdRoot {};

/// A registry of about the size of an application's: 200 more classes.
struct Population {
  std::deque<std::string> Names;
  std::vector<std::unique_ptr<GMetaClass>> Classes;
  std::vector<const char *> Lookups;

  Population() {
    static constinit const type_info type("BenchGenerated");
    for (int i = 0; i < 200; ++i) {
      Names.push_back("BenchGeneratedClass" + std::to_string(i * 7919 % 1000));
      Classes.push_back(std::make_unique<GMetaClass>(&BenchModuleHandle, type, Names.back().c_str(),
                                                     nullptr, nullptr, &GObject::metaclass_));
    }
    for (long i = 0; i < GMetaClass::GetCount(); ++i)
      Lookups.push_back(GMetaClass::At(i)->getName());
  }
};

Population &population() {
  static Population p;
  return p;
}

void BM_FindByName(benchmark::State &state) {
  const auto &names = population().Lookups;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(GMetaClass::FindByName(names[i]));
    i = (i + 1) % names.size();
  }
  state.counters["classes"] = static_cast<double>(names.size());
}
BENCHMARK(BM_FindByName);

void BM_FindByName_Unknown(benchmark::State &state) {
  population();
  for (auto _ : state)
    benchmark::DoNotOptimize(GMetaClass::FindByName("BenchNoSuchClass"));
}
BENCHMARK(BM_FindByName_Unknown);

/// The same lookups in a standard map of the same names (the peers).
template <class Map> void BM_MapFind(benchmark::State &state) {
  const auto &names = population().Lookups;
  Map map;
  for (const char *name : names)
    map.emplace(name, GMetaClass::FindByName(name));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.find(names[i]));
    i = (i + 1) % names.size();
  }
}
BENCHMARK_TEMPLATE(BM_MapFind, std::unordered_map<std::string_view, const GMetaClass *>);
BENCHMARK_TEMPLATE(BM_MapFind, std::map<std::string_view, const GMetaClass *>);

/// Objects behind an opaque pointer, so that nothing is folded away.
template <class T> T *opaque(T *p) {
  benchmark::DoNotOptimize(p);
  return p;
}

void BM_IsKindOf_Deep(benchmark::State &state) {
  BenchD5 object;
  GRTTIObject *p = opaque<GRTTIObject>(&object);
  for (auto _ : state)
    benchmark::DoNotOptimize(p->isKindOf(&BenchRoot::metaclass_));
}
BENCHMARK(BM_IsKindOf_Deep);

void BM_IsKindOf_Miss(benchmark::State &state) {
  BenchD5 object;
  GRTTIObject *p = opaque<GRTTIObject>(&object);
  for (auto _ : state)
    benchmark::DoNotOptimize(p->isKindOf(&BenchSide::metaclass_));
}
BENCHMARK(BM_IsKindOf_Miss);

void BM_MetaClassIsKindOf_Deep(benchmark::State &state) {
  const GMetaClass *m = opaque(&BenchD5::metaclass_);
  for (auto _ : state)
    benchmark::DoNotOptimize(m->isKindOf(BenchRoot::metaclass_));
}
BENCHMARK(BM_MetaClassIsKindOf_Deep);

void BM_RttiCast_Deep(benchmark::State &state) {
  BenchD5 object;
  GRTTIObject *p = opaque<GRTTIObject>(&object);
  for (auto _ : state)
    benchmark::DoNotOptimize(vyx::rtti_cast<BenchD1>(p));
}
BENCHMARK(BM_RttiCast_Deep);

void BM_RttiCast_Cross(benchmark::State &state) {
  BenchBoth object;
  GRTTIObject *p = opaque<GRTTIObject>(static_cast<BenchD5 *>(&object));
  for (auto _ : state)
    benchmark::DoNotOptimize(vyx::rtti_cast<BenchSide>(p));
}
BENCHMARK(BM_RttiCast_Cross);

void BM_DynamicCast_Deep(benchmark::State &state) {
  StdD5 object;
  StdRoot *p = opaque<StdRoot>(&object);
  for (auto _ : state)
    benchmark::DoNotOptimize(dynamic_cast<StdD1 *>(p));
}
BENCHMARK(BM_DynamicCast_Deep);

void BM_DynamicCast_Miss(benchmark::State &state) {
  StdD5 object;
  StdRoot *p = opaque<StdRoot>(&object);
  for (auto _ : state)
    benchmark::DoNotOptimize(dynamic_cast<StdOther *>(p));
}
BENCHMARK(BM_DynamicCast_Miss);

void BM_DynamicCast_Cross(benchmark::State &state) {
  StdBoth object;
  StdRoot *p = opaque<StdRoot>(static_cast<StdD5 *>(&object));
  for (auto _ : state)
    benchmark::DoNotOptimize(dynamic_cast<StdSide *>(p));
}
BENCHMARK(BM_DynamicCast_Cross);

} // namespace
