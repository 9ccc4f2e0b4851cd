// What import-shp reads from the .cpg and .prj files beside a shapefile for `auto`.
#include "cli/shp_sidecars.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>

namespace vx::test {
namespace {

using cli::SidecarEncoding;

TEST(Sidecars, CodePageNames) {
  struct Row {
    const char* text;
    SidecarEncoding want;
    const char* why;
  } rows[] = {
      {"UTF-8", SidecarEncoding::Utf8, "what GDAL writes"},
      {"utf8\r\n", SidecarEncoding::Utf8, "case and line end do not matter"},
      {"65001", SidecarEncoding::Utf8, "the code page number"},
      {"\xEF\xBB\xBFUTF-8", SidecarEncoding::Utf8, "a byte order mark in front"},
      {"932", SidecarEncoding::ShiftJis, "the code page number"},
      {"CP932", SidecarEncoding::ShiftJis, "GDAL's name"},
      {"shift_jis", SidecarEncoding::ShiftJis, "the IANA name, lower case"},
      {"Shift-JIS", SidecarEncoding::ShiftJis, "with a hyphen"},
      {"ANSI 932", SidecarEncoding::ShiftJis, "ArcGIS's form"},
      {"windows-31j", SidecarEncoding::ShiftJis, "Java's name"},
      {"SJIS", SidecarEncoding::ShiftJis, "the short name"},
      {"1252", SidecarEncoding::Unknown, "a western code page the import does not offer"},
      {"EUC-JP", SidecarEncoding::Unknown, "not offered"},
      {"", SidecarEncoding::Unknown, "empty"},
  };
  for (const Row& r : rows) EXPECT_EQ(cli::EncodingFromCpg(r.text), r.want) << r.text << ": " << r.why;
}

TEST(Sidecars, EncodingFromFiles) {
  TempDir dir;
  const auto shp = dir / "a.shp";
  // No .cpg and a table without a code page: nothing can be told, and the reason says so.
  {
    std::ofstream dbf(dir / "a.dbf", std::ios::binary);
    std::string head(32, '\0');
    dbf << head;
  }
  auto g = cli::GuessEncoding(shp);
  EXPECT_EQ(g.encoding, SidecarEncoding::Unknown);
  EXPECT_NE(g.reason.find("a.cpg"), std::string::npos) << g.reason;
  // Language driver 0x13 names code page 932.
  {
    std::ofstream dbf(dir / "a.dbf", std::ios::binary);
    std::string head(32, '\0');
    head[29] = '\x13';
    dbf << head;
  }
  EXPECT_EQ(cli::GuessEncoding(shp).encoding, SidecarEncoding::ShiftJis);
  // A .cpg wins over the table's byte; an upper-case extension is found too.
  { std::ofstream(dir / "a.CPG") << "UTF-8\n"; }
  g = cli::GuessEncoding(shp);
  EXPECT_EQ(g.encoding, SidecarEncoding::Utf8) << g.reason;
}

// The WKT gdalsrsinfo writes for `srs` in `format`; empty when the tool is missing.
std::string GdalWkt(const std::string& srs, const std::string& format) {
  const std::string cmd = "gdalsrsinfo -o " + format + " " + srs + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  if (!p) return {};
  std::string out;
  std::array<char, 4096> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p.get())) out.append(buf.data(), n);
  return out;
}

TEST(Sidecars, SystemsAsGdalWritesThem) {
  if (GdalWkt("EPSG:4612", "wkt1").find("GEOGCS") == std::string::npos) GTEST_SKIP() << "gdalsrsinfo is not installed";
  struct Row {
    const char* srs;
    const char* want;  // "" when nothing can be told
    bool note;         // read as JGD2000 with a caveat
  } rows[] = {
      {"EPSG:4612", "JGD:BL", false},      {"EPSG:4301", "TKY:BL", false},
      {"EPSG:2443", "JGD:XY1", false},     {"EPSG:2451", "JGD:XY9", false},
      {"EPSG:2461", "JGD:XY19", false},    {"EPSG:30161", "TKY:XY1", false},
      {"EPSG:30169", "TKY:XY9", false},    {"EPSG:30179", "TKY:XY19", false},
      {"EPSG:3097", "JGD:UTM51", false},   {"EPSG:3100", "JGD:UTM54", false},
      {"EPSG:3101", "JGD:UTM55", false},   {"EPSG:3095", "TKY:UTM54", false},
      {"EPSG:6668", "JGD:BL", true},       {"EPSG:6677", "JGD:XY9", true},
      {"EPSG:6690", "JGD:UTM53", true},    {"ESRI:102618", "JGD:XY9", true},
      {"EPSG:4326", "JGD:BL", true},       {"EPSG:32654", "JGD:UTM54", true},
      {"EPSG:3857", "", false},            {"EPSG:4269", "", false},
      {"EPSG:2193", "", false},  // New Zealand transverse Mercator on another datum
  };
  for (const Row& r : rows) {
    for (const char* format : {"wkt1", "wkt_esri", "wkt2"}) {
      const std::string wkt = GdalWkt(r.srs, format);
      if (wkt.find('[') == std::string::npos) continue;  // the format does not cover this system
      // The .prj as GDAL writes it: one line.
      std::string line;
      for (char c : wkt)
        if (c != '\n' && c != '\r') line += c;
      const cli::SystemGuess g = cli::SystemFromWkt(line);
      const std::string got = g.known ? cli::SystemText(g.system) : "";
      EXPECT_EQ(got, r.want) << r.srs << " " << format << ": " << g.reason << "\n" << line;
      EXPECT_EQ(!g.note.empty(), r.note) << r.srs << " " << format << ": " << g.note;
    }
  }
}

TEST(Sidecars, SystemsByNameAndParameters) {
  struct Row {
    const char* wkt;
    const char* want;
    const char* why;
  } rows[] = {
      {R"(PROJCS["Japan_Zone_9",GEOGCS["GCS_Tokyo",DATUM["D_Tokyo",SPHEROID["Bessel_1841",6377397.155,299.1528128]]],UNIT["Meter",1.0]])",
       "TKY:XY9", "the zone from the name when there are no parameters"},
      {R"(PROJCS["JGD2000 / Japan Plane Rectangular CS XIII",GEOGCS["JGD2000",DATUM["Japanese_Geodetic_Datum_2000",SPHEROID["GRS 1980",6378137,298.257222101]]]])",
       "JGD:XY13", "a Roman zone number"},
      {R"(PROJCS["my zone",GEOGCS["GCS_JGD_2000",DATUM["D_JGD_2000",SPHEROID["GRS_1980",6378137.0,298.257222101]]],PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",0.0],PARAMETER["False_Northing",0.0],PARAMETER["Central_Meridian",140.833333333333],PARAMETER["Scale_Factor",0.9999],PARAMETER["Latitude_Of_Origin",40.0],UNIT["Meter",1.0]])",
       "JGD:XY10", "an unknown name: the origin (40N, 140 50E) is zone X"},
      {R"(PROJCS["x",GEOGCS["GCS_JGD_2000",DATUM["D_JGD_2000",SPHEROID["GRS_1980",6378137.0,298.257222101]]],PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",0.0],PARAMETER["False_Northing",0.0],PARAMETER["Central_Meridian",139.833333333333],PARAMETER["Scale_Factor",0.9999],PARAMETER["Latitude_Of_Origin",36.0],UNIT["Foot_US",0.3048006096012192]])",
       "", "zone IX in US feet is not a system of the dialog"},
      {R"(PROJCS["x",GEOGCS["GCS_JGD_2000",DATUM["D_JGD_2000",SPHEROID["GRS_1980",6378137.0,298.257222101]]],PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],PARAMETER["Central_Meridian",141.0],PARAMETER["Scale_Factor",0.9996],PARAMETER["Latitude_Of_Origin",0.0],UNIT["Meter",1.0]])",
       "JGD:UTM54", "UTM from its central meridian"},
      {R"(PROJCS["JGD_2000_Japan_Zone_9",GEOGCS["GCS_JGD_2000",DATUM["D_JGD_2000"]],PROJECTION["Lambert_Conformal_Conic"]])",
       "", "another projection under a zone's name"},
      {R"(GEOGCS["GCS_Tokyo",DATUM["D_Tokyo",SPHEROID["Bessel_1841",6377397.155,299.1528128])", "",
       "cut short"},
      {"", "", "empty"},
      {R"(GEOGCS["x",DATUM["D_Tokyo"]]] trailing)", "TKY:BL", "text after the WKT is not read"},
      {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[", "", "brackets without keywords"},
  };
  for (const Row& r : rows) {
    const cli::SystemGuess g = cli::SystemFromWkt(r.wkt);
    EXPECT_EQ(g.known ? cli::SystemText(g.system) : "", r.want) << r.why << ": " << g.reason;
    if (!g.known) {
      EXPECT_FALSE(g.reason.empty()) << r.why;
    }
  }
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "A[";
  EXPECT_FALSE(cli::SystemFromWkt(deep).known) << "deep nesting is refused, not recursed into";
}

}  // namespace
}  // namespace vx::test
