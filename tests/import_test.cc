// The importers of the zel tool (import-vcd, import-raw), run as separate
// processes on inputs that the real simulators write: Icarus Verilog for
// value change dumps, ngspice for raw files. Every value is compared with
// what the source file holds, read back through the C interface. Tests that
// need a simulator skip when it is not installed.
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

int Shell(const std::string& command, std::string& output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  output.clear();
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunTool(const std::string& arguments, std::string& output) {
  return Shell(std::string(ZEL_TEST_TOOL) + " " + arguments, output);
}

bool Have(const char* program) {
  std::string out;
  return Shell(std::string("command -v ") + program, out) == 0;
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// ------ Reading a container back -------------------------------------------

// One point as read: X as a number, Y as text (logic literals, a vector's
// literals left index first) or a real.
struct Point {
  double x;
  std::string text;
  double real = 0;
  int64_t ticks = 0;  // a time X: whole ticks of the container's timeExponent
  bool operator==(const Point& o) const {
    if (x != o.x || text != o.text) return false;
    return (std::isnan(real) && std::isnan(o.real)) || real == o.real;
  }
};

std::ostream& operator<<(std::ostream& out, const Point& p) {
  return out << "(" << p.x << ", " << (p.text.empty() ? std::to_string(p.real) : p.text) << ")";
}

class Container {
 public:
  Container(zel_session_t s, const std::string& name) : s_(s) {
    c_ = ZEL_OpenContainer(s, name.c_str(), ZEL_IOMODE_READ, &st_);
  }
  ~Container() {
    if (!ZEL_IsContainerNull(c_)) ZEL_CloseContainer(s_, c_, &st_);
  }
  bool ok() const { return !ZEL_IsContainerNull(c_); }
  int timeExponent = -15;  // the unit in which Points reads time X values
  zel_dataSpacing_t xSpacing = ZEL_DATASPACING_UNKNOWN;  // of the segment Points read last
  zel_container_t handle() const { return c_; }

  // Every node bound to a stored waveform, by its path of node names
  // joined with "/" (bus fields left out).
  std::map<std::string, zel_waveform_t> Waveforms(zel_waveformSet_t set) {
    std::map<std::string, zel_waveform_t> result;
    Walk(ZEL_GetNameHierarchyRootNode(s_, set, &st_), "", result);
    return result;
  }

  // The points of waveform w in segment `segment` of its set.
  std::vector<Point> Points(zel_waveform_t w, unsigned segment = 0) {
    std::vector<Point> points;
    zel_status_t st;
    zel_waveformSet_t set = ZEL_GetWaveformSetFromWaveform(s_, w, &st);
    zel_segment_t seg = ZEL_GetSegment(s_, set, segment, &st);
    zel_view_t view = ZEL_CreateView(s_, &st);
    zel_reader_t reader = ZEL_CreateReader(s_, c_, view, &st);
    zel_wfDataReader_t data = ZEL_AddReaderWaveform(s_, reader, w, &st);
    ZEL_StartReadingSegment(s_, reader, seg, &st);
    EXPECT_EQ(st, ZEL_OK) << ZEL_GetError();
    ZEL_WfSegment* ws = ZEL_GetWaveformDataWfSegment(s_, data, &st);
    xSpacing = ZEL_GetWfSegmentXDataSpacing(ws, &st);
    zel_type_t xType = ZEL_GetWaveformXType(s_, w, &st);
    zel_type_t yType = ZEL_GetWaveformYType(s_, w, &st);
    const zel_dataType_t xKind = ZEL_GetDataType(s_, xType, &st);
    const zel_dataType_t yKind = ZEL_GetDataType(s_, yType, &st);
    const unsigned xSize = ZEL_GetSizeOfType(s_, xType, &st);
    const unsigned ySize = ZEL_GetSizeOfType(s_, yType, &st);
    zel_type_t element = yType;
    unsigned width = 1;
    if (yKind == ZEL_ARRAY) {
      element = ZEL_GetArrayElementType(s_, yType, &st);
      width = ZEL_GetArrayElementCount(s_, yType, &st);
    }
    const unsigned bits = ZEL_GetPackedSizeOfType(s_, element, &st);
    const unsigned n = ZEL_GetWfSegmentLegPointCount(ws, 0, &st);
    for (unsigned p = 0; p < n && st == ZEL_OK;) {
      const unsigned window = ZEL_SetupGetWfSegmentBuffer(ws, 0, p, &st);
      const char* x = static_cast<const char*>(ZEL_GetWfSegmentXBuffer(ws, &st));
      const unsigned char* y = static_cast<const unsigned char*>(ZEL_GetWfSegmentYBuffer(ws, &st));
      if (st != ZEL_OK || window == 0) break;
      for (unsigned i = 0; i < window; ++i) {
        Point point;
        const char* xv = x + static_cast<size_t>(i) * xSize;
        const unsigned char* yv = y + static_cast<size_t>(i) * ySize;
        if (xKind == ZEL_TIME) {
          point.ticks = ZEL_GetTimeValueTicks(s_, xv, timeExponent, &st);
          point.x = static_cast<double>(point.ticks);
        } else if (xKind == ZEL_INTEGER) {
          int32_t v;
          std::memcpy(&v, xv, 4);
          point.x = v;
        } else {
          std::memcpy(&point.x, xv, 8);
        }
        if (yKind == ZEL_REAL) {
          std::memcpy(&point.real, yv, 8);
        } else if (yKind == ZEL_COMPLEX) {
          double parts[2];
          std::memcpy(parts, yv, 16);
          point.real = parts[0];
          char text[64];
          std::snprintf(text, sizeof text, "%a", parts[1]);
          point.text = text;
        } else {
          // Enumeration elements packed from the most significant bit on.
          for (unsigned e = 0; e < width; ++e) {
            const unsigned offset = e * bits;
            const unsigned code = yKind == ZEL_ARRAY
                                      ? (yv[offset / 8] >> (8 - offset % 8 - bits)) & ((1u << bits) - 1)
                                      : yv[0];
            point.text += ZEL_GetEnumerationLiteralByEncoding(s_, element, static_cast<int>(code), &st);
          }
        }
        points.push_back(point);
      }
      p += window;
    }
    EXPECT_EQ(st, ZEL_OK) << ZEL_GetError();
    ZEL_EndReading(s_, reader, &st);
    ZEL_DeleteReader(s_, reader, &st);
    ZEL_DeleteView(s_, view, &st);
    return points;
  }

 private:
  void Walk(zel_hierarchyNode_t node, const std::string& path, std::map<std::string, zel_waveform_t>& out) {
    zel_status_t st;
    zel_nodeIterator_t it = ZEL_CreateNodeIterator(s_, node, ZEL_ITOR_INSERTION_ORDER, ZEL_ITOR_FORWARD,
                                                   ZEL_ITOR_CHILDREN, ZEL_ITOR_ENTER_BLOCKS, &st);
    std::vector<zel_hierarchyNode_t> children;
    for (zel_hierarchyNode_t n = ZEL_GetFirstNode(s_, it, &st); st == ZEL_OK && !ZEL_IsHierarchyNodeNull(n);
         n = ZEL_GetNextNode(s_, it, &st)) {
      children.push_back(n);
    }
    ZEL_DeleteNodeIterator(s_, it, &st);
    for (zel_hierarchyNode_t n : children) {
      const std::string name = path + (path.empty() ? "" : "/") + ZEL_GetHierarchyNodeName(s_, n, &st);
      if (ZEL_GetHierarchyNodeType(s_, n, &st) == 0) {
        Walk(n, name, out);
      } else if (ZEL_HierarchyNodeHasSourceWaveform(s_, n, &st)) {
        out[name] = ZEL_GetHierarchyWaveform(s_, n, &st);
      } else if (ZEL_GetHierarchyNodeType(s_, n, &st) == 2) {
        // A bus stored bit by bit: the waveform the hierarchy derives.
        zel_waveform_t w = ZEL_GetHierarchyWaveform(s_, n, &st);
        if (st == ZEL_OK) out[name] = w;
      }
    }
  }

  zel_session_t s_;
  zel_container_t c_ = ZEL_NullContainer;
  zel_status_t st_ = ZEL_OK;
};

// ------ A reference reader of value change dumps ----------------------------

// Per declared name (scopes and name joined with "/", buses with their
// range): the changes in file order, values left extended to the width.
struct VcdReference {
  std::map<std::string, std::string> codeOf;
  std::map<std::string, std::vector<Point>> changes;  // by code
  std::map<std::string, unsigned> width;             // by code
  std::string timescale;

  explicit VcdReference(const std::string& path) {
    std::ifstream in(path);
    std::string token;
    std::vector<std::string> scopes;
    auto skip = [&] { while (in >> token && token != "$end") {} };
    while (in >> token && token != "$enddefinitions") {
      if (token == "$scope") {
        std::string kind, name;
        in >> kind >> name;
        scopes.push_back(name);
        skip();
      } else if (token == "$upscope") {
        scopes.pop_back();
        skip();
      } else if (token == "$timescale") {
        while (in >> token && token != "$end") timescale += token;
      } else if (token == "$var") {
        std::string type, code, name, range;
        unsigned size;
        in >> type >> size >> code >> name >> range;
        if (range != "$end") skip();
        std::string path;
        for (const std::string& s : scopes) path += s + "/";
        const bool isReal = type == "real";
        if (range != "$end" && range.find(':') != std::string::npos) {
          name += range;
        } else if (!isReal && size > 1) {
          name += "[" + std::to_string(size - 1) + ":0]";
        }
        codeOf[path + name] = code;
        width[code] = size;
      } else {
        skip();
      }
    }
    skip();
    double now = 0;
    while (in >> token) {
      const char c = token[0];
      if (c == '#') {
        now = std::stod(token.substr(1));
      } else if (c == 'b' || c == 'r') {
        std::string code;
        in >> code;
        Add(code, c, token.substr(1), now);
      } else if (c != '$') {  // $dumpvars, $dumpoff, $dumpon and $end only frame changes
        Add(token.substr(1), 'b', token.substr(0, 1), now);
      }
    }
  }

  void Add(const std::string& code, char kind, std::string value, double now) {
    Point p;
    p.x = now;
    if (kind == 'r') {
      p.real = std::strtod(value.c_str(), nullptr);
    } else {
      for (char& ch : value) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      const unsigned w = width[code];
      const char pad = value[0] == 'x' || value[0] == 'z' ? value[0] : '0';
      p.text = std::string(w - value.size(), pad) + value;
    }
    changes[code].push_back(p);
  }
};

// Femtoseconds in one tick of a timescale ("1ps", "10ns", "100 s").
double FemtosecondsOf(const std::string& timescale) {
  size_t digits = 0;
  const double count = std::stod(timescale, &digits);
  std::string unit = timescale.substr(digits);
  unit.erase(std::remove(unit.begin(), unit.end(), ' '), unit.end());
  const std::map<std::string, double> units = {{"fs", 1},   {"ps", 1e3},  {"ns", 1e6},
                                               {"us", 1e9}, {"ms", 1e12}, {"s", 1e15}};
  return count * units.at(unit);
}

// ------ A reference reader of raw files --------------------------------------

// A raw file as the reference reads it: per plot, its name, title, whether
// it is complex, its variable names and every value (re, im).
struct RawPlot {
  std::string name, title;
  bool complex = false;
  std::vector<std::string> vars;
  std::vector<std::vector<std::pair<double, double>>> values;  // [point][var]
};

std::vector<RawPlot> ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<RawPlot> plots;
  std::string line;
  RawPlot plot;
  size_t points = 0;
  while (std::getline(in, line)) {
    if (line.rfind("Title:", 0) == 0) {
      plot = RawPlot();
      plot.title = line.substr(line.find_first_not_of(' ', 6));
    } else if (line.rfind("Plotname:", 0) == 0) {
      plot.name = line.substr(10);
    } else if (line.rfind("Flags:", 0) == 0) {
      plot.complex = line.find("complex") != std::string::npos;
    } else if (line.rfind("No. Points:", 0) == 0) {
      points = std::stoul(line.substr(11));
    } else if (line.rfind("No. Variables:", 0) == 0) {
      plot.vars.resize(std::stoul(line.substr(14)));
    } else if (line == "Variables:") {
      for (std::string& v : plot.vars) {
        std::getline(in, line);
        std::istringstream fields(line);
        int index;
        fields >> index >> v;
      }
    } else if (line == "Binary:" || line == "Values:") {
      plot.values.assign(points, std::vector<std::pair<double, double>>(plot.vars.size()));
      for (auto& point : plot.values) {
        for (auto& value : point) {
          if (line == "Binary:") {
            in.read(reinterpret_cast<char*>(&value.first), 8);
            if (plot.complex) in.read(reinterpret_cast<char*>(&value.second), 8);
          } else {
            std::string text;
            if (&value == &point[0]) in >> text;  // the point index
            in >> text;
            value.first = std::strtod(text.c_str(), nullptr);
            if (plot.complex) value.second = std::strtod(text.substr(text.find(',') + 1).c_str(), nullptr);
          }
        }
      }
      plots.push_back(plot);
      if (line == "Values:") std::getline(in, line);  // the end of the last value's line
    }
  }
  return plots;
}

// The hierarchy path of a raw variable name: "v(x1.n1)" is x1/v(n1).
std::string RawPath(const std::string& name) {
  std::string prefix, inner = name, suffix;
  const size_t open = name.find('(');
  if (open != std::string::npos && name.back() == ')') {
    prefix = name.substr(0, open + 1);
    inner = name.substr(open + 1, name.size() - open - 2);
    suffix = ")";
  }
  std::string blocks;
  for (size_t dot; (dot = inner.find('.')) != std::string::npos;) {
    blocks += inner.substr(0, dot) + "/";
    inner = inner.substr(dot + 1);
  }
  return blocks + prefix + inner + suffix;
}

// Checks that every variable of every plot of analysis `set` (segments in
// file order) reads back bit for bit.
void ExpectSameAsRaw(zel_session_t s, const std::string& name, const std::string& set,
                     const std::vector<const RawPlot*>& plots) {
  Container c(s, name);
  ASSERT_TRUE(c.ok()) << ZEL_GetError();
  zel_status_t st;
  zel_waveformSet_t handle = ZEL_FindWaveformSet(s, c.handle(), set.c_str(), &st);
  ASSERT_EQ(st, ZEL_OK) << set << ": " << ZEL_GetError();
  ASSERT_EQ(ZEL_GetSegmentCount(s, handle, &st), plots.size()) << set;
  auto waveforms = c.Waveforms(handle);
  for (size_t k = 0; k < plots.size(); ++k) {
    const RawPlot& plot = *plots[k];
    const bool scale = plot.name.rfind("Operating", 0) != 0;
    for (size_t v = scale ? 1 : 0; v < plot.vars.size(); ++v) {
      auto found = waveforms.find(RawPath(plot.vars[v]));
      ASSERT_NE(found, waveforms.end()) << set << ": " << plot.vars[v];
      const std::vector<Point> read = c.Points(found->second, static_cast<unsigned>(k));
      ASSERT_EQ(read.size(), plot.values.size()) << set << " " << k << ": " << plot.vars[v];
      for (size_t p = 0; p < read.size(); ++p) {
        // Bit for bit: memcmp, so that -0.0 and NaN payloads count too. The
        // imaginary part reads as its hexadecimal text.
        const double x = scale ? plot.values[p][0].first : static_cast<double>(p);
        char imaginary[64] = "";
        if (plot.complex) std::snprintf(imaginary, sizeof imaginary, "%a", plot.values[p][v].second);
        EXPECT_EQ(std::memcmp(&read[p].x, &x, 8), 0) << plot.vars[v] << " point " << p;
        EXPECT_EQ(std::memcmp(&read[p].real, &plot.values[p][v].first, 8), 0) << plot.vars[v] << " point " << p;
        EXPECT_EQ(read[p].text, imaginary) << plot.vars[v] << " point " << p;
      }
    }
  }
}

const char* const kLadder = R"(rc ladder
.subckt stage in out
r1 in n1 500
r2 n1 out 500
c1 out 0 1n
.ends
v1 in 0 dc 0.5 pulse(0 1 1u 10n 10n 5u 10u) ac 1
x1 in mid stage
x2 mid out stage
.tran 50n 20u
.ac dec 5 1k 10meg
.dc v1 0 1 0.25
.op
.end
)";

// A bad input for an importer: what it is, its text, what the message says.
struct BadInput {
  const char* what;
  std::string text;
  const char* message;
};

// Each input, written to dir/badN.extension and imported with command,
// fails with exit code 1 and its message and leaves no container behind.
void ExpectImportsFail(const std::string& command, const zeltest::TempDir& dir, const std::string& extension,
                       const std::vector<BadInput>& cases) {
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    const std::string input = dir / ("bad" + std::to_string(i) + extension);
    const std::string name = dir / ("c" + std::to_string(i));
    Write(input, cases[i].text);
    std::string out;
    EXPECT_EQ(RunTool(command + " " + input + " " + name, out), 1);
    EXPECT_NE(out.find(cases[i].message), std::string::npos) << out;
    zel_status_t st;
    EXPECT_FALSE(ZEL_ContainerExists(name.c_str(), &st));
  }
}

}  // namespace

using ImportVcdTest = zeltest::SessionTest;

// A design of three module levels with vectors in both directions, x and z,
// a real, a net seen under two names, and $dumpoff/$dumpon, simulated by
// Icarus Verilog.
TEST_F(ImportVcdTest, IcarusDumpKeepsEveryChange) {
  if (!Have("iverilog") || !Have("vvp")) GTEST_SKIP() << "iverilog and vvp are not installed";
  zeltest::TempDir dir;
  Write(dir / "design.v", R"(
`timescale 1ns/1ps
module leaf(input clk, input [3:0] d, output reg [3:0] q, output reg [0:1] pair);
  real gain;
  initial begin gain = 0.5; pair = 2'bz1; end
  always @(posedge clk) begin q <= d; gain = gain * 2.5 + 0.1; pair <= {d[0], ^d}; end
endmodule
module mid(input clk, input [3:0] d, output [3:0] q);
  leaf inner(.clk(clk), .d(d), .q(q), .pair());
endmodule
module top;
  reg clk = 0; reg [3:0] d = 4'bx; wire [3:0] q; reg [0:7] bus = 8'hzz; reg [15:8] hi; reg flag;
  mid m(.clk(clk), .d(d), .q(q));
  always #5 clk = ~clk;
  initial begin
    $dumpfile("out.vcd"); $dumpvars(0, top);
    #3 d = 4'b10z1; bus = 8'b1010x0z1; flag = 1'bz;
    #10 d = 4'd5; hi = 8'h80;
    #1 $dumpoff; #20 $dumpon;
    #7 bus = 8'h0f; flag = 0;
    #33 d = 4'bxxx1;
    #10 $finish;
  end
endmodule
)");
  std::string out;
  ASSERT_EQ(Shell("cd " + dir / "" + " && iverilog -o sim design.v && vvp -n sim", out), 0) << out;
  const std::string vcd = dir / "out.vcd";
  const std::string name = dir / "imported";
  ASSERT_EQ(RunTool("import-vcd " + vcd + " " + name, out), 0) << out;

  VcdReference ref(vcd);
  ASSERT_GT(ref.codeOf.size(), 10u);
  Container c(session_, name);
  ASSERT_TRUE(c.ok()) << ZEL_GetError();
  zel_waveformSet_t set = ZEL_FindWaveformSet(session_, c.handle(), "vcd", &status_);
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  auto waveforms = c.Waveforms(set);
  EXPECT_EQ(waveforms.size(), ref.codeOf.size());
  for (const auto& [path, code] : ref.codeOf) {
    auto found = waveforms.find(path);
    ASSERT_NE(found, waveforms.end()) << path;
    EXPECT_EQ(c.Points(found->second), ref.changes.at(code)) << path;
  }
  // The clock is one identifier code under three scopes: one waveform.
  EXPECT_TRUE(ZEL_AreSameWaveform(waveforms["top/clk"], waveforms["top/m/clk"]));
  EXPECT_TRUE(ZEL_AreSameWaveform(waveforms["top/clk"], waveforms["top/m/inner/clk"]));
  // X: ticks of the timescale in a 32-bit integer.
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(session_, set, &status_);
  EXPECT_STREQ(ZEL_GetDimensionDescriptorUnit(session_, x, &status_), "1ps");
  EXPECT_EQ(ZEL_GetDataType(session_, ZEL_GetDimensionDescriptorType(session_, x, &status_), &status_), ZEL_INTEGER);
  EXPECT_STREQ(ZEL_GetWaveformSetAttribute(session_, set, "timescale", &status_), "1ps");
  // Buses keep the declared range and direction.
  zel_range_t range;
  ZEL_GetArrayConstraint(session_, ZEL_GetWaveformYType(session_, waveforms["top/hi[15:8]"], &status_), 0, &range,
                         &status_);
  EXPECT_EQ(range.left, 15);
  EXPECT_EQ(range.right, 8);
  EXPECT_EQ(range.direction, ZEL_RANGE_DESCENDING);
  // Element 0, the first character of a VCD value, is the left index.
  int index = -1;
  ZEL_GetArrayIndices(session_, ZEL_GetWaveformYType(session_, waveforms["top/hi[15:8]"], &status_), 0, &index,
                      &status_);
  EXPECT_EQ(index, 15);
  ZEL_GetArrayConstraint(session_, ZEL_GetWaveformYType(session_, waveforms["top/bus[0:7]"], &status_), 0, &range,
                         &status_);
  EXPECT_EQ(range.left, 0);
  EXPECT_EQ(range.direction, ZEL_RANGE_ASCENDING);
  // Exported again, the dump carries the same changes at the same times
  // (in femtoseconds: the export may choose a coarser timescale), and
  // GTKWave's converter takes it.
  ASSERT_EQ(RunTool("export-vcd " + name + " vcd > " + dir / "again.vcd", out), 0) << out;
  VcdReference again(dir / "again.vcd");
  for (const auto& [path, code] : ref.codeOf) {
    auto found = again.codeOf.find(path);
    ASSERT_NE(found, again.codeOf.end()) << path;
    std::vector<Point> expected = ref.changes.at(code), exported = again.changes.at(found->second);
    for (Point& p : expected) p.x *= FemtosecondsOf(ref.timescale);
    for (Point& p : exported) p.x *= FemtosecondsOf(again.timescale);
    EXPECT_EQ(exported, expected) << path;
  }
  if (Have("vcd2fst")) {
    EXPECT_EQ(Shell("vcd2fst " + dir / "again.vcd" + " " + dir / "again.fst", out), 0) << out;
  }

  // $dumpoff: everything x (reals NaN) at 14 ns, values again at 34 ns.
  auto flag = c.Points(waveforms["top/flag"]);
  EXPECT_NE(std::find(flag.begin(), flag.end(), Point{14000, "x"}), flag.end());
  auto gain = c.Points(waveforms["top/m/inner/gain"]);
  ASSERT_GE(gain.size(), 3u);
  EXPECT_TRUE(std::isnan(gain[2].real)) << gain[2];
}

// Hand-written dumps for what Icarus does not write: several changes of one
// variable at one time, the VHDL states, times beyond 32 bits, a range
// written onto the name, a dump without $dumpoff listing.
TEST_F(ImportVcdTest, ChangesAtOneTimeNineStatesAndLargeTimes) {
  zeltest::TempDir dir;
  const std::string vcd = dir / "in.vcd";
  Write(vcd,
        "$timescale 10 ns $end\n$scope module top $end\n"
        "$var wire 1 ! s $end\n$var wire 4 \" v[3:0] $end\n$var real 64 # r $end\n"
        "$var wire 500 $ wide [0:499] $end\n"
        "$upscope $end\n$enddefinitions $end\n"
        "#0\n$dumpvars\n0!\nb0 \"\nr1.5 #\nb1 $\n$end\n"
        "#7\n1!\n0!\n1!\nbz1 \"\nb1 \"\nb1" + std::string(498, '0') + "1 $\n"
        "#8\n$dumpoff\n$end\n"
        "#3000000000\n$dumpon\nU!\nbHL-W \"\nr-2.25e-7 #\n$end\n");
  const std::string name = dir / "c";
  std::string out;
  ASSERT_EQ(RunTool("import-vcd " + vcd + " " + name, out), 0) << out;
  Container c(session_, name);
  zel_waveformSet_t set = ZEL_FindWaveformSet(session_, c.handle(), "vcd", &status_);
  auto w = c.Waveforms(set);
  EXPECT_EQ(c.Points(w["top/s"]), (std::vector<Point>{{0, "0"}, {7, "1"}, {7, "0"}, {7, "1"}, {8, "x"},
                                                     {3e9, "u"}}));
  EXPECT_EQ(c.Points(w["top/v[3:0]"]), (std::vector<Point>{{0, "0000"}, {7, "zzz1"}, {7, "0001"}, {8, "xxxx"},
                                                          {3e9, "hl-w"}}));
  EXPECT_EQ(c.Points(w["top/r"]), (std::vector<Point>{{0, "", 1.5}, {8, "", NAN}, {3e9, "", -2.25e-7}}));
  // Too wide for one stored value: stored bit by bit, read back as the bus.
  const std::vector<Point> wide = c.Points(w["top/wide[0:499]"]);
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(wide[0], (Point{0, std::string(499, '0') + "1"}));
  EXPECT_EQ(wide[1], (Point{7, "1" + std::string(498, '0') + "1"}));
  EXPECT_EQ(wide[2], (Point{8, std::string(500, 'x')}));
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(session_, set, &status_);
  EXPECT_EQ(ZEL_GetDataType(session_, ZEL_GetDimensionDescriptorType(session_, x, &status_), &status_), ZEL_REAL);
  EXPECT_STREQ(ZEL_GetDimensionDescriptorUnit(session_, x, &status_), "10ns");
  EXPECT_EQ(ZEL_GetEnumerationLiteralCount(session_, ZEL_GetWaveformYType(session_, w["top/s"], &status_), &status_),
            9u);
}

// Times beyond 2^53 ticks: the 24-byte time type, exact.
TEST_F(ImportVcdTest, TimesBeyondTheDoubleUseTheTimeType) {
  zeltest::TempDir dir;
  const std::string vcd = dir / "long.vcd";
  Write(vcd, "$timescale 100ns $end\n$var wire 1 ! s $end\n$enddefinitions $end\n"
             "#0\n0!\n#9007199254740993\n1!\n#9223372036854775807\n0!\n");
  const std::string name = dir / "c";
  std::string out;
  ASSERT_EQ(RunTool("import-vcd " + vcd + " " + name, out), 0) << out;
  Container c(session_, name);
  c.timeExponent = -7;
  zel_waveformSet_t set = ZEL_FindWaveformSet(session_, c.handle(), "vcd", &status_);
  zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(session_, set, &status_);
  EXPECT_EQ(ZEL_GetDataType(session_, ZEL_GetDimensionDescriptorType(session_, x, &status_), &status_), ZEL_TIME);
  EXPECT_STREQ(ZEL_GetWaveformSetAttribute(session_, set, "timescale", &status_), "100ns");
  const std::vector<Point> points = c.Points(c.Waveforms(set)["s"]);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].ticks, 0);
  EXPECT_EQ(points[1].ticks, 9007199254740993LL);
  EXPECT_EQ(points[2].ticks, INT64_MAX);
  EXPECT_EQ(points[2].text, "0");
}

TEST_F(ImportVcdTest, BadInputFailsWithAMessage) {
  zeltest::TempDir dir;
  const std::string header = "$timescale 1ps $end\n$scope module t $end\n$var wire 2 ! v $end\n$upscope $end\n";
  ExpectImportsFail("import-vcd", dir, ".vcd", {
      {"truncated header", header, "ends before $enddefinitions"},
      {"unknown code", header + "$enddefinitions $end\n#0\nb1 ?\n", "unknown identifier code \"?\""},
      {"time goes back", header + "$enddefinitions $end\n#5\nb1 !\n#4\nb0 !\n", "time goes back from 5 to 4"},
      {"value too wide", header + "$enddefinitions $end\n#0\nb101 !\n", "a value of 3 bits for a variable of 2"},
      {"bad size", "$scope module t $end\n$var wire 99999999999 ! v $end\n", "bad variable size"},
      {"bad range", "$scope module t $end\n$var wire 4 ! v [3:1] $end\n", "does not have its 4 bits"},
      {"bad timestamp", header + "$enddefinitions $end\n#1x\n", "bad timestamp \"#1x\""},
      {"bad real", "$var real 64 ! r $end\n$enddefinitions $end\n#0\nr1.5q !\n", "bad real value"},
      {"garbage", header + "$enddefinitions $end\n#0\ngarbage\n", "unexpected \"garbage\""},
      {"no $end", "$date today", "ends inside a section"},
  });
  std::string out;
  EXPECT_EQ(RunTool("import-vcd " + dir / "absent.vcd " + dir / "x", out), 1);
  EXPECT_NE(out.find("cannot open"), std::string::npos) << out;
  EXPECT_EQ(RunTool("import-vcd only-one", out), 2);
}

using ImportRawTest = zeltest::SessionTest;

// Transient, AC (complex, logarithmic), DC and operating point of one
// circuit with subcircuits, as ngspice writes them in binary and in ASCII.
TEST_F(ImportRawTest, NgspiceAnalysesReadBackBitForBit) {
  if (!Have("ngspice")) GTEST_SKIP() << "ngspice is not installed";
  zeltest::TempDir dir;
  Write(dir / "ladder.cir", kLadder);
  Write(dir / "ladder_ascii.cir", std::string(kLadder).replace(std::string(kLadder).find(".end\n"), 5,
                                                                ".options filetype=ascii\n.end\n"));
  for (const char* variant : {"ladder", "ladder_ascii"}) {
    SCOPED_TRACE(variant);
    const std::string raw = dir / (std::string(variant) + ".raw");
    std::string out;
    ASSERT_EQ(Shell("cd " + dir / "" + " && ngspice -b -r " + raw + " " + variant + ".cir", out), 0) << out;
    const std::string name = dir / variant;
    ASSERT_EQ(RunTool("import-raw " + raw + " " + name, out), 0) << out;
    const std::vector<RawPlot> plots = ReadRaw(raw);
    ASSERT_EQ(plots.size(), 4u);
    const std::map<std::string, std::string> sets = {{"Transient Analysis", "tran"}, {"AC Analysis", "ac"},
                                                     {"DC transfer characteristic", "dc"}, {"Operating Point", "op"}};
    for (const RawPlot& plot : plots) ExpectSameAsRaw(session_, name, sets.at(plot.name), {&plot});

    Container c(session_, name);
    zel_waveformSet_t ac = ZEL_FindWaveformSet(session_, c.handle(), "ac", &status_);
    zel_dimensionDescriptor_t x = ZEL_GetWaveformSetXDescriptor(session_, ac, &status_);
    EXPECT_STREQ(ZEL_GetDimensionDescriptorName(session_, x, &status_), "frequency");
    EXPECT_STREQ(ZEL_GetDimensionDescriptorUnit(session_, x, &status_), "Hz");
    EXPECT_STREQ(ZEL_GetWaveformSetAttribute(session_, ac, "title", &status_), "rc ladder");
    EXPECT_STREQ(ZEL_GetWaveformSetAttribute(session_, ac, "plotname", &status_), "AC Analysis");
    c.Points(c.Waveforms(ac)["x2/v(n1)"]);
    EXPECT_EQ(c.xSpacing, ZEL_DATASPACING_LOG_EQUIDISTANT);
    zel_waveformSet_t tran = ZEL_FindWaveformSet(session_, c.handle(), "tran", &status_);
    x = ZEL_GetWaveformSetXDescriptor(session_, tran, &status_);
    EXPECT_STREQ(ZEL_GetDimensionDescriptorUnit(session_, x, &status_), "s");
    EXPECT_EQ(ZEL_GetWaveformSetParameterCount(session_, tran, &status_), 0u);
  }
}

// A resistance swept in a control loop (appendwrite): one set, a segment per
// run over the parameter given on the command line; and two runs whose
// titles name the value, concatenated.
TEST_F(ImportRawTest, SweptRunsBecomeSegments) {
  if (!Have("ngspice")) GTEST_SKIP() << "ngspice is not installed";
  zeltest::TempDir dir;
  Write(dir / "sweep.cir", R"(sweep
v1 in 0 dc 0 pulse(0 1 0 10n 10n 1u 2u)
r1 in out 1k
c1 out 0 1n
.control
set appendwrite
foreach val 1k 2k 4k
  alter r1 $val
  tran 20n 2u
  write sweep.raw
end
.endc
.end
)");
  std::string out;
  // ngspice ends a batch run of a control block with status 1: the file tells.
  Shell("cd " + dir / "" + " && ngspice -b sweep.cir", out);
  const std::string raw = dir / "sweep.raw";
  const std::vector<RawPlot> plots = ReadRaw(raw);
  ASSERT_EQ(plots.size(), 3u);
  const std::string name = dir / "swept";
  EXPECT_EQ(RunTool("import-raw " + raw + " " + name + " --param R=1000,2000", out), 1);
  EXPECT_NE(out.find("--param gives 2 values, the file has 3 plots of analysis tran"), std::string::npos) << out;
  ASSERT_EQ(RunTool("import-raw " + raw + " " + name + " --param R=1000,2000,4000", out), 0) << out;
  ExpectSameAsRaw(session_, name, "tran", {&plots[0], &plots[1], &plots[2]});
  {
    Container c(session_, name);
    zel_waveformSet_t tran = ZEL_FindWaveformSet(session_, c.handle(), "tran", &status_);
    zel_parameter_t r = ZEL_GetWaveformSetParameter(session_, tran, 0, &status_);
    EXPECT_STREQ(ZEL_GetParameterName(session_, r, &status_), "R");
    double value = 0;
    ZEL_GetSegmentParameterValue(session_, ZEL_GetSegment(session_, tran, 2, &status_), 0, &value, nullptr, &status_);
    EXPECT_EQ(value, 4000);
  }

  // Titles carrying NAME=VALUE, two runs written one after the other.
  for (const char* value : {"1e3", "2.5e3"}) {
    Write(dir / "run.cir", std::string("rc Rload=") + value +
                               "\nv1 in 0 pulse(0 1 0 10n 10n 1u 2u)\nr1 in out " + value +
                               "\nc1 out 0 1n\n.tran 50n 1u\n.end\n");
    ASSERT_EQ(Shell("cd " + dir / "" + " && ngspice -b -r part.raw run.cir && cat part.raw >> runs.raw", out), 0)
        << out;
  }
  const std::vector<RawPlot> runs = ReadRaw(dir / "runs.raw");
  ASSERT_EQ(runs.size(), 2u);
  ASSERT_EQ(RunTool("import-raw " + dir / "runs.raw " + dir / "runs", out), 0) << out;
  ExpectSameAsRaw(session_, dir / "runs", "tran", {&runs[0], &runs[1]});
  Container c(session_, dir / "runs");
  zel_waveformSet_t tran = ZEL_FindWaveformSet(session_, c.handle(), "tran", &status_);
  zel_parameter_t r = ZEL_GetWaveformSetParameter(session_, tran, 0, &status_);
  EXPECT_STREQ(ZEL_GetParameterName(session_, r, &status_), "rload");  // ngspice writes titles in lower case
  double values[2] = {0, 0};
  ZEL_GetParameterValue(session_, r, 0, &values[0], nullptr, &status_);
  ZEL_GetParameterValue(session_, r, 1, &values[1], nullptr, &status_);
  EXPECT_EQ(values[0], 1000);
  EXPECT_EQ(values[1], 2500);
}

TEST_F(ImportRawTest, BadRawFilesFailWithAMessage) {
  zeltest::TempDir dir;
  const std::string header =
      "Title: t\nDate: d\nPlotname: Transient Analysis\nFlags: real\nNo. Variables: 2\nNo. Points: 2\n"
      "Variables:\n\t0\ttime\ttime\n\t1\tv(a)\tvoltage\n";
  std::string binary(32, '\0');
  ExpectImportsFail("import-raw", dir, ".raw", {
      {"truncated binary", header + "Binary:\n" + binary.substr(0, 20), "claims 2 points of 2 variables"},
      {"huge point count",
       "Title: t\nPlotname: Transient Analysis\nFlags: real\nNo. Variables: 2\nNo. Points: 1000000000000\n"
       "Variables:\n\t0\ttime\ttime\n\t1\tv(a)\tvoltage\nBinary:\n" + binary,
       "claims 1000000000000 points"},
      {"truncated ascii", header + "Values:\n0\t0.0\n\t1.0\n1\t2.0\n", "ends in the values"},
      {"bad ascii value", header + "Values:\n0\t0.0\n\tone\n1\t2.0\n\t3.0\n", "bad value"},
      {"bad variable count", "Title: t\nNo. Variables: 0\n", "bad4.raw:2: bad variable count 0"},
      {"bad variable line", "Plotname: x\nFlags: real\nNo. Variables: 2\nNo. Points: 1\nVariables:\n\t0\ttime\n",
       "bad variable line"},
      {"missing counts", "Title: t\nPlotname: x\nFlags: real\nBinary:\n", "incomplete plot header"},
      {"not a raw file", "hello world\n", "expected a header line"},
      {"variable count beyond the list",
       "Plotname: x\nFlags: real\nNo. Variables: 1000000\nNo. Points: 1\nVariables:\n\t0\ttime\ttime\n",
       "bad8.raw:6: the file ends in the variable list"},
      {"header cut", "Title: t\nPlotname: x\n", "ends in a plot header"},
      {"empty", "", "no plot found"},
  });
  std::string out;
  EXPECT_EQ(RunTool("import-raw " + dir / "bad0.raw " + dir / "p --param R=1,x", out), 2);
  EXPECT_NE(out.find("--param wants NAME=V1,V2"), std::string::npos) << out;
}

// ------ Time values ----------------------------------------------------------

using TimeValueTest = zeltest::SessionTest;

// The documented layout: sign, digit count, three magnitude words, fraction.
TEST_F(TimeValueTest, TicksOfAUnitMakeTheDocumentedLayoutAndComeBack) {
  unsigned char value[24];
  ZEL_MakeTimeValue(session_, 3000000000LL, -12, value, &status_);  // 3e9 ps = 3e12 fs
  ASSERT_EQ(status_, ZEL_OK) << ZEL_GetError();
  int16_t sign;
  uint16_t digits;
  uint32_t words[3];
  double fraction;
  std::memcpy(&sign, value, 2);
  std::memcpy(&digits, value + 2, 2);
  std::memcpy(words, value + 4, 12);
  std::memcpy(&fraction, value + 16, 8);
  const unsigned long long fs = 3000000000000ULL;
  EXPECT_EQ(sign, 1);
  EXPECT_EQ(digits, 3);  // 2^32 < 3e12 < 2^48: three 16-bit digits
  EXPECT_EQ(words[0], static_cast<uint32_t>(fs));
  EXPECT_EQ(words[1], static_cast<uint32_t>(fs >> 32));
  EXPECT_EQ(words[2], 0u);
  EXPECT_EQ(fraction, 0.0);
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -12, &status_), 3000000000LL);
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -9, &status_), 3000000LL);
  EXPECT_EQ(ZEL_GetTimeValueSeconds(session_, value, &status_), 3e-3);

  // Negative, and the largest tick counts: 2^63 - 1 ns needs 83 bits of fs.
  ZEL_MakeTimeValue(session_, -7, -15, value, &status_);
  std::memcpy(&sign, value, 2);
  EXPECT_EQ(sign, -1);
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -15, &status_), -7);
  ZEL_MakeTimeValue(session_, INT64_MAX, -9, value, &status_);
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -9, &status_), INT64_MAX);
  ZEL_MakeTimeValue(session_, INT64_MIN, -9, value, &status_);
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -9, &status_), INT64_MIN);

  // What a time value written with them compares like: the library's own
  // time type orders them.
  zel_container_t c = ZEL_CreateContainer(session_, "times", ZEL_MODE_MEMORY, &status_);
  zel_type_t time = ZEL_CreateBuiltinType(session_, c, "time", ZEL_TIME, &status_);
  unsigned char a[24], b[24];
  ZEL_MakeTimeValue(session_, 1500, -12, a, &status_);
  ZEL_MakeTimeValueFromSeconds(session_, 1.5e-9, b, &status_);
  EXPECT_TRUE(ZEL_AreEqualData(session_, time, a, b, 1, &status_));
  ZEL_CloseContainer(session_, c, &status_);
}

TEST_F(TimeValueTest, RefusalsSayWhy) {
  unsigned char value[24];
  ZEL_MakeTimeValue(session_, 1, -16, value, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_MakeTimeValue: The tick unit must be 1e-15 s to 1e3 s.");
  ZEL_MakeTimeValue(session_, INT64_MAX, 0, value, &status_);  // 9.2e33 fs > 2^96
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_MakeTimeValue: The time does not fit in 96-bit femtosecond ticks.");
  ZEL_MakeTimeValue(session_, 1, -15, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  ZEL_MakeTimeValue(session_, 1500, -15, value, &status_);
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -12, &status_), 0);
  EXPECT_EQ(status_, ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_GetTimeValueTicks: The time is not a whole number of ticks of that unit.");
  ZEL_MakeTimeValueFromSeconds(session_, 2.5e-15, value, &status_);  // 2 fs and a half
  ZEL_GetTimeValueTicks(session_, value, -15, &status_);
  EXPECT_EQ(status_, ZEL_FAILED);
  ZEL_MakeTimeValue(session_, 10000000, 0, value, &status_);  // 1e22 fs: 96 bits hold it, 64 do not
  EXPECT_EQ(ZEL_GetTimeValueTicks(session_, value, -15, &status_), 0);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_GetTimeValueTicks: The time does not fit in 64-bit ticks of that unit.");
  ZEL_MakeTimeValueFromSeconds(session_, NAN, value, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  std::memset(value, 0, sizeof value);
  const double bad = 1.0;
  std::memcpy(value + 16, &bad, 8);  // a fraction of a whole tick
  ZEL_GetTimeValueSeconds(session_, value, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_GetTimeValueSeconds: Not a time value.");
  ZEL_GetTimeValueSeconds(ZEL_NullSession, value, &status_);
  EXPECT_EQ(status_, ZEL_BAD_HANDLE);
}
