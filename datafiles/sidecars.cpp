#include "datafiles/sidecars.h"

#include "geodesy/datum.h"
#include "geodesy/geodesy.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <cctype>
#include <cstdio>
#include <charconv>
#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

namespace vx::data {

namespace {

// Upper-case letters and digits only: "JGD_2000 / UTM zone 54N" -> "JGD2000UTMZONE54N".
std::string Squeeze(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c >= 'a' && c <= 'z') out += static_cast<char>(c - 'a' + 'A');
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) out += c;
  }
  return out;
}

bool Contains(const std::string& s, std::string_view part) { return s.find(part) != std::string::npos; }

// A whole number from `text` in [lo, hi]; nothing else may follow.
bool ParseWhole(std::string_view text, int lo, int hi, std::int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value >= lo && value <= hi;
}

// A file's text, at most `limit` bytes; nullopt when it cannot be read.
std::optional<std::string> Slurp(const std::filesystem::path& p, std::size_t limit) {
  std::ifstream f(p, std::ios::binary);
  if (!f) return std::nullopt;
  std::string s(limit, '\0');
  f.read(s.data(), static_cast<std::streamsize>(limit));
  s.resize(static_cast<std::size_t>(f.gcount()));
  return s;
}

// The sidecar beside `shp` with extension `ext` in either case ("roads.prj" or "roads.PRJ").
std::optional<std::filesystem::path> Sidecar(const std::filesystem::path& shp, const char* lower, const char* upper) {
  for (const char* ext : {lower, upper}) {
    std::filesystem::path p = shp;
    p.replace_extension(ext);
    std::error_code ec;
    if (std::filesystem::is_regular_file(p, ec)) return p;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// WKT: KEYWORD[ value, value, ... ] where a value is a quoted text, a bare word or number, or a node.

struct WktNode {
  std::string keyword;  // upper case
  std::vector<std::string> values;  // texts, words and numbers, in order
  std::vector<std::unique_ptr<WktNode>> children;
  const std::string& Name() const {
    static const std::string empty;
    return values.empty() ? empty : values.front();
  }
  const WktNode* Child(std::initializer_list<std::string_view> keys) const {
    for (const auto& c : children)
      for (std::string_view k : keys)
        if (c->keyword == k) return c.get();
    return nullptr;
  }
};

class WktParser {
 public:
  explicit WktParser(std::string_view s) : s_(s) {}

  std::unique_ptr<WktNode> Parse() {
    auto node = Node(0);
    return node;
  }

 private:
  static constexpr int kMaxDepth = 32;
  void Skip() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n')) ++p_;
  }
  std::unique_ptr<WktNode> Node(int depth) {
    if (depth > kMaxDepth) return nullptr;
    Skip();
    auto n = std::make_unique<WktNode>();
    while (p_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_'))
      n->keyword += static_cast<char>(std::toupper(static_cast<unsigned char>(s_[p_++])));
    Skip();
    if (n->keyword.empty() || p_ >= s_.size() || (s_[p_] != '[' && s_[p_] != '(')) return nullptr;
    const char close = s_[p_] == '[' ? ']' : ')';
    ++p_;
    for (;;) {
      Skip();
      if (p_ >= s_.size()) return nullptr;
      if (s_[p_] == '"') {
        std::string text;
        ++p_;
        for (;;) {
          if (p_ >= s_.size()) return nullptr;
          if (s_[p_] == '"') {
            if (p_ + 1 < s_.size() && s_[p_ + 1] == '"') {  // "" stands for one quote
              text += '"';
              p_ += 2;
              continue;
            }
            ++p_;
            break;
          }
          text += s_[p_++];
        }
        n->values.push_back(std::move(text));
      } else {
        // A bare word or number, or a nested node when a bracket follows the word.
        const std::size_t start = p_;
        while (p_ < s_.size() && s_[p_] != ',' && s_[p_] != ']' && s_[p_] != ')' && s_[p_] != '[' &&
               s_[p_] != '(')
          ++p_;
        if (p_ < s_.size() && (s_[p_] == '[' || s_[p_] == '(')) {
          p_ = start;
          auto child = Node(depth + 1);
          if (!child) return nullptr;
          n->children.push_back(std::move(child));
        } else {
          std::string word(s_.substr(start, p_ - start));
          while (!word.empty() && (word.back() == ' ' || word.back() == '\t' || word.back() == '\r' || word.back() == '\n'))
            word.pop_back();
          n->values.push_back(std::move(word));
        }
      }
      Skip();
      if (p_ >= s_.size()) return nullptr;
      if (s_[p_] == ',') {
        ++p_;
        continue;
      }
      if (s_[p_] == close) {
        ++p_;
        return n;
      }
      return nullptr;
    }
  }

  std::string_view s_;
  std::size_t p_ = 0;
};

std::optional<double> Number(std::string_view s) {
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Datums the dialog knows, and two it reads as JGD2000.
enum class WktDatum { Unknown, Jgd2000, Tokyo, Jgd2011, Wgs84 };

WktDatum DatumFromName(const std::string& squeezed) {
  if (Contains(squeezed, "JGD2011") || Contains(squeezed, "JAPANESEGEODETICDATUM2011")) return WktDatum::Jgd2011;
  if (Contains(squeezed, "JGD2000") || Contains(squeezed, "JAPANESEGEODETICDATUM2000")) return WktDatum::Jgd2000;
  if (Contains(squeezed, "TOKYO")) return WktDatum::Tokyo;
  if (Contains(squeezed, "WGS1984") || Contains(squeezed, "WGS84") || Contains(squeezed, "WORLDGEODETICSYSTEM1984"))
    return WktDatum::Wgs84;
  return WktDatum::Unknown;
}

struct Known {
  WktDatum datum = WktDatum::Unknown;
  std::int32_t kind = 0, zone = 0, utmZone = 0;
};

// EPSG and ESRI codes of the Japanese systems (checked with gdalsrsinfo).
std::optional<Known> FromCode(const std::string& authority, long code) {
  const std::string a = Squeeze(authority);
  auto range = [&](long lo, long hi, WktDatum d, std::int32_t kind, std::int32_t firstZone) -> std::optional<Known> {
    if (code < lo || code > hi) return std::nullopt;
    Known k{d, kind, 0, 0};
    const auto z = static_cast<std::int32_t>(firstZone + (code - lo));
    (kind == geo::KindPlaneXY ? k.zone : k.utmZone) = z;
    return k;
  };
  if (a == "EPSG") {
    if (code == 4612) return Known{WktDatum::Jgd2000, geo::KindLatLong};
    if (code == 4301) return Known{WktDatum::Tokyo, geo::KindLatLong};
    if (code == 6668) return Known{WktDatum::Jgd2011, geo::KindLatLong};
    if (code == 4326) return Known{WktDatum::Wgs84, geo::KindLatLong};
    for (auto k : {range(2443, 2461, WktDatum::Jgd2000, geo::KindPlaneXY, 1),
                   range(30161, 30179, WktDatum::Tokyo, geo::KindPlaneXY, 1),
                   range(6669, 6687, WktDatum::Jgd2011, geo::KindPlaneXY, 1),
                   range(3097, 3101, WktDatum::Jgd2000, geo::KindUtm, 51),
                   range(3092, 3096, WktDatum::Tokyo, geo::KindUtm, 51),
                   range(6688, 6692, WktDatum::Jgd2011, geo::KindUtm, 51),
                   range(32601, 32660, WktDatum::Wgs84, geo::KindUtm, 1)})
      if (k) return k;
  } else if (a == "ESRI") {
    if (code == 102150) return Known{WktDatum::Jgd2000, geo::KindUtm, 0, 56};
    for (auto k : {range(102610, 102628, WktDatum::Jgd2011, geo::KindPlaneXY, 1),
                   range(102151, 102156, WktDatum::Tokyo, geo::KindUtm, 51)})
      if (k) return k;
  }
  return std::nullopt;
}

int RomanValue(std::string_view r) {
  static const char* numerals[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X",
                                   "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII", "XVIII", "XIX"};
  for (int i = 0; i < 19; ++i)
    if (r == numerals[i]) return i + 1;
  return 0;
}

// The zone named in a projected system's name, for files without projection parameters.
std::optional<Known> FromName(const std::string& squeezed) {
  Known k;
  std::size_t at = squeezed.find("JAPANZONE");
  if (at != std::string::npos &&
      ParseWhole(std::string_view(squeezed).substr(at + 9), 1, geo::kPlaneZoneCount, k.zone)) {
    k.kind = geo::KindPlaneXY;
    return k;
  }
  at = squeezed.find("JAPANPLANERECTANGULARCS");
  if (at != std::string::npos) {
    const int z = RomanValue(std::string_view(squeezed).substr(at + 23));
    if (z > 0) {
      k.kind = geo::KindPlaneXY;
      k.zone = z;
      return k;
    }
  }
  at = squeezed.find("UTMZONE");
  if (at != std::string::npos && squeezed.back() == 'N') {
    std::string_view digits = std::string_view(squeezed).substr(at + 7);
    digits.remove_suffix(1);
    if (ParseWhole(digits, 1, geo::kUtmZoneCount, k.utmZone)) {
      k.kind = geo::KindUtm;
      return k;
    }
  }
  return std::nullopt;
}

void CollectParameters(const WktNode& n, std::vector<const WktNode*>& out) {
  for (const auto& c : n.children) {
    if (c->keyword == "GEOGCS" || c->keyword == "BASEGEOGCRS" || c->keyword == "BASEGEODCRS") continue;
    if (c->keyword == "PARAMETER") out.push_back(c.get());
    else CollectParameters(*c, out);
  }
}

// The metres per unit of a projected system's coordinates, when the WKT says.
std::optional<double> LinearUnit(const WktNode& root) {
  for (const auto& c : root.children) {
    if (c->keyword == "UNIT" || c->keyword == "LENGTHUNIT") {
      if (c->values.size() >= 2) return Number(c->values[1]);
    }
    if (c->keyword == "CS" || c->keyword == "AXIS")
      if (auto u = LinearUnit(*c)) return u;
  }
  return std::nullopt;
}

bool Near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

// A transverse Mercator system's zone from its parameters.
std::optional<Known> FromParameters(const WktNode& root, std::string& why) {
  const WktNode* method = root.Child({"PROJECTION", "METHOD"});
  if (!method) {
    if (const WktNode* conv = root.Child({"CONVERSION"})) method = conv->Child({"METHOD"});
  }
  if (!method) return std::nullopt;
  const std::string m = Squeeze(method->Name());
  if (!Contains(m, "TRANSVERSEMERCATOR") && !Contains(m, "GAUSSKRUGER")) {
    why = "the projection is " + method->Name() + ", not transverse Mercator";
    return Known{};
  }
  std::vector<const WktNode*> params;
  CollectParameters(root, params);
  std::optional<double> lat0, lon0, k0, fe, fn;
  for (const WktNode* p : params) {
    if (p->values.size() < 2) continue;
    const std::string name = Squeeze(p->Name());
    const auto v = Number(p->values[1]);
    if (name == "LATITUDEOFORIGIN" || name == "LATITUDEOFNATURALORIGIN") lat0 = v;
    else if (name == "CENTRALMERIDIAN" || name == "LONGITUDEOFNATURALORIGIN" || name == "LONGITUDEOFORIGIN") lon0 = v;
    else if (name == "SCALEFACTOR" || name == "SCALEFACTORATNATURALORIGIN") k0 = v;
    else if (name == "FALSEEASTING") fe = v;
    else if (name == "FALSENORTHING") fn = v;
  }
  if (!(lat0 && lon0 && k0 && fe && fn)) return std::nullopt;
  if (const auto unit = LinearUnit(root); unit && !Near(*unit, 1.0, 1e-12)) {
    why = "its coordinates are not in metres";
    return Known{};
  }
  constexpr double kDeg = 1e-6;  // degrees; WKT writers print the origins to 12 to 15 digits
  if (Near(*k0, 0.9999, 1e-12) && Near(*fe, 0, 1e-6) && Near(*fn, 0, 1e-6)) {
    const geo::CGeodesy g;
    for (std::int32_t z = 1; z <= geo::kPlaneZoneCount; ++z) {
      double lat = 0, lon = 0;
      if (g.PlaneZoneOrigin(z, lat, lon) && Near(lat, *lat0, kDeg) && Near(lon, *lon0, kDeg))
        return Known{WktDatum::Unknown, geo::KindPlaneXY, z, 0};
    }
  }
  if (Near(*k0, 0.9996, 1e-12) && Near(*fe, 500000, 1e-6) && Near(*fn, 0, 1e-6) && Near(*lat0, 0, kDeg)) {
    const double z = (*lon0 + 183.0) / 6.0;
    const auto zi = static_cast<std::int32_t>(std::lround(z));
    if (Near(z, zi, kDeg) && zi >= 1 && zi <= geo::kUtmZoneCount) return Known{WktDatum::Unknown, geo::KindUtm, 0, zi};
  }
  why = "its transverse Mercator parameters match no plane rectangular or UTM zone";
  return Known{};
}

// The authority code a node carries: AUTHORITY["EPSG","2451"] (WKT 1) or ID["EPSG",2451] (WKT 2).
std::optional<Known> FromAuthority(const WktNode& n) {
  const WktNode* a = n.Child({"AUTHORITY", "ID"});
  if (!a || a->values.size() < 2) return std::nullopt;
  const auto code = Number(a->values[1]);
  if (!code) return std::nullopt;
  return FromCode(a->values[0], static_cast<long>(*code));
}

// The CRS a compound or bound CRS is built on.
const WktNode* Horizontal(const WktNode* n) {
  for (int i = 0; n && i < 4; ++i) {
    if (n->keyword == "COMPD_CS" || n->keyword == "COMPOUNDCRS") {
      n = n->children.empty() ? nullptr : n->children.front().get();
    } else if (n->keyword == "BOUNDCRS") {
      const WktNode* src = n->Child({"SOURCECRS"});
      n = src && !src->children.empty() ? src->children.front().get() : nullptr;
    } else {
      return n;
    }
  }
  return nullptr;
}

const WktNode* FindDatum(const WktNode& n) {
  for (const auto& c : n.children) {
    if (c->keyword == "DATUM" || c->keyword == "ENSEMBLE") return c.get();
    if (const WktNode* d = FindDatum(*c)) return d;
  }
  return nullptr;
}

// Shortest text that reads back to the same double.
std::string Num(double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string GeogCs(std::int32_t datum) {
  if (datum == 2)
    return "GEOGCS[\"GCS_JGD_2000\",DATUM[\"D_JGD_2000\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
           "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
  return "GEOGCS[\"GCS_Tokyo\",DATUM[\"D_Tokyo\",SPHEROID[\"Bessel_1841\",6377397.155,299.1528128]],"
         "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
}

std::string TransverseMercator(const std::string& name, std::int32_t datum, double falseEasting, double centralMeridian,
                               double scale, double latitudeOfOrigin) {
  return "PROJCS[\"" + name + "\"," + GeogCs(datum) + ",PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\"," +
         Num(falseEasting) + "],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\"," +
         Num(centralMeridian) + "],PARAMETER[\"Scale_Factor\"," + Num(scale) + "],PARAMETER[\"Latitude_Of_Origin\"," +
         Num(latitudeOfOrigin) + "],UNIT[\"Meter\",1.0]]";
}

}  // namespace

std::optional<TextEncoding> EncodingFromCpg(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string s = Squeeze(text);
  // "ANSI 1252" and "CP1252" name code page 1252, as "1252" does.
  for (std::string_view prefix : {"ANSI", "CP", "WINDOWS", "MS"})
    if (s.size() > prefix.size() && s.starts_with(prefix) &&
        s.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
      s.erase(0, prefix.size());
  if (s == "UTF8" || s == "65001") return TextEncoding::kUTF8;
  for (std::string_view name : {"932", "SHIFTJIS", "SJIS", "WINDOWS31J", "XSJIS", "CSSHIFTJIS", "MSKANJI", "IBM943",
                                "CSWINDOWS31J"})
    if (s == name) return TextEncoding::kShiftJIS;
  for (std::string_view name : {"88591", "ISO88591", "LATIN1", "L1", "28591", "ISOIR100", "IBM819"})
    if (s == name) return TextEncoding::kLatin1;
  if (s == "1252") return TextEncoding::kWindows1252;
  for (std::string_view name : {"EUCJP", "20932", "51932", "EUCJPMS", "CSEUCPKDFMTJAPANESE"})
    if (s == name) return TextEncoding::kEucJp;
  return std::nullopt;
}

std::optional<TextEncoding> EncodingFromLanguageDriver(std::uint8_t driver, int& codePage) {
  // The dBASE language drivers and their code pages, as GDAL reads them.
  struct Driver {
    std::uint8_t id;
    std::int16_t codePage;
  };
  static constexpr Driver kDrivers[] = {
      {1, 437},    {2, 850},    {3, 1252},   {4, 10000},  {8, 865},    {10, 850},   {11, 437},   {13, 437},
      {14, 850},   {15, 437},   {16, 850},   {17, 437},   {18, 850},   {19, 932},   {20, 850},   {21, 437},
      {22, 850},   {23, 865},   {24, 437},   {25, 437},   {26, 850},   {27, 437},   {28, 863},   {29, 850},
      {31, 852},   {34, 852},   {35, 852},   {36, 860},   {37, 850},   {38, 866},   {55, 850},   {64, 852},
      {77, 936},   {78, 949},   {79, 950},   {80, 874},   {87, 28591}, {88, 1252},  {89, 1252},  {100, 852},
      {101, 866},  {102, 865},  {103, 861},  {104, 895},  {105, 620},  {106, 737},  {107, 857},  {108, 863},
      {120, 950},  {121, 949},  {122, 936},  {123, 932},  {124, 874},  {134, 737},  {135, 852},  {136, 857},
      {150, 10007}, {151, 10029}, {200, 1250}, {201, 1251}, {202, 1254}, {203, 1253}, {204, 1257}};
  codePage = 0;
  for (const Driver& d : kDrivers)
    if (d.id == driver) codePage = d.codePage;
  switch (codePage) {
    case 932: return TextEncoding::kShiftJIS;
    case 1252: return TextEncoding::kWindows1252;
    case 28591: return TextEncoding::kLatin1;
    default: return std::nullopt;
  }
}

DeclaredEncoding ReadDeclaredEncoding(const std::filesystem::path& shp) {
  DeclaredEncoding g;
  if (const auto cpg = Sidecar(shp, ".cpg", ".CPG")) {
    const auto text = Slurp(*cpg, 256);
    if (!text) {
      g.reason = host::PathToUtf8(cpg->filename()) + " cannot be read";
      return g;
    }
    std::string shown = *text;
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r' || shown.back() == ' ')) shown.pop_back();
    g.source = DeclaredEncoding::Source::Cpg;
    g.declared = shown;
    g.encoding = EncodingFromCpg(*text);
    g.reason = host::PathToUtf8(cpg->filename()) + " says \"" + shown + "\"" +
               (g.encoding ? "" : ", a code page the import does not offer");
    return g;
  }
  constexpr std::size_t kLanguageDriverOffset = 29;
  if (const auto dbf = Sidecar(shp, ".dbf", ".DBF")) {
    const auto head = Slurp(*dbf, 32);
    if (head && head->size() > kLanguageDriverOffset && (*head)[kLanguageDriverOffset] != 0) {
      const auto driver = static_cast<std::uint8_t>((*head)[kLanguageDriverOffset]);
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", driver);
      int codePage = 0;
      g.source = DeclaredEncoding::Source::LanguageDriver;
      g.declared = std::string("language driver ") + hex;
      g.encoding = EncodingFromLanguageDriver(driver, codePage);
      g.reason = host::PathToUtf8(dbf->filename()) + " names " +
                 (codePage ? "code page " + std::to_string(codePage) : std::string("no known code page")) + " (" +
                 g.declared + ")" + (g.encoding ? "" : ", a code page the import does not offer");
      return g;
    }
  }
  g.reason = "no " + host::PathToUtf8(shp.stem()) + ".cpg and no code page in the table";
  return g;
}

bool TableLooksUtf8(const std::filesystem::path& shp) {
  constexpr std::size_t kHeaderSize = 32, kDescriptorSize = 32, kNameSize = 11, kHeaderLengthOffset = 8;
  constexpr std::size_t kSampleRows = std::size_t{8} << 20;  // bytes of rows looked at
  const auto dbf = Sidecar(shp, ".dbf", ".DBF");
  if (!dbf) return false;
  std::ifstream f(*dbf, std::ios::binary);
  std::string head(kHeaderSize, '\0');
  if (!f.read(head.data(), static_cast<std::streamsize>(kHeaderSize))) return false;
  const std::size_t headerLength = static_cast<unsigned char>(head[kHeaderLengthOffset]) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(head[kHeaderLengthOffset + 1])) << 8;
  if (headerLength <= kHeaderSize) return false;
  std::string descriptors(headerLength - kHeaderSize, '\0');
  if (!f.read(descriptors.data(), static_cast<std::streamsize>(descriptors.size()))) return false;
  std::string sample;
  for (std::size_t at = 0; at + kDescriptorSize <= descriptors.size() && descriptors[at] != '\x0D'; at += kDescriptorSize)
    sample += descriptors.substr(at, kNameSize);
  std::string rows(kSampleRows, '\0');
  f.read(rows.data(), static_cast<std::streamsize>(kSampleRows));
  rows.resize(static_cast<std::size_t>(f.gcount()));
  sample += rows;
  bool nonAscii = false;
  return text::IsValidUtf8(sample, nonAscii) && nonAscii;
}

std::string CpgText(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUTF8: return "UTF-8";
    case TextEncoding::kLatin1: return "ISO-8859-1";
    case TextEncoding::kWindows1252: return "1252";
    case TextEncoding::kEucJp: return "EUC-JP";
    case TextEncoding::kUTF16: return "UTF-16";
    case TextEncoding::kShiftJIS: break;
  }
  return "932";
}

std::string SystemWkt(std::int32_t datum, std::int32_t kind, std::int32_t zone, std::int32_t utmZone) {
  if (datum != 1 && datum != 2) return {};
  const std::string prefix = datum == 2 ? "JGD_2000_" : "Tokyo_";
  switch (kind) {
    case 1: return GeogCs(datum);
    case 2:
      if (utmZone < 1 || utmZone > 60) return {};
      return TransverseMercator(prefix + "UTM_Zone_" + std::to_string(utmZone) + "N", datum, 500000.0,
                                6.0 * utmZone - 183.0, 0.9996, 0.0);
    case 3: {
      double lat = 0, lon = 0;
      if (!geo::CGeodesy().PlaneZoneOrigin(zone, lat, lon)) return {};
      // The Tokyo-datum zones carry no datum prefix in their usual names.
      const std::string name = (datum == 2 ? "JGD_2000_" : "") + std::string("Japan_Zone_") + std::to_string(zone);
      return TransverseMercator(name, datum, 0.0, lon, 0.9999, lat);
    }
    default: return {};
  }
}

SystemGuess SystemFromWkt(std::string_view wkt) {
  SystemGuess g;
  const auto tree = WktParser(wkt).Parse();
  const WktNode* root = Horizontal(tree.get());
  if (!root) {
    g.reason = "it is not readable WKT";
    return g;
  }
  const std::string& k = root->keyword;
  const bool geographic = k == "GEOGCS" || k == "GEOGCRS" || k == "GEODCRS" || k == "GEOGRAPHICCRS" || k == "GEODETICCRS";
  const bool projected = k == "PROJCS" || k == "PROJCRS" || k == "PROJECTEDCRS";
  if (!geographic && !projected) {
    g.reason = "it describes a " + root->keyword + ", not a geographic or projected system";
    return g;
  }
  std::optional<Known> known = FromAuthority(*root);
  if (!known) {
    Known kn;
    const WktNode* datum = FindDatum(*root);
    kn.datum = DatumFromName(Squeeze(datum ? datum->Name() : root->Name()));
    if (kn.datum == WktDatum::Unknown) {
      // The base system's name ("GCS_JGD_2000") when the datum's name says nothing.
      if (const WktNode* base = root->Child({"GEOGCS", "BASEGEOGCRS", "BASEGEODCRS"}))
        kn.datum = DatumFromName(Squeeze(base->Name()));
      if (kn.datum == WktDatum::Unknown) kn.datum = DatumFromName(Squeeze(root->Name()));
    }
    if (kn.datum == WktDatum::Unknown) {
      g.reason = "its datum (" + (datum ? datum->Name() : root->Name()) + ") is neither JGD2000 nor Tokyo";
      return g;
    }
    if (geographic) {
      kn.kind = geo::KindLatLong;
    } else {
      std::string why;
      auto fromParams = FromParameters(*root, why);
      if (fromParams && fromParams->kind == 0) {
        g.reason = why;
        return g;
      }
      if (!fromParams) fromParams = FromName(Squeeze(root->Name()));
      if (!fromParams) {
        g.reason = "its projection (" + root->Name() + ") is no plane rectangular or UTM zone";
        return g;
      }
      kn.kind = fromParams->kind;
      kn.zone = fromParams->zone;
      kn.utmZone = fromParams->utmZone;
    }
    known = kn;
  }
  g.known = true;
  g.system.kind = known->kind;
  g.system.zone = known->zone;
  g.system.utmZone = known->utmZone;
  g.system.datum = known->datum == WktDatum::Tokyo ? geo::DatumTokyo : geo::DatumJgd2000;
  if (known->datum == WktDatum::Jgd2011)
    g.note = "JGD2011 is read as JGD2000 (世界測地系); they differ by up to a few metres in eastern Japan";
  else if (known->datum == WktDatum::Wgs84)
    g.note = "WGS 84 is read as JGD2000 (世界測地系); they differ by about a metre or less";
  g.reason = "\"" + root->Name() + "\"";
  return g;
}

SystemGuess ReadSystem(const std::filesystem::path& shp) {
  const auto prj = Sidecar(shp, ".prj", ".PRJ");
  if (!prj) {
    SystemGuess g;
    g.reason = "no " + host::PathToUtf8(shp.stem()) + ".prj";
    return g;
  }
  const auto text = Slurp(*prj, 1 << 16);
  if (!text) {
    SystemGuess g;
    g.reason = host::PathToUtf8(prj->filename()) + " cannot be read";
    return g;
  }
  SystemGuess g = SystemFromWkt(*text);
  g.reason = host::PathToUtf8(prj->filename()) + (g.known ? ": " : ": cannot tell the system: ") + g.reason;
  return g;
}

bool WriteSidecars(const std::filesystem::path& shp, std::int32_t datum, std::int32_t kind, std::int32_t zone,
                   std::int32_t utmZone, TextEncoding encoding, std::string& error) {
  const std::string wkt = SystemWkt(datum, kind, zone, utmZone);
  std::filesystem::path prj = shp, cpg = shp;
  prj.replace_extension(".prj");
  cpg.replace_extension(".cpg");
  auto write = [&](const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* f = host::Fopen(path, "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) ok = (std::fclose(f) == 0) && ok;  // the last bytes reach the file only here
    if (!ok) error = host::PathToUtf8(path) + ": cannot be written";
    return ok;
  };
  if (!wkt.empty() && !write(prj, wkt)) return false;
  return write(cpg, CpgText(encoding));
}

}  // namespace vx::data
