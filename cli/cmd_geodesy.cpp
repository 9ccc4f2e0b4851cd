// vxshape convert: converts "x y" lines between coordinate systems with the plug-in's converter.
// vxshape grid: turns a text parameter list into the binary datum-shift grid.
#include "cli/commands.h"
#include "geodesy/coord_converter.h"
#include "geodesy/shift_grid.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vx::cli {
namespace {

struct CoordSystem {
  std::int32_t datum = 0, kind = 0, zone = 0, utmZone = 0;
};

// A whole number from `text` in [lo, hi]; nothing else may follow.
bool ParseZone(std::string_view text, int lo, int hi, std::int32_t& zone) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), zone);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && zone >= lo && zone <= hi;
}

// "JGD:BL", "TKY:XY9", "JGD:UTM54": the datum key, then the kind key with its zone.
bool ParseSystem(std::string_view text, CoordSystem& s) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view datum = text.substr(0, colon), kind = text.substr(colon + 1);
  if (datum == geo::DatumKey(geo::DatumTokyo))
    s.datum = geo::DatumTokyo;
  else if (datum == geo::DatumKey(geo::DatumJgd2000))
    s.datum = geo::DatumJgd2000;
  else
    return false;
  if (kind == "BL") {
    s.kind = geo::KindLatLong;
    return true;
  }
  if (kind.starts_with("XY")) {
    s.kind = geo::KindPlaneXY;
    return ParseZone(kind.substr(2), 1, geo::kPlaneZoneCount, s.zone);
  }
  if (kind.starts_with("UTM")) {
    s.kind = geo::KindUtm;
    return ParseZone(kind.substr(3), 1, geo::kUtmZoneCount, s.utmZone);
  }
  return false;
}

std::filesystem::path ProgramFile() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : p;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

const char* SkipSpace(const char* p, const char* end) {
  while (p < end && IsSpace(*p)) ++p;
  return p;
}

const char* ParseDouble(const char* p, const char* end, double& v) {
  if (end - p > 1 && *p == '+' && p[1] != '-') ++p;  // one sign at most: "+-5" is no number
  const auto [q, ec] = std::from_chars(p, end, v);
  return ec == std::errc() ? q : nullptr;
}

// "x y" with white space around and between; nothing else.
bool ParsePair(const char* p, const char* end, double& x, double& y) {
  p = ParseDouble(SkipSpace(p, end), end, x);
  if (!p || p == end || !IsSpace(*p)) return false;
  p = ParseDouble(SkipSpace(p, end), end, y);
  return p && SkipSpace(p, end) == end;
}

class Output {
 public:
  explicit Output(std::FILE* f) : f_(f) { buf_.reserve(kFlushAt + 256); }
  ~Output() { Flush(); }
  void Append(std::string_view s) {
    buf_.append(s);
    if (buf_.size() >= kFlushAt) Flush();
  }
  void Number(double v) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 9);
    buf_.append(text, r.ptr);
  }
  void Char(char c) {
    buf_.push_back(c);
    if (buf_.size() >= kFlushAt) Flush();
  }
  void Flush() {
    if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), f_);
    buf_.clear();
  }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;
  std::FILE* f_;
  std::string buf_;
};

int RunConvert(const std::string& from, const std::string& to, const std::string& grid, const std::string& input) {
  CoordSystem src, dst;
  for (auto [text, sys] : {std::pair{&from, &src}, {&to, &dst}}) {
    if (!ParseSystem(*text, *sys)) {
      std::fprintf(stderr, "vxshape convert: unknown coordinate system '%s' (write e.g. JGD:BL, TKY:XY9, JGD:UTM54)\n",
                   text->c_str());
      return 2;
    }
  }
  geo::ConverterHost host;
  host.gridFile = [&grid] {
    return grid.empty() ? geo::GridFileBeside(ProgramFile()) : std::filesystem::path(grid);
  };
  host.warn = [](std::string_view text) {
    std::fprintf(stderr, "vxshape convert: %.*s\n", static_cast<int>(text.size()), text.data());
  };
  geo::CCoordConverter converter(std::move(host));
  if (!converter.Setup(src.datum, src.kind, src.zone, src.utmZone, dst.datum, dst.kind, dst.zone, dst.utmZone))
    return 1;

  std::FILE* in = stdin;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(nullptr, std::fclose);
  if (!input.empty() && input != "-") {
    owned.reset(std::fopen(input.c_str(), "rb"));
    if (!owned) {
      std::fprintf(stderr, "vxshape convert: cannot open %s\n", input.c_str());
      return 1;
    }
    in = owned.get();
  }

  Output out(stdout);
  long lineNumber = 0;
  int status = 0;
  auto handle = [&](const char* p, const char* end) {
    ++lineNumber;
    if (end > p && end[-1] == '\r') --end;
    const char* first = SkipSpace(p, end);
    if (first == end || *first == '#') {
      out.Append(std::string_view(p, static_cast<std::size_t>(end - p)));
      out.Char('\n');
      return;
    }
    double x, y, cx = 0, cy = 0, cg = 0;
    bool ok = ParsePair(p, end, x, y);
    if (!ok) {
      std::fprintf(stderr, "vxshape convert: line %ld: expected two numbers \"x y\"\n", lineNumber);
    } else if (!(ok = converter.Convert(x, y, cx, cy, cg))) {
      std::fprintf(stderr, "vxshape convert: line %ld: cannot convert %.17g %.17g\n", lineNumber, x, y);
    }
    if (!ok) {
      // Keeps output line N for input line N, with a value no one can take for a coordinate.
      out.Append("nan nan nan\n");
      status = 1;
      return;
    }
    out.Number(cx);
    out.Char(' ');
    out.Number(cy);
    out.Char(' ');
    out.Number(cg);
    out.Char('\n');
  };

  // Whole lines from large blocks; the tail of a block waits for the rest of its line.
  std::vector<char> buf(1 << 20);
  std::size_t kept = 0;
  for (;;) {
    if (kept == buf.size()) buf.resize(buf.size() * 2);  // a line longer than the buffer
    const std::size_t n = std::fread(buf.data() + kept, 1, buf.size() - kept, in);
    const char* p = buf.data();
    const char* end = buf.data() + kept + n;
    for (const char* nl; (nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         p = nl + 1)
      handle(p, nl);
    kept = static_cast<std::size_t>(end - p);
    std::memmove(buf.data(), p, kept);
    if (n == 0) break;
  }
  if (kept > 0) handle(buf.data(), buf.data() + kept);
  if (std::ferror(in)) {
    std::fprintf(stderr, "vxshape convert: read error\n");
    status = 1;
  }
  out.Flush();
  if (std::fflush(stdout) != 0) status = 1;
  return status;
}

int RunGrid(const std::string& textPath, const std::string& gridPath) {
  std::string error;
  if (!geo::ConvertShiftText(textPath, gridPath, &error)) {
    std::fprintf(stderr, "vxshape grid: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

const Registrar registrar([](CLI::App& app) {
  auto* convert = app.add_subcommand(
      "convert", "Convert \"x y\" lines (easting or longitude first) between coordinate systems; writes \"x y convergence\"");
  auto from = std::make_shared<std::string>();
  auto to = std::make_shared<std::string>();
  auto grid = std::make_shared<std::string>();
  auto input = std::make_shared<std::string>();
  convert->add_option("--from", *from, "Source system: DATUM:KIND, e.g. TKY:XY9, JGD:BL, JGD:UTM54")->required();
  convert->add_option("--to", *to, "Destination system, as --from")->required();
  convert->add_option("--grid", *grid, "Datum-shift grid file (default: TKY2JGD_Win.dat beside the program)");
  convert->add_option("file", *input, "Input file (default: standard input)");
  convert->callback([=] { ExitStatus() = RunConvert(*from, *to, *grid, *input); });

  auto* gridCmd = app.add_subcommand("grid", "Turn a text parameter list into the binary datum-shift grid");
  auto par = std::make_shared<std::string>();
  auto dat = std::make_shared<std::string>();
  gridCmd->add_option("PARFILE", *par, "Text list: two header lines, then mesh code, dB, dL (arc-seconds)")->required();
  gridCmd->add_option("DATFILE", *dat, "Binary grid file to write")->required();
  gridCmd->callback([=] { ExitStatus() = RunGrid(*par, *dat); });
});

}  // namespace
}  // namespace vx::cli
