// Waveform operations against hand-written loops doing the same work on
// plain arrays (the floor).
//
// Data: N points of doubles in memory (a container's cache; nothing is
// read from or written to disk). Each run builds fresh waveform segments
// over the same input arrays (not timed), applies one operation (timed)
// and drops the result (not timed). The floor allocates its result arrays
// inside its timing, as the library does, and frees them after it.
//
// Workloads (run interleaved, medians reported, ratio = library / floor):
//   add-same-x     Y of two segments over one X array (as waveforms written
//                  together share their X values) added. Floor:
//                  r[i] = a[i] + b[i].
//   add-equal-x    the same with the X values in two arrays of equal values,
//                  which the library compares first (same floor).
//   add-merged     two segments on interleaved X (even and odd points)
//                  added after merging onto 2N points, each interpolated
//                  linearly between its own points. Floor: one pass of a
//                  two-way merge with interpolation and the sum.
//   derivative     the derivative of a sine (its slope changes at every
//                  point: two output points per input point). Floor: the
//                  same point layout computed into preallocated arrays.
//   integral       the running trapezoid integral. Floor: the same sums.
//   pack-bus       a 64-bit bus (an array of 64 one-bit enumeration values)
//                  packed from 64 one-bit segments of N / 10 points over one
//                  X array, as a composite waveform packs its fields
//                  (ZELI_PackFields). Floor: each field's bits placed into
//                  the eight-byte values, field by field.
//   pack-merged    the same from 64 segments of N / 10 points whose X
//                  values differ (the even bits on even, the odd bits on odd
//                  points), merged onto 2N / 10 points first (a bit has no
//                  value, zero, before its first point, and holds its last
//                  value after its last point).
//                  Floor: one walk over the 64 X arrays in ascending X, each
//                  bit's value at the smallest current X placed.
// The library's time includes what the floor does not do: summaries of the
// results (monotonicity, minimum and maximum over each new array: for
// real values one pass, then a shorter one for the indices of the extremes),
// zeroing each result array before the operation fills it, and the checks
// before an operation. The time of one summary of N values (the sine, and
// noise) is printed after the table.
//
// Aims: within 2x of the floor for add-same-x, derivative and integral;
// within 3x for add-merged, pack-bus and pack-merged.
//
// Memory: by default the allocator keeps freed memory for reuse (mallopt:
// no separate mappings for large blocks, no trimming), so that both sides
// write into memory the process already has, as a long-running reader
// would; the comparison is then one of work and memory traffic. With
// --default-malloc the allocator's own policy applies: large blocks are
// mapped and unmapped, every run of either side pays the kernel for fresh
// pages, and which side pays how much varies from run to run.
//
// Flags:
//   --points=N        points per waveform (default 1000000)
//   --repetitions=R   interleaved runs of each workload (default 7)
//   --only=NAME       run only that workload (for profiling)
//   --default-malloc  leave the allocator's policy as it is (see Memory)
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "access/merge_pack.h"
#include "access/operation.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "bench_support.h"
#include "errors/exceptions.h"
#include "model/cached_array.h"
#include "model/container.h"
#include "model/data_information.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/scalar_types.h"
#include "types/type_table.h"
#include "waveforms/derived_waveform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The calls a built-in operation makes: the first operand type's own
// arithmetic over whole arrays.
class TypeArithmetic : public ZELI_Operation {
 public:
  using ZELI_Operation::ZELI_Operation;
  void ApplyUnaryOperation(void* operand, unsigned count, void* result) const override {
    Get_FirstType_p()->ApplyUnaryOp(Get_Operation(), operand, count, result);
  }
  void ApplyBinaryOperation(void* first, void* second, unsigned count, void* result) const override {
    Get_FirstType_p()->ApplyBinaryOp(Get_Operation(), Get_SecondType_p(), first, second, count, result);
  }
  void ApplyConvertTypeOperation(void*, unsigned, void*) const override {}
};

struct Inputs {
  std::unique_ptr<ZELI_Container> container;
  ZELI_Type* real = nullptr;
  unsigned n = 0;
  // Cached arrays in the container's cache, referenced by the bench so that
  // they outlive every segment built over them.
  ZELI_CachedArray* x = nullptr;      // 0, 1, ..., n - 1 (scaled)
  ZELI_CachedArray* xCopy = nullptr;  // the same values in another array
  ZELI_CachedArray* xEven = nullptr;  // 2i
  ZELI_CachedArray* xOdd = nullptr;   // 2i + 1
  ZELI_CachedArray* a = nullptr;      // sin
  ZELI_CachedArray* b = nullptr;      // cos
  std::vector<double> px, pxEven, pxOdd, pa, pb;  // the same values for the floor
};

ZELI_CachedArray* Cached(Inputs& in, const std::vector<double>& values) {
  const unsigned n = static_cast<unsigned>(values.size());
  void* data = in.real->ReallocData(nullptr, n, 0);
  std::memcpy(data, values.data(), n * sizeof(double));
  auto* information = new ZELI_DataInformation(in.real);
  information->DetermineMonMinMax(data, n);
  auto* array = new ZELI_CachedArray(n, information, data);
  in.container->Get_Cache().Add_CachedArray(array);
  array->IncrementReferenceCount();
  return array;
}

std::unique_ptr<ZELI_WfSegment> Segment(Inputs& in, ZELI_CachedArray* x, ZELI_CachedArray* y,
                                        zel_interpolation_t interpolation = ZEL_INTERPOLATION_LINEAR) {
  ZELI_Container& c = *in.container;
  auto* xData = new ZELI_WfSegmentXData(new ZELI_WfDataArray(c, x), interpolation, nullptr);
  return std::make_unique<ZELI_WfSegment>(0, xData, new ZELI_WfDataArray(c, y));
}

// ---- the bus ----------------------------------------------------------------------------

constexpr unsigned BusBits = 64;

// 64 one-bit fields: their values (one byte each) as cached arrays for the
// library and as plain arrays for the floor, on one X array or on two.
struct Bus {
  ZELI_Type* bit = nullptr;     // a two-literal enumeration: one byte, one bit packed
  ZELI_Type* packed = nullptr;  // an array of 64 bits: eight bytes
  unsigned n = 0;               // points per field
  ZELI_CachedArray* x = nullptr;      // the shared X values
  ZELI_CachedArray* xEven = nullptr;  // the even bits' X values when merged
  ZELI_CachedArray* xOdd = nullptr;   // the odd bits'
  std::vector<ZELI_CachedArray*> y;   // by bit
  std::vector<double> px, pxEven, pxOdd;
  std::vector<std::vector<unsigned char>> py;
  std::vector<ZELI_FieldLocation> fields;  // bit k at bit offset k
};

ZELI_CachedArray* CachedOf(Inputs& in, ZELI_Type* type, const void* values, unsigned n) {
  void* data = type->ReallocData(nullptr, n, 0);
  std::memcpy(data, values, size_t{n} * type->Get_SizeOf());
  auto* information = new ZELI_DataInformation(type);
  information->DetermineMonMinMax(data, n);
  auto* array = new ZELI_CachedArray(n, information, data);
  in.container->Get_Cache().Add_CachedArray(array);
  array->IncrementReferenceCount();
  return array;
}

void BuildBus(Inputs& in, Bus& bus, unsigned n) {
  ZELI_TypeTable& types = in.container->Get_TypeTable();
  const char* literals[] = {"0", "1"};
  bus.bit = new ZELI_EnumerationType(ZELI_String("bit"), 2, literals, 0, 1, ZEL_RANGE_ASCENDING);
  types.Add_Type(bus.bit);
  ZELI_Type* integer = new ZELI_IntegerType(ZELI_String("int"));
  types.Add_Type(integer);
  std::vector<ZELI_Range> range{ZELI_MakeSubrange(integer, BusBits - 1, 0, ZEL_RANGE_DESCENDING)};
  bus.packed = new ZELI_ArrayType(ZELI_String("bus"), bus.bit, std::move(range));
  types.Add_Type(bus.packed);
  bus.n = n;
  for (unsigned i = 0; i < n; ++i) {
    bus.px.push_back(i * 1e-9);
    bus.pxEven.push_back(2 * i * 1e-9);
    bus.pxOdd.push_back((2 * i + 1) * 1e-9);
  }
  bus.x = Cached(in, bus.px);
  bus.xEven = Cached(in, bus.pxEven);
  bus.xOdd = Cached(in, bus.pxOdd);
  for (unsigned k = 0; k < BusBits; ++k) {
    std::vector<unsigned char> values(n);
    for (unsigned i = 0; i < n; ++i) values[i] = static_cast<unsigned char>((i * (2 * k + 1) + k) & 1);
    bus.y.push_back(CachedOf(in, bus.bit, values.data(), n));
    bus.py.push_back(std::move(values));
    bus.fields.push_back(ZELI_FieldLocation{nullptr, k, 0});
  }
}

// The 64 segments (constant interpolation), on one X array or merged.
std::vector<std::unique_ptr<ZELI_WfSegment>> BusSegments(Inputs& in, const Bus& bus, bool merged) {
  std::vector<std::unique_ptr<ZELI_WfSegment>> segments;
  for (unsigned k = 0; k < BusBits; ++k) {
    ZELI_CachedArray* x = !merged ? bus.x : k % 2 == 0 ? bus.xEven : bus.xOdd;
    segments.push_back(Segment(in, x, bus.y[k], ZEL_INTERPOLATION_CONSTANT));
  }
  return segments;
}

// ---- the floors -----------------------------------------------------------------------

volatile double g_sink = 0;  // keeps the floors' results alive
std::vector<void*> g_floorArrays;  // the floors' results, freed after the timing

double* FloorArray(size_t count) {
  auto* values = static_cast<double*>(std::malloc(count * sizeof(double)));
  if (values == nullptr) throw ZELI_BadAllocException();
  g_floorArrays.push_back(values);
  return values;
}

void FreeFloorArrays() {
  for (void* values : g_floorArrays) std::free(values);
  g_floorArrays.clear();
}

void FloorAdd(const Inputs& in) {
  const unsigned n = in.n;
  double* r = FloorArray(n);
  const double* a = in.pa.data();
  const double* b = in.pb.data();
  for (unsigned i = 0; i < n; ++i) r[i] = a[i] + b[i];
  g_sink = r[n / 2];
}

// Y of (x0, y0) - (x1, y1) at x.
inline double Linear(double x0, double y0, double x1, double y1, double x) {
  return x0 == x1 ? y0 : y0 + (x - x0) / (x1 - x0) * (y1 - y0);
}

void FloorMergedAdd(const Inputs& in) {
  const unsigned na = in.n, nb = in.n;
  const double *xa = in.pxEven.data(), *ya = in.pa.data(), *xb = in.pxOdd.data(), *yb = in.pb.data();
  double* x = FloorArray(size_t{na} + nb);
  double* r = FloorArray(size_t{na} + nb);
  unsigned i = 0, j = 0, k = 0;
  double lastA = 0, lastB = 0;  // a value held outside a waveform's range
  while (i < na || j < nb) {
    double at, va, vb;
    if (j >= nb || (i < na && xa[i] < xb[j])) {
      at = xa[i];
      va = ya[i++];
      vb = j == 0 ? 0 : j < nb ? Linear(xb[j - 1], yb[j - 1], xb[j], yb[j], at) : lastB;
    } else if (i >= na || xb[j] < xa[i]) {
      at = xb[j];
      vb = yb[j++];
      va = i == 0 ? 0 : i < na ? Linear(xa[i - 1], ya[i - 1], xa[i], ya[i], at) : lastA;
    } else {
      at = xa[i];
      va = ya[i++];
      vb = yb[j++];
    }
    lastA = va;
    lastB = vb;
    x[k] = at;
    r[k++] = va + vb;
  }
  g_sink = r[k / 2] + x[k / 2];
}

// The library's derivative layout (access/wf_operations.cc) on plain arrays.
void FloorDerivative(const Inputs& in) {
  const unsigned n = in.n;
  const double *x = in.px.data(), *y = in.pa.data();
  const double eps = std::numeric_limits<double>::epsilon(), largest = std::numeric_limits<double>::max();
  auto near = [](double a, double b, double t) { return std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * t; };
  double* ox = FloorArray(2 * size_t{n});
  double* oy = FloorArray(2 * size_t{n});
  unsigned k = 0, kept = 0;
  bool have = false;
  double slope = 0;
  for (unsigned i = 1; i < n; ++i) {
    const bool sameX = near(x[i], x[kept], 2 * eps);
    if (sameX && near(y[i], y[kept], 14 * eps)) continue;
    double q = (y[i] - y[kept]) / (sameX ? 0.0 : x[i] - x[kept]);
    q = q > largest ? largest : q < -largest ? -largest : q;
    if (!have) {
      ox[k] = x[kept], oy[k++] = q;
      have = true;
    } else if (!near(slope, q, 14 * eps)) {
      const double step = eps * std::max(1.0, std::fabs(slope));
      double moved = q > slope ? slope + step : slope - step;
      if ((q > slope && moved > q) || (q < slope && moved < q)) moved = q;
      ox[k] = x[kept], oy[k++] = moved;
      ox[k] = x[kept], oy[k++] = q;
    }
    slope = q;
    kept = i;
  }
  ox[k] = x[kept], oy[k++] = have ? slope : 0;
  g_sink = ox[k / 2] + oy[k / 2];
}

void FloorPackBus(const Bus& bus) {
  const unsigned n = bus.n;
  auto* packed = reinterpret_cast<unsigned char*>(FloorArray(n));  // eight bytes per value
  std::memset(packed, 0, size_t{n} * 8);
  for (unsigned k = 0; k < BusBits; ++k) {
    const unsigned char* in = bus.py[k].data();
    const unsigned byte = k / 8;
    const unsigned shift = 7 - k % 8;
    for (unsigned i = 0; i < n; ++i) packed[size_t{i} * 8 + byte] |= static_cast<unsigned char>((in[i] & 1) << shift);
  }
  g_sink = packed[n / 2];
}

void FloorPackMerged(const Bus& bus) {
  const unsigned n = bus.n;
  const double* xs[BusBits];
  const unsigned char* ys[BusBits];
  unsigned cursor[BusBits] = {};
  for (unsigned k = 0; k < BusBits; ++k) {
    xs[k] = k % 2 == 0 ? bus.pxEven.data() : bus.pxOdd.data();
    ys[k] = bus.py[k].data();
  }
  double* x = FloorArray(2 * size_t{n});
  auto* packed = reinterpret_cast<unsigned char*>(FloorArray(2 * size_t{n}));
  size_t points = 0;
  for (;;) {
    double at = 0;
    bool any = false;
    for (unsigned k = 0; k < BusBits; ++k) {
      if (cursor[k] < n && (!any || xs[k][cursor[k]] < at)) {
        at = xs[k][cursor[k]];
        any = true;
      }
    }
    if (!any) break;
    unsigned char* record = packed + points * 8;
    std::memset(record, 0, 8);
    for (unsigned k = 0; k < BusBits; ++k) {
      unsigned& p = cursor[k];
      unsigned char value = 0;
      if (p < n && xs[k][p] == at) {
        value = ys[k][p++];
      } else if (p > 0) {
        value = ys[k][p - 1];  // held, also past its last point
      }
      record[k / 8] |= static_cast<unsigned char>((value & 1) << (7 - k % 8));
    }
    x[points++] = at;
  }
  g_sink = x[points / 2] + packed[points / 2];
}

void FloorIntegral(const Inputs& in) {
  const unsigned n = in.n;
  const double *x = in.px.data(), *y = in.pa.data();
  double* r = FloorArray(n);
  double sum = 0;
  r[0] = 0;
  for (unsigned i = 1; i < n; ++i) {
    sum += (y[i - 1] + y[i]) * 0.5 * (x[i] - x[i - 1]);
    r[i] = sum;
  }
  g_sink = r[n - 1];
}

// ---- the workloads ------------------------------------------------------------------------

struct Workload {
  const char* name;
  double aim;  // largest library / floor ratio aimed at
  std::function<double()> library;  // seconds of the timed part
  std::function<double()> floor;
  std::vector<double> libraryTimes, floorTimes;
};

template <class F>
double Timed(F f) {
  const Clock::time_point start = Clock::now();
  f();
  return Seconds(start);
}

// A floor's time; its arrays are freed afterwards.
template <class F>
double Floor(F f) {
  const double seconds = Timed(f);
  FreeFloorArrays();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned points = 1000000;
  unsigned repetitions = 7;
  std::string only;
  bool defaultMalloc = false;
  for (int i = 1; i < argc; ++i) {
    std::string value;
    if (std::strcmp(argv[i], "--default-malloc") == 0) {
      defaultMalloc = true;
    } else if (zelbench::ParseFlag(argv[i], "--only", value)) {
      only = value;
    } else if (zelbench::ParseFlag(argv[i], "--points", value)) {
      points = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (zelbench::ParseFlag(argv[i], "--repetitions", value)) {
      repetitions = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
    } else {
      std::fprintf(stderr, "unknown flag %s\n", argv[i]);
      return 2;
    }
  }
  if (points < 2 || repetitions == 0) {
    std::fprintf(stderr, "--points must be at least 2 and --repetitions at least 1\n");
    return 2;
  }
  if (!defaultMalloc) {
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
  }

  try {
    Inputs in;
    in.container = std::make_unique<ZELI_Container>();
    in.real = new ZELI_RealType(ZELI_String("real"));
    in.container->Get_TypeTable().Add_Type(in.real);
    in.n = points;
    in.px.resize(points), in.pxEven.resize(points), in.pxOdd.resize(points), in.pa.resize(points), in.pb.resize(points);
    for (unsigned i = 0; i < points; ++i) {
      in.px[i] = i * 1e-9;
      in.pxEven[i] = 2 * i * 1e-9;
      in.pxOdd[i] = (2 * i + 1) * 1e-9;
      in.pa[i] = std::sin(i * 1e-3);
      in.pb[i] = std::cos(i * 1.7e-3);
    }
    in.x = Cached(in, in.px);
    in.xCopy = Cached(in, in.px);
    in.xEven = Cached(in, in.pxEven);
    in.xOdd = Cached(in, in.pxOdd);
    in.a = Cached(in, in.pa);
    in.b = Cached(in, in.pb);

    ZELI_Type* real = in.real;
    TypeArithmetic add(ZEL_OP_ADD, real, real, nullptr, real);
    TypeArithmetic derivative(ZEL_OP_DERIVATIVE, real, nullptr, real, real);
    TypeArithmetic integral(ZEL_OP_INTEGRAL_TRAPEZOID, real, nullptr, real, real);

    // One binary workload: segments over (xa, ya) and (xb, yb) added.
    auto binary = [&](ZELI_CachedArray* xa, ZELI_CachedArray* ya, ZELI_CachedArray* xb, ZELI_CachedArray* yb) {
      auto a = Segment(in, xa, ya);
      auto b = Segment(in, xb, yb);
      return Timed([&] { a->ApplyYOperation(add, b.get(), nullptr, false); });
    };
    auto unary = [&](const ZELI_Operation& operation) {
      auto a = Segment(in, in.x, in.a);
      return Timed([&] { a->ApplyYOperation(operation, nullptr, nullptr, false); });
    };

    std::vector<Workload> workloads;
    workloads.push_back({"add-same-x", 2.0, [&] { return binary(in.x, in.a, in.x, in.b); },
                         [&] { return Floor([&] { FloorAdd(in); }); }, {}, {}});
    workloads.push_back({"add-equal-x", 2.0, [&] { return binary(in.x, in.a, in.xCopy, in.b); },
                         [&] { return Floor([&] { FloorAdd(in); }); }, {}, {}});
    workloads.push_back({"add-merged", 3.0, [&] { return binary(in.xEven, in.a, in.xOdd, in.b); },
                         [&] { return Floor([&] { FloorMergedAdd(in); }); }, {}, {}});
    workloads.push_back({"derivative", 2.0, [&] { return unary(derivative); },
                         [&] { return Floor([&] { FloorDerivative(in); }); }, {}, {}});
    workloads.push_back({"integral", 2.0, [&] { return unary(integral); },
                         [&] { return Floor([&] { FloorIntegral(in); }); }, {}, {}});
    Bus bus;
    BuildBus(in, bus, std::max(2u, points / 10));
    // The library packs into values it allocates; they are dropped untimed.
    auto pack = [&](bool merged) {
      auto owned = BusSegments(in, bus, merged);
      std::vector<ZELI_WfSegment*> segments;
      for (auto& segment : owned) segments.push_back(segment.get());
      ZELI_PackedValues values;
      const double seconds =
          Timed([&] { values = ZELI_PackFields(segments, bus.fields, real, *bus.packed, "pack-bus"); });
      if (values.count != (merged ? 2 : 1) * bus.n) throw ZELI_FailedException("pack-bus: point count");
      return seconds;
    };
    // The library packs what the floors pack (checked once).
    for (bool merged : {false, true}) {
      auto owned = BusSegments(in, bus, merged);
      std::vector<ZELI_WfSegment*> segments;
      for (auto& segment : owned) segments.push_back(segment.get());
      const ZELI_PackedValues values = ZELI_PackFields(segments, bus.fields, real, *bus.packed, "pack-bus");
      if (merged) {
        FloorPackMerged(bus);
      } else {
        FloorPackBus(bus);
      }
      const size_t bytes = size_t{values.count} * 8;
      const bool same = std::memcmp(values.y->Get(), g_floorArrays.back(), bytes) == 0 &&
                        (!merged || std::memcmp(values.x->Get(), g_floorArrays.front(), bytes) == 0);
      FreeFloorArrays();
      if (!same) throw ZELI_FailedException("pack-bus: the library's values differ from the floor's");
    }
    workloads.push_back({"pack-bus", 3.0, [&] { return pack(false); },
                         [&] { return Floor([&] { FloorPackBus(bus); }); }, {}, {}});
    workloads.push_back({"pack-merged", 3.0, [&] { return pack(true); },
                         [&] { return Floor([&] { FloorPackMerged(bus); }); }, {}, {}});
    if (!only.empty()) {
      workloads.erase(std::remove_if(workloads.begin(), workloads.end(), [&](const Workload& w) { return only != w.name; }),
                      workloads.end());
      if (workloads.empty()) {
        std::fprintf(stderr, "no workload named %s\n", only.c_str());
        return 2;
      }
    }

    // One warm-up round, then the timed rounds, workloads interleaved.
    for (Workload& w : workloads) {
      w.library();
      w.floor();
    }
    for (unsigned r = 0; r < repetitions; ++r) {
      for (Workload& w : workloads) {
        w.libraryTimes.push_back(w.library());
        w.floorTimes.push_back(w.floor());
      }
    }

    std::printf("operations on %u points, %u runs each (medians), %s\n", points, repetitions,
                defaultMalloc ? "allocator's own policy" : "freed memory kept for reuse");
    std::printf("%-12s %12s %12s %8s %6s %s\n", "workload", "library ms", "floor ms", "ratio", "aim", "");
    bool allMet = true;
    for (const Workload& w : workloads) {
      const double library = zelbench::Median(w.libraryTimes);
      const double floor = zelbench::Median(w.floorTimes);
      const double ratio = library / floor;
      const bool met = ratio <= w.aim;
      allMet = allMet && met;
      std::printf("%-12s %12.3f %12.3f %8.2f %5.1fx %s\n", w.name, library * 1e3, floor * 1e3, ratio, w.aim,
                  met ? "met" : "NOT MET");
    }
    // One summary of N values, as every new array of a result gets: of the
    // sine (steps that rise and fall in long runs) and of noise (each step's
    // direction a coin toss, as in a result of measured or noisy values).
    std::vector<double> noise(points);
    uint64_t state = 88172645463325252u;
    for (double& v : noise) {
      state ^= state << 13, state ^= state >> 7, state ^= state << 17;
      v = static_cast<double>(state >> 11) * 0x1p-53 - 0.5;
    }
    for (const auto& [name, values] : {std::pair<const char*, const double*>{"sine", in.pa.data()},
                                       std::pair<const char*, const double*>{"noise", noise.data()}}) {
      std::vector<double> scans;
      for (unsigned r = 0; r < repetitions; ++r) {
        scans.push_back(Timed([&, values = values] {
          ZELI_DataInformation information(real);
          information.DetermineMonMinMax(values, points);
        }));
      }
      std::printf("summary of %u values, %s (monotonicity, minimum, maximum): %.3f ms\n", points, name,
                  zelbench::Median(scans) * 1e3);
    }
    for (ZELI_CachedArray* array : {in.x, in.xCopy, in.xEven, in.xOdd, in.a, in.b}) array->DecrementReferenceCount();
    for (ZELI_CachedArray* array : {bus.x, bus.xEven, bus.xOdd}) array->DecrementReferenceCount();
    for (ZELI_CachedArray* array : bus.y) array->DecrementReferenceCount();
    return allMet ? 0 : 1;
  } catch (const ZELI_Exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    return 1;
  }
}
