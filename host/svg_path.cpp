#include "host/svg_path.h"

#include "host/segments.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace vx::host::svg {

Affine Affine::Inverse() const {
  const double det = a * d - b * c;
  if (!(std::isfinite(det) && det != 0)) return {};
  return {d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
}

double Affine::Scale() const {
  const double det = std::abs(a * d - b * c);
  return std::isfinite(det) && det > 0 ? std::sqrt(det) : 1.0;
}

namespace {
// The shortest text of v that reads back exactly, at `at` (room for 32 characters); answers its end.
char* NumberChars(char* at, double v) {
  if (v == 0) v = 0;  // no "-0"
  return std::to_chars(at, at + 32, v).ptr;
}
}  // namespace

void AppendNumber(std::string& out, double v) {
  char buf[32];
  out.append(buf, NumberChars(buf, v));
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}
  void SkipSpace() {
    while (i_ < s_.size() && IsSpace(s_[i_])) ++i_;
  }
  // Whitespace and at most one comma.
  void SkipSeparator() {
    SkipSpace();
    if (i_ < s_.size() && s_[i_] == ',') {
      ++i_;
      SkipSpace();
    }
  }
  bool AtEnd() const { return i_ >= s_.size(); }
  char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
  void Advance() { ++i_; }
  std::size_t Pos() const { return i_; }
  bool StartsNumber() const {
    const char c = Peek();
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
  }
  bool Number(double& v) {
    std::size_t j = i_;
    if (j < s_.size() && s_[j] == '+') ++j;  // from_chars takes no '+'
    const char* begin = s_.data() + j;
    const char* end = s_.data() + s_.size();
    auto r = std::from_chars(begin, end, v, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    i_ = static_cast<std::size_t>(r.ptr - s_.data());
    return true;
  }
  bool Flag(bool& f) {
    const char c = Peek();
    if (c != '0' && c != '1') return false;
    f = c == '1';
    ++i_;
    return true;
  }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

int ArgCount(char cmd) {
  switch (cmd | 0x20) {
    case 'm': case 'l': case 't': return 2;
    case 'h': case 'v': return 1;
    case 'c': return 6;
    case 's': case 'q': return 4;
    case 'a': return 7;
    case 'z': return 0;
    default: return -1;
  }
}

// The path as it is read, in user units, before mapping.
class Builder {
 public:
  // `expected`: about how many anchors the data holds, so that a long path grows once.
  Builder(const Affine& m, std::vector<Subpath>& out, std::size_t expected) : m_(m), out_(out), expected_(expected) {}
  void MoveTo(RealPoint p) {
    Finish();
    current_ = Subpath{};
    current_.segments.reserve(out_.empty() ? expected_ : 4);
    current_.segments.push_back(Seg(p));
    open_ = true;
    start_ = p;
  }
  void LineTo(RealPoint p) {
    Ensure();
    current_.segments.push_back(Seg(p));
  }
  void CurveTo(RealPoint c1, RealPoint c2, RealPoint p) {
    Ensure();
    current_.segments.back().out = m_.Apply(c1);
    PathSegment s = Seg(p);
    s.in = m_.Apply(c2);
    current_.segments.push_back(s);
  }
  void Close() {
    if (!open_) return;
    current_.closed = true;
    // The closing anchor that repeats the first one is the first one.
    auto& s = current_.segments;
    if (s.size() > 1 && s.back().p == s.front().p) {
      s.front().in = s.back().in;
      s.pop_back();
    }
    Finish();
  }
  void Finish() {
    if (open_) {
      // No trimming here: the caller turns the list into the host's compact segments at once.
      out_.push_back(std::move(current_));
    }
    open_ = false;
  }
  RealPoint Start() const { return start_; }

 private:
  // A drawing command with no subpath open starts one at the last subpath's start.
  void Ensure() {
    if (open_) return;
    current_ = Subpath{};
    current_.segments.push_back(Seg(start_));
    open_ = true;
  }
  PathSegment Seg(RealPoint p) const {
    const RealPoint q = m_.Apply(p);
    return {q, q, q, false};
  }
  const Affine& m_;
  std::vector<Subpath>& out_;
  std::size_t expected_;
  Subpath current_;
  bool open_ = false;
  RealPoint start_;
};

// An elliptical arc as cubic curves, at most a quarter turn each.
void ArcTo(Builder& b, RealPoint p0, double rx, double ry, double angleDeg, bool large, bool sweep, RealPoint p1) {
  if (p0 == p1) return;
  rx = std::abs(rx);
  ry = std::abs(ry);
  if (rx == 0 || ry == 0) {
    b.LineTo(p1);
    return;
  }
  const double phi = angleDeg * std::numbers::pi / 180;
  const double cs = std::cos(phi), sn = std::sin(phi);
  const double dx = (p0.h - p1.h) / 2, dy = (p0.v - p1.v) / 2;
  const double x1 = cs * dx + sn * dy, y1 = -sn * dx + cs * dy;
  const double lambda = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
  if (lambda > 1) {
    const double s = std::sqrt(lambda);
    rx *= s;
    ry *= s;
  }
  const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
  const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
  double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
  if (large == sweep) coef = -coef;
  const double cxp = coef * rx * y1 / ry, cyp = -coef * ry * x1 / rx;
  const double cx = cs * cxp - sn * cyp + (p0.h + p1.h) / 2;
  const double cy = sn * cxp + cs * cyp + (p0.v + p1.v) / 2;
  auto angle = [](double ux, double uy, double vx, double vy) {
    return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  };
  const double t1 = angle(1, 0, (x1 - cxp) / rx, (y1 - cyp) / ry);
  double dt = angle((x1 - cxp) / rx, (y1 - cyp) / ry, (-x1 - cxp) / rx, (-y1 - cyp) / ry);
  if (!sweep && dt > 0) dt -= 2 * std::numbers::pi;
  if (sweep && dt < 0) dt += 2 * std::numbers::pi;
  const int n = std::max(1, static_cast<int>(std::ceil(std::abs(dt) / (std::numbers::pi / 2) - 1e-9)));
  const double step = dt / n;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  auto at = [&](double t) {
    return RealPoint{cx + rx * std::cos(t) * cs - ry * std::sin(t) * sn, cy + rx * std::cos(t) * sn + ry * std::sin(t) * cs};
  };
  auto deriv = [&](double t) {
    return RealPoint{-rx * std::sin(t) * cs - ry * std::cos(t) * sn, -rx * std::sin(t) * sn + ry * std::cos(t) * cs};
  };
  double t = t1;
  for (int i = 0; i < n; ++i) {
    const double u = t + step;
    const RealPoint a = at(t), d0 = deriv(t), e = i + 1 == n ? p1 : at(u), d1 = deriv(u);
    b.CurveTo({a.h + k * d0.h, a.v + k * d0.v}, {e.h - k * d1.h, e.v - k * d1.v}, e);
    t = u;
  }
}

}  // namespace

bool ParsePathData(std::string_view d, const Affine& m, std::vector<Subpath>& out, std::string& error) {
  std::vector<Subpath> result;
  // Anchors take a dozen characters or more however they are written.
  Builder b(m, result, d.size() / 12 + 2);
  Scanner s(d);
  RealPoint cur, lastCtrl;
  char prev = 0;  // the previous command, for S and T
  char cmd = 0;
  s.SkipSpace();
  auto fail = [&](const std::string& what) {
    error = "path data, character " + std::to_string(s.Pos() + 1) + ": " + what;
    return false;
  };
  while (!s.AtEnd()) {
    const char c = s.Peek();
    if (ArgCount(c) >= 0) {
      cmd = c;
      s.Advance();
      s.SkipSpace();
    } else if (!cmd || !s.StartsNumber()) {
      return fail(std::string("'") + c + "' is not a path command");
    } else if ((cmd | 0x20) == 'm') {
      cmd = cmd == 'm' ? 'l' : 'L';  // coordinates after a move are lines
    }
    if (!prev && (cmd | 0x20) != 'm') return fail("path data must begin with a move");
    const int n = ArgCount(cmd);
    double a[7] = {};
    bool flags[2] = {};
    for (int i = 0; i < n; ++i) {
      if ((cmd | 0x20) == 'a' && (i == 3 || i == 4)) {
        if (!s.Flag(flags[i - 3])) return fail("an arc flag (0 or 1) is needed");
      } else if (!s.Number(a[i])) {
        return fail(i == 0 && ArgCount(s.Peek()) >= 0 ? std::string("a number is needed before '") + s.Peek() + "'"
                                                      : "a number is needed");
      }
      s.SkipSeparator();
    }
    const bool rel = cmd >= 'a';
    const RealPoint base = rel ? cur : RealPoint{};
    auto P = [&](double x, double y) { return RealPoint{base.h + x, base.v + y}; };
    const char lc = static_cast<char>(cmd | 0x20);
    switch (lc) {
      case 'm':
        cur = P(a[0], a[1]);
        b.MoveTo(cur);
        break;
      case 'l':
        cur = P(a[0], a[1]);
        b.LineTo(cur);
        break;
      case 'h':
        cur = {rel ? cur.h + a[0] : a[0], cur.v};
        b.LineTo(cur);
        break;
      case 'v':
        cur = {cur.h, rel ? cur.v + a[0] : a[0]};
        b.LineTo(cur);
        break;
      case 'c': {
        const RealPoint c1 = P(a[0], a[1]), c2 = P(a[2], a[3]), e = P(a[4], a[5]);
        b.CurveTo(c1, c2, e);
        lastCtrl = c2;
        cur = e;
        break;
      }
      case 's': {
        const char pl = static_cast<char>(prev | 0x20);
        const RealPoint c1 = (pl == 'c' || pl == 's') ? RealPoint{2 * cur.h - lastCtrl.h, 2 * cur.v - lastCtrl.v} : cur;
        const RealPoint c2 = P(a[0], a[1]), e = P(a[2], a[3]);
        b.CurveTo(c1, c2, e);
        lastCtrl = c2;
        cur = e;
        break;
      }
      case 'q': case 't': {
        const char pl = static_cast<char>(prev | 0x20);
        RealPoint q, e;
        if (lc == 'q') {
          q = P(a[0], a[1]);
          e = P(a[2], a[3]);
        } else {
          q = (pl == 'q' || pl == 't') ? RealPoint{2 * cur.h - lastCtrl.h, 2 * cur.v - lastCtrl.v} : cur;
          e = P(a[0], a[1]);
        }
        // A quadratic is the cubic with its controls two thirds of the way to q.
        b.CurveTo({cur.h + 2.0 / 3 * (q.h - cur.h), cur.v + 2.0 / 3 * (q.v - cur.v)},
                  {e.h + 2.0 / 3 * (q.h - e.h), e.v + 2.0 / 3 * (q.v - e.v)}, e);
        lastCtrl = q;
        cur = e;
        break;
      }
      case 'a': {
        const RealPoint e = P(a[5], a[6]);
        ArcTo(b, cur, a[0], a[1], a[2], flags[0], flags[1], e);
        cur = e;
        break;
      }
      case 'z':
        b.Close();
        cur = b.Start();
        break;
    }
    prev = cmd;
    if (lc == 'z') cmd = 0;  // numbers straight after Z are an error
  }
  b.Finish();
  out = std::move(result);
  return true;
}

namespace {
// One command's numbers are made in a local buffer and appended at once: a drawing's path data is
// most of a saved file.
class Command {
 public:
  Command(const char* cmd) {  // NOLINT: a command letter with its space
    while (*cmd) *end_++ = *cmd++;
  }
  void Pt(const RealPoint& p, const Affine& m) {
    const RealPoint q = m.Apply(p);
    Num(q.h);
    *end_++ = ',';
    Num(q.v);
  }
  void Space() { *end_++ = ' '; }
  void AppendTo(std::string& out) const { out.append(buf_, static_cast<std::size_t>(end_ - buf_)); }

 private:
  void Num(double v) { end_ = NumberChars(end_, v); }
  char buf_[128];  // three points of at most 2 × 24 characters, their separators, the command
  char* end_ = buf_;
};

// Over a std::vector of segments or the host's compact Segments alike, without copying either.
template <class List>
void PathData(std::string& out, const List& s, bool closed, const Affine& m) {
  if (s.empty()) return;
  {
    Command c("M");
    c.Pt(s[0].p, m);
    c.AppendTo(out);
  }
  const std::size_t n = s.size();
  for (std::size_t i = 1; i <= n; ++i) {
    if (i == n && !closed) break;
    const PathSegment a = s[i - 1];
    const PathSegment b = s[i % n];
    if (a.out == a.p && b.in == b.p) {
      if (i == n) break;  // Z draws the closing line
      Command c(" L");
      c.Pt(b.p, m);
      c.AppendTo(out);
    } else {
      Command c(" C");
      c.Pt(a.out, m);
      c.Space();
      c.Pt(b.in, m);
      c.Space();
      c.Pt(b.p, m);
      c.AppendTo(out);
    }
  }
  if (closed) out += " Z";
}

// A path of straight lines (an import's) straight from its anchors.
void LineData(std::string& out, const RealPoint* p, std::size_t n, bool closed, const Affine& m) {
  if (n == 0) return;
  {
    Command c("M");
    c.Pt(p[0], m);
    c.AppendTo(out);
  }
  for (std::size_t i = 1; i < n; ++i) {
    Command c(" L");
    c.Pt(p[i], m);
    c.AppendTo(out);
  }
  if (closed) out += " Z";
}
}  // namespace

void AppendPathData(std::string& out, const std::vector<PathSegment>& s, bool closed, const Affine& m) {
  PathData(out, s, closed, m);
}
void AppendPathData(std::string& out, const Segments& s, bool closed, const Affine& m) {
  // Handles are kept only where they differ from their anchor, so without any every segment is
  // a line.
  if (s.HandleCount() == 0) LineData(out, s.Anchors(), s.size(), closed, m);
  else PathData(out, s, closed, m);
}

bool ParseLength(std::string_view text, double percentOf, double& out) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return false;
  const std::string_view unit(r.ptr, static_cast<std::size_t>(text.data() + text.size() - r.ptr));
  static const struct {
    const char* name;
    double px;
  } kUnits[] = {{"", 1}, {"px", 1}, {"pt", 96.0 / 72}, {"pc", 16}, {"mm", 96 / 25.4}, {"cm", 96 / 2.54},
                {"in", 96}, {"em", 16}, {"ex", 8}, {"%", 0}};
  for (const auto& u : kUnits)
    if (unit == u.name) {
      out = u.px == 0 ? v / 100 * percentOf : v * u.px;
      return true;
    }
  return false;
}

namespace {
bool ParseArgs(Scanner& s, std::vector<double>& args) {
  s.SkipSpace();
  if (s.Peek() != '(') return false;
  s.Advance();
  s.SkipSpace();
  while (s.Peek() != ')') {
    double v;
    if (!s.Number(v) || args.size() >= 6) return false;
    args.push_back(v);
    s.SkipSeparator();
  }
  s.Advance();
  return true;
}
}  // namespace

bool ParseTransform(std::string_view text, Affine& out, std::string& error) {
  Affine m;
  Scanner s(text);
  s.SkipSpace();
  while (!s.AtEnd()) {
    std::string name;
    while (!s.AtEnd() && ((s.Peek() >= 'a' && s.Peek() <= 'z') || (s.Peek() >= 'A' && s.Peek() <= 'Z')) && name.size() < 16) {
      name += s.Peek();
      s.Advance();
    }
    std::vector<double> v;
    if (name.empty() || !ParseArgs(s, v)) {
      error = "transform, character " + std::to_string(s.Pos() + 1) + ": not a transform list";
      return false;
    }
    Affine t;
    const double deg = std::numbers::pi / 180;
    const std::size_t n = v.size();
    if (name == "matrix" && n == 6) {
      t = {v[0], v[1], v[2], v[3], v[4], v[5]};
    } else if (name == "translate" && (n == 1 || n == 2)) {
      t.e = v[0];
      t.f = n == 2 ? v[1] : 0;
    } else if (name == "scale" && (n == 1 || n == 2)) {
      t.a = v[0];
      t.d = n == 2 ? v[1] : v[0];
    } else if (name == "rotate" && (n == 1 || n == 3)) {
      const double r = v[0] * deg;
      Affine rot{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
      if (n == 3) rot = Affine{1, 0, 0, 1, v[1], v[2]} * rot * Affine{1, 0, 0, 1, -v[1], -v[2]};
      t = rot;
    } else if (name == "skewX" && n == 1) {
      t.c = std::tan(v[0] * deg);
    } else if (name == "skewY" && n == 1) {
      t.b = std::tan(v[0] * deg);
    } else {
      error = "transform: \"" + name + "\" with " + std::to_string(n) + " numbers is not a transform";
      return false;
    }
    m = m * t;
    s.SkipSeparator();
  }
  out = m;
  return true;
}

std::string TransformText(const Affine& m) {
  if (m.Identity()) return "";
  std::string s;
  auto list = [&](std::initializer_list<double> v) {
    bool first = true;
    for (double x : v) {
      if (!first) s += ',';
      first = false;
      AppendNumber(s, x);
    }
    s += ')';
  };
  if (m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1) {
    s = "translate(";
    list({m.e, m.f});
  } else {
    s = "matrix(";
    list({m.a, m.b, m.c, m.d, m.e, m.f});
  }
  return s;
}

}  // namespace vx::host::svg
