// The .cpg and .prj files beside a shapefile: what the import reads from them and what the
// export writes, read back as the same code page and system.
#include "datafiles/sidecars.h"
#include "tests/datafiles/fixture.h"
#include "tests/datafiles/system_text.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vx::data::testing {
namespace {

TEST(Sidecars, CodePageNames) {
  using E = TextEncoding;
  struct Row {
    const char* text;
    std::optional<E> want;
    const char* why;
  } rows[] = {
      {"UTF-8", E::kUTF8, "what GDAL writes"},
      {"utf8\r\n", E::kUTF8, "case and line end do not matter"},
      {"65001", E::kUTF8, "the code page number"},
      {"\xEF\xBB\xBFUTF-8", E::kUTF8, "a byte order mark in front"},
      {"932", E::kShiftJIS, "the code page number"},
      {"CP932", E::kShiftJIS, "GDAL's name"},
      {"shift_jis", E::kShiftJIS, "the IANA name, lower case"},
      {"Shift-JIS", E::kShiftJIS, "with a hyphen"},
      {"ANSI 932", E::kShiftJIS, "ArcGIS's form"},
      {"windows-31j", E::kShiftJIS, "Java's name"},
      {"SJIS", E::kShiftJIS, "the short name"},
      {"ISO-8859-1", E::kLatin1, "the ISO name"},
      {"88591", E::kLatin1, "ArcGIS's number"},
      {"8859_1", E::kLatin1, "with an underscore"},
      {"latin1", E::kLatin1, "the short name"},
      {"1252", E::kWindows1252, "the code page number"},
      {"CP1252", E::kWindows1252, "GDAL's name"},
      {"windows-1252", E::kWindows1252, "the IANA name"},
      {"ANSI 1252", E::kWindows1252, "ArcGIS's form"},
      {"EUC-JP", E::kEucJp, "the IANA name"},
      {"eucJP", E::kEucJp, "without the hyphen"},
      {"1251", std::nullopt, "a code page the import does not read"},
      {"CP", std::nullopt, "a prefix alone"},
      {"", std::nullopt, "empty"},
  };
  for (const Row& r : rows) EXPECT_EQ(EncodingFromCpg(r.text), r.want) << r.text << ": " << r.why;
  for (E e : {E::kUTF8, E::kShiftJIS, E::kLatin1, E::kWindows1252, E::kEucJp})
    EXPECT_EQ(EncodingFromCpg(CpgText(e)), e) << CpgText(e);
}

TEST(Sidecars, LanguageDriversAsGdalMapsThem) {
  struct Row {
    std::uint8_t driver;
    std::optional<TextEncoding> want;
    int codePage;
  } rows[] = {
      {0x13, TextEncoding::kShiftJIS, 932},   {0x7B, TextEncoding::kShiftJIS, 932},
      {0x03, TextEncoding::kWindows1252, 1252}, {0x58, TextEncoding::kWindows1252, 1252},
      {0x57, TextEncoding::kLatin1, 28591},   {0x01, std::nullopt, 437},
      {0xC9, std::nullopt, 1251},             {0x00, std::nullopt, 0},
      {0xFF, std::nullopt, 0},
  };
  for (const Row& r : rows) {
    int codePage = -1;
    EXPECT_EQ(EncodingFromLanguageDriver(r.driver, codePage), r.want) << int(r.driver);
    EXPECT_EQ(codePage, r.codePage) << int(r.driver);
  }
}

TEST(Sidecars, DeclaredEncodingFromFiles) {
  TempDir dir;
  const auto shp = dir / "a.shp";
  auto table = [&](char driver) {
    std::string head(32, '\0');
    head[29] = driver;
    WriteFile(dir / "a.dbf", head);
  };
  // No .cpg and a table without a code page: nothing is declared, and the reason says so.
  table('\0');
  auto g = ReadDeclaredEncoding(shp);
  EXPECT_EQ(g.source, DeclaredEncoding::Source::None);
  EXPECT_FALSE(g.encoding);
  EXPECT_NE(g.reason.find("a.cpg"), std::string::npos) << g.reason;
  // Language driver 0x57: ISO-8859-1.
  table('\x57');
  g = ReadDeclaredEncoding(shp);
  EXPECT_EQ(g.source, DeclaredEncoding::Source::LanguageDriver);
  EXPECT_EQ(g.encoding, TextEncoding::kLatin1) << g.reason;
  // A code page we do not read is declared all the same.
  table('\xC9');
  g = ReadDeclaredEncoding(shp);
  EXPECT_EQ(g.source, DeclaredEncoding::Source::LanguageDriver);
  EXPECT_FALSE(g.encoding);
  EXPECT_NE(g.reason.find("1251"), std::string::npos) << g.reason;
  // A .cpg wins over the table's byte; an upper-case extension is found too.
  WriteFile(dir / "a.CPG", "UTF-8\n");
  g = ReadDeclaredEncoding(shp);
  EXPECT_EQ(g.source, DeclaredEncoding::Source::Cpg);
  EXPECT_EQ(g.encoding, TextEncoding::kUTF8) << g.reason;
}

// What the export writes reads back as the same system and code page, for every system the
// dialogs offer in Japan.
TEST(Sidecars, WrittenSystemsReadBackTheSame) {
  TempDir dir;
  const auto shp = dir / "s.shp";
  const TextEncoding encodings[] = {TextEncoding::kShiftJIS, TextEncoding::kUTF8, TextEncoding::kLatin1,
                                    TextEncoding::kWindows1252, TextEncoding::kEucJp};
  int n = 0;
  for (std::int32_t datum : {1, 2}) {
    std::vector<SidecarSystem> systems{{datum, 1, 0, 0}};
    for (std::int32_t z = 1; z <= 19; ++z) systems.push_back({datum, 3, z, 0});
    for (std::int32_t z = 51; z <= 56; ++z) systems.push_back({datum, 2, 0, z});
    for (const SidecarSystem& s : systems) {
      const TextEncoding enc = encodings[n++ % 5];
      std::string error;
      ASSERT_TRUE(WriteSidecars(shp, s.datum, s.kind, s.zone, s.utmZone, enc, error)) << error;
      SystemGuess g;
      g.known = true;
      g.system = s;
      const SystemGuess back = ReadSystem(shp);
      EXPECT_EQ(Text(back), Text(g)) << back.reason;
      EXPECT_TRUE(back.note.empty()) << back.note;
      EXPECT_EQ(ReadDeclaredEncoding(shp).encoding, enc) << Text(g);
    }
  }
  // A system outside the dialogs' terms gets no .prj.
  std::filesystem::remove(dir / "s.prj");
  std::string error;
  ASSERT_TRUE(WriteSidecars(shp, 2, 3, 20, 0, TextEncoding::kUTF8, error)) << error;
  EXPECT_FALSE(std::filesystem::exists(dir / "s.prj"));
}

TEST(Sidecars, WktNamesAndParameters) {
  EXPECT_NE(SystemWkt(2, 3, 9, 0).find("PROJCS[\"JGD_2000_Japan_Zone_9\""), std::string::npos);
  EXPECT_NE(SystemWkt(2, 3, 9, 0).find("PARAMETER[\"Central_Meridian\",139.83333333333334]"), std::string::npos);
  EXPECT_NE(SystemWkt(1, 3, 9, 0).find("PROJCS[\"Japan_Zone_9\",GEOGCS[\"GCS_Tokyo\""), std::string::npos);
  EXPECT_NE(SystemWkt(2, 2, 0, 54).find("PROJCS[\"JGD_2000_UTM_Zone_54N\""), std::string::npos);
  EXPECT_NE(SystemWkt(2, 2, 0, 54).find("PARAMETER[\"Central_Meridian\",141.0]"), std::string::npos);
  EXPECT_EQ(SystemWkt(2, 1, 0, 0).rfind("GEOGCS[\"GCS_JGD_2000\"", 0), 0u);
  EXPECT_EQ(SystemWkt(0, 3, 9, 0), "");
  EXPECT_EQ(SystemWkt(2, 3, 20, 0), "");
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
    const SystemGuess g = SystemFromWkt(r.wkt);
    EXPECT_EQ(Text(g), r.want) << r.why << ": " << g.reason;
    if (!g.known) {
      EXPECT_FALSE(g.reason.empty()) << r.why;
    }
  }
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "A[";
  EXPECT_FALSE(SystemFromWkt(deep).known) << "deep nesting is refused, not recursed into";
}

}  // namespace
}  // namespace vx::data::testing
