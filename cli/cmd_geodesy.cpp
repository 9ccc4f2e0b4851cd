// vxshape convert: converts "x y" lines between coordinate systems with the plug-in's converter.
// vxshape grid: turns a text parameter list into the binary datum-shift grid.
#include "cli/commands.h"
#include "cli/platform.h"
#include "cli/convert_line.h"
#include "cli/systems.h"
#include "geodesy/coord_converter.h"
#include "geodesy/shift_grid.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vx::cli {
namespace {

// Buffered standard output that remembers its first write failure.
class Output {
 public:
  explicit Output(std::FILE* f) : f_(f) { buf_.reserve(kFlushAt + 1024); }
  std::string& Buffer() { return buf_; }
  // Writes the buffer out once it is large; false once a write has failed.
  bool Pace() { return buf_.size() < kFlushAt || Flush(); }
  bool Flush() {
    errno = 0;
    if (error_ == 0 && !buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
      error_ = errno ? errno : EIO;
    buf_.clear();
    errno = 0;
    if (error_ == 0 && std::fflush(f_) != 0) error_ = errno ? errno : EIO;
    return error_ == 0;
  }
  int Error() const { return error_; }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;
  std::FILE* f_;
  std::string buf_;
  int error_ = 0;
};

int RunConvert(const std::string& from, const std::string& to, const std::string& grid, const std::string& input) {
  geo::CoordSystem src, dst;
  bool srcSheet = false, dstSheet = false;
  for (auto [text, sys, sheet] : {std::tuple{&from, &src, &srcSheet}, {&to, &dst, &dstSheet}}) {
    if (!ParseSystemOrSheet(*text, *sys, *sheet)) {
      std::fprintf(stderr,
                   "vxshape convert: unknown coordinate system '%s' (write e.g. JGD:BL, TKY:BL-sheet, TKY:XY9, "
                   "JGD:UTM54)\n",
                   text->c_str());
      return 2;
    }
  }
  // Sheet metres as a source are read back into degrees, as the exporter reads the sheet.
  if (srcSheet) src.kind = geo::KindSphereMetres;
  // Degrees out are the position itself, without the destination stage (as the exporter writes
  // a latitude/longitude file); the setup still prepares that stage, harmlessly.
  const bool degreesOut = dst.kind == geo::KindLatLong && !dstSheet;

  geo::ConverterHost host;
  const std::filesystem::path gridFile = grid.empty() ? geo::GridFileBeside(ProgramFile()) : vx::host::Utf8ToPath(grid);
  host.gridFile = [&gridFile] { return gridFile; };
  host.warn = [&gridFile, &grid](std::string_view text) {
    std::fprintf(stderr, "vxshape convert: %.*s\n", static_cast<int>(text.size()), text.data());
    // The plug-in's message names no file; on the command line say which one and how to give one.
    if (text == geo::kGridMissingMessage)
      std::fprintf(stderr,
                   "vxshape convert: cannot open the datum-shift grid %s%s; give one with --grid FILE "
                   "(make it from the parameter list with `vxshape grid`)\n",
                   vx::host::PathToUtf8(gridFile).c_str(), grid.empty() ? " (looked for beside the program)" : "");
  };
  geo::CCoordConverter converter(std::move(host));
  if (!converter.Setup(src, dst))
    return 1;

  std::FILE* in = stdin;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(nullptr, std::fclose);
  if (!input.empty() && input != "-") {
    owned.reset(vx::host::Fopen(vx::host::Utf8ToPath(input), "rb"));
    if (!owned) {
      std::fprintf(stderr, "vxshape convert: cannot open %s\n", input.c_str());
      return 1;
    }
    in = owned.get();
  }

  Output out(stdout);
  long lineNumber = 0;
  int status = 0;
  // Degrees carry 12 decimals (about 0.1 micrometre on the ground), metres 9.
  const int xyDecimals = degreesOut ? 12 : 9;
  auto handle = [&](const char* p, const char* end) {
    ++lineNumber;
    std::string& buf = out.Buffer();
    double x = 0, y = 0, cx = 0, cy = 0, cg = 0;
    const cli::ConvertLine kind = cli::ParseConvertLine(std::string_view(p, static_cast<std::size_t>(end - p)), x, y);
    if (kind == cli::ConvertLine::kPassThrough) {
      if (end > p && end[-1] == '\r') --end;
      buf.append(p, end);
      buf.push_back('\n');
      return;
    }
    bool ok = kind == cli::ConvertLine::kPair;
    if (!ok) {
      std::fprintf(stderr, "vxshape convert: line %ld: expected two numbers \"x y\"\n", lineNumber);
    } else {
      if (degreesOut)
        ok = converter.SourceToLatLong(y, x, cy, cx) && converter.ShiftDatum(cy, cx, cy, cx);
      else
        ok = converter.Convert(x, y, cx, cy, cg);
      const std::size_t mark = buf.size();
      ok = ok && cli::AppendFixed(buf, cx, xyDecimals);
      if (ok) buf.push_back(' ');
      ok = ok && cli::AppendFixed(buf, cy, xyDecimals);
      if (ok) buf.push_back(' ');
      ok = ok && cli::AppendFixed(buf, cg, 9);
      if (ok) buf.push_back('\n');
      if (!ok) {
        buf.resize(mark);
        std::fprintf(stderr, "vxshape convert: line %ld: cannot convert %.17g %.17g\n", lineNumber, x, y);
      }
    }
    if (!ok) {
      // Keeps output line N for input line N, with a value no one can take for a coordinate.
      buf.append("nan nan nan\n");
      status = 1;
    }
  };

  // Whole lines from large blocks; the tail of a block waits for the rest of its line.
  std::vector<char> buf(1 << 20);
  std::size_t kept = 0;
  bool writing = true;
  for (; writing;) {
    if (kept == buf.size()) buf.resize(buf.size() * 2);  // a line longer than the buffer
    const std::size_t n = std::fread(buf.data() + kept, 1, buf.size() - kept, in);
    const char* p = buf.data();
    const char* end = buf.data() + kept + n;
    for (const char* nl; writing && (nl = static_cast<const char*>(
                                         std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         p = nl + 1) {
      handle(p, nl);
      writing = out.Pace();
    }
    kept = static_cast<std::size_t>(end - p);
    std::memmove(buf.data(), p, kept);
    if (n == 0) break;
  }
  if (writing && kept > 0) handle(buf.data(), buf.data() + kept);
  if (std::ferror(in)) {
    std::fprintf(stderr, "vxshape convert: read error\n");
    status = 1;
  }
  if (!out.Flush()) {
    std::fprintf(stderr, "vxshape: cannot write standard output: %s\n", std::strerror(out.Error()));
    return 1;
  }
  return status;
}

int RunGrid(const std::string& textPath, const std::string& gridPath) {
  std::string error;
  if (!geo::ConvertShiftText(vx::host::Utf8ToPath(textPath), vx::host::Utf8ToPath(gridPath), &error)) {
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
  convert->add_option("--from", *from,
                     "Source system: DATUM:KIND, e.g. TKY:XY9, JGD:UTM54, JGD:BL (degrees), JGD:BL-sheet (sheet metres)")->required();
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
