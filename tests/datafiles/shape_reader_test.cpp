#include "attributes/field.h"
#include "datafiles/shape_reader.h"
#include "tests/datafiles/fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace vx::data {
namespace {

using namespace vx::data::testing;

const std::vector<DbfColumn> kOneColumn = {{"ID", 'N', 3}};
std::string IdRow(int i, char flag = ' ') {
  char b[8];
  std::snprintf(b, sizeof b, "%c%3d", flag, i);
  return b;
}
std::vector<std::string> IdRows(int n) {
  std::vector<std::string> rows;
  for (int i = 1; i <= n; ++i) rows.push_back(IdRow(i));
  return rows;
}

std::string Num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", v);
  return b;
}

// Reads a record the way the import does; gives "p<x>" for a point, "l" and
// "(<points>@<first x>)" per part for a polyline or polygon, or "s<type>" for a record passed
// over, then "|" and the row's first cell; "!" plus the error for a refused record. ReadAll reads
// every record and stops at a refused one.
std::string ReadOne(ShapeFileReader& r) {
  ShapeRecordHeader h;
  bool ok = r.ReadRecordHeader(h);
  std::string what;
  if (ok && IsPointType(h.shapeType)) {
    MapPoint p;
    ok = r.ReadPointRecord(p);
    what = "p" + Num(p.x);
  } else if (ok && IsPartsType(h.shapeType)) {
    PartsRecord rec;
    ok = r.ReadPartsRecord(rec);
    what = "l";
    for (const auto& part : rec.parts)
      what += "(" + std::to_string(part.size()) + (part.empty() ? "" : "@" + Num(part[0].x)) + ")";
  } else if (ok) {
    ok = r.SkipRecord();
    what = "s" + std::to_string(h.shapeType);
  }
  if (!ok) return "!" + r.LastError();
  return what + "|" + (r.ColumnCount() ? std::string(r.GetCell(0)) : "");
}
std::vector<std::string> ReadAll(ShapeFileReader& r) {
  std::vector<std::string> out;
  for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
    out.push_back(ReadOne(r));
    if (out.back()[0] == '!') break;
  }
  return out;
}

TEST(ShapeFileReader, HeadersAndRecordsInStep) {
  TempDir dir;
  ShapeFixture f;
  f.shapeType = 1;
  Bytes multipoint;
  I32LE(multipoint, 8);
  for (int i = 0; i < 4; ++i) F64LE(multipoint, 0);
  I32LE(multipoint, 0);
  Bytes unknown;
  I32LE(unknown, 77);
  Bytes null;
  I32LE(null, 0);
  f.contents = {PointContent(1, 2), null, multipoint, unknown, PointContent(3, 4, 11), PointContent(5, 6, 21)};
  f.Build();
  // header extent in file order Xmin, Ymin, Xmax, Ymax
  f.shp.replace(36, 32, [] {
    Bytes b;
    for (double v : {-1.0, -2.0, 3.0, 4.0}) F64LE(b, v);
    return b;
  }());
  const auto path = WriteShapefile(dir, "roads", f.shp, f.shx, Dbf(kOneColumn, IdRows(6)));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path)) << r.LastError();
  EXPECT_EQ(r.ShapeType(), 1);
  EXPECT_EQ(r.RecordCount(), 6);
  double x0, x1, y0, y1;
  r.GetExtent(x0, x1, y0, y1);
  EXPECT_EQ(x0, -1.0);
  EXPECT_EQ(x1, 3.0);
  EXPECT_EQ(y0, -2.0);
  EXPECT_EQ(y1, 4.0);
  ASSERT_EQ(r.ColumnCount(), 1);
  attr::DbfFieldDesc d;
  ASSERT_TRUE(r.GetColumn(0, d));
  EXPECT_EQ(d.Name(), "ID");
  EXPECT_EQ(d.type, 'N');
  EXPECT_EQ(d.length, 3);
  EXPECT_FALSE(r.GetColumn(1, d));
  EXPECT_FALSE(r.GetColumn(-1, d));
  EXPECT_EQ(r.GetCell(1), "");
  // Passed-over records of any type keep geometry, index and table in step.
  EXPECT_EQ(ReadAll(r), (std::vector<std::string>{"p1|  1", "s0|  2", "s8|  3", "s77|  4", "p3|  5", "p5|  6"}));
  ShapeRecordHeader h;
  EXPECT_FALSE(r.ReadRecordHeader(h));  // past the last entry
  r.Close();
  EXPECT_EQ(r.RecordCount(), 0);
}

TEST(ShapeFileReader, PartsInChunksAndZMPassedOver) {
  TempDir dir;
  std::vector<std::pair<double, double>> p1024, p1025;
  for (int i = 0; i < 1024; ++i) p1024.emplace_back(i, -i);
  for (int i = 0; i < 1025; ++i) p1025.emplace_back(i * 2.0, 1.0 / (i + 1));
  ShapeFixture f;
  f.shapeType = 15;
  f.contents = {PartsContent(15, {p1024}), PartsContent(5, {p1025, {{9, 9}, {8, 8}}}),
                PartsContent(23, {{{1, 1}, {2, 2}}}), PartsContent(13, {{{3, 3}, {4, 4}}, {{5, 5}, {6, 6}}})};
  f.Build();
  const auto path = WriteShapefile(dir, "z", f.shp, f.shx, Dbf(kOneColumn, IdRows(4)));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path));
  ShapeRecordHeader h;
  PartsRecord rec;
  ASSERT_TRUE(r.ReadRecordHeader(h));
  EXPECT_EQ(h.recordNumber, 1);
  EXPECT_EQ(h.shapeType, 15);
  ASSERT_TRUE(r.ReadPartsRecord(rec)) << r.LastError();
  ASSERT_EQ(rec.parts.size(), 1u);
  ASSERT_EQ(rec.parts[0].size(), 1024u);
  EXPECT_EQ(rec.parts[0][1023].x, 1023.0);
  ASSERT_TRUE(r.ReadRecordHeader(h));
  ASSERT_TRUE(r.ReadPartsRecord(rec));
  EXPECT_EQ(rec.numParts, 2);
  EXPECT_EQ(rec.numPoints, 1027);
  EXPECT_EQ(rec.partStarts, (std::vector<std::int32_t>{0, 1025}));
  ASSERT_EQ(rec.parts[0].size(), 1025u);
  EXPECT_EQ(rec.parts[0][1024].x, 2048.0);
  EXPECT_EQ(rec.parts[0][1024].y, 1.0 / 1025);
  EXPECT_EQ(rec.parts[1][1].x, 8.0);
  EXPECT_EQ(r.GetCell(0), "  2");
  ASSERT_TRUE(r.ReadRecordHeader(h));
  ASSERT_TRUE(r.ReadPartsRecord(rec));
  EXPECT_EQ(rec.parts[0][1].y, 2.0);
  ASSERT_TRUE(r.ReadRecordHeader(h));
  ASSERT_TRUE(r.ReadPartsRecord(rec));
  EXPECT_EQ(rec.parts[1][0].x, 5.0);
  EXPECT_EQ(r.GetCell(0), "  4");
}

TEST(ShapeFileReader, OpenRefusesBrokenFiles) {
  TempDir dir;
  ShapeFixture good;
  good.contents = {PointContent(1, 2)};
  good.Build();
  const Bytes dbf = Dbf(kOneColumn, IdRows(1));
  struct Case {
    const char* what;
    std::function<void(Bytes& shp, Bytes& shx, Bytes& dbf)> spoil;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"geometry file code", [](Bytes& s, Bytes&, Bytes&) { s[3] = 0; }},
      {"index file code", [](Bytes&, Bytes& x, Bytes&) { x[0] = 1; }},
      {"short geometry header", [](Bytes& s, Bytes&, Bytes&) { s.resize(60); }},
      {"index with only its header", [](Bytes&, Bytes& x, Bytes&) { x.resize(100); }},
      {"index entry cut short", [](Bytes&, Bytes& x, Bytes&) { x.resize(107); }},
      {"NaN extent", [nan](Bytes& s, Bytes&, Bytes&) { s.replace(36, 8, Bytes(reinterpret_cast<const char*>(&nan), 8)); }},
      {"table header cut short", [](Bytes&, Bytes&, Bytes& d) { d.resize(20); }},
      {"no 0x0D terminator", [](Bytes&, Bytes&, Bytes& d) { d = Dbf(kOneColumn, {}, false); }},
      {"descriptor cut short", [](Bytes&, Bytes&, Bytes& d) { d.resize(50); }},
  };
  for (const auto& c : cases) {
    Bytes shp = good.shp, shx = good.shx, table = dbf;
    c.spoil(shp, shx, table);
    const auto path = WriteShapefile(dir, "bad", shp, shx, table);
    ShapeFileReader r;
    EXPECT_FALSE(r.Open(path)) << c.what;
    EXPECT_FALSE(r.LastError().empty()) << c.what;
    EXPECT_EQ(r.ColumnCount(), 0) << c.what;
  }

  const auto path = WriteShapefile(dir, "ok", good.shp, good.shx, dbf);
  {
    ShapeFileReader first;
    EXPECT_TRUE(first.Open(path));
  }  // closed first: Windows removes no file that is open
  fs::remove(dir / "ok.dbf");
  ShapeFileReader r;
  EXPECT_FALSE(r.Open(path));
  EXPECT_NE(r.LastError().find("ok.dbf"), std::string::npos);
  EXPECT_FALSE(r.Open(dir / "ok"));  // no extension
}

TEST(ShapeFileReader, IndexCountIsWhatTheIndexHolds) {
  TempDir dir;
  ShapeFixture f;
  f.contents = {PointContent(1, 1), PointContent(2, 2), PointContent(3, 3)};
  f.Build();
  struct Case {
    std::int32_t lengthField;
    std::size_t extraBytes;
    std::int32_t count;
  };
  const Case cases[] = {{62, 0, 3}, {1000000, 0, 3}, {-5, 0, 3}, {62, 5, 3}, {50, 0, 3}};
  for (const auto& c : cases) {
    Bytes shx = f.shx;
    ShapeFixture::SetLength(shx, static_cast<std::size_t>(c.lengthField) * 2);
    shx += Bytes(c.extraBytes, '\x7F');
    const auto path = WriteShapefile(dir, "n", f.shp, shx, Dbf(kOneColumn, IdRows(3)));
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(r.RecordCount(), c.count) << c.lengthField;
    EXPECT_EQ(ReadAll(r), (std::vector<std::string>{"p1|  1", "p2|  2", "p3|  3"}));
  }
}

// Each case spoils record 2 of three; records before it read, it is refused with a reason that
// names the file and the record, and nothing after it is read.
TEST(ShapeFileReader, MalformedRecordsAreRefused) {
  TempDir dir;
  auto line = [](std::vector<std::int32_t> starts, std::int32_t numPoints) {
    return PartsContent(3, {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}}, std::move(starts), numPoints);
  };
  auto withCounts = [](std::int32_t parts, std::int32_t points) {
    Bytes c = PartsContent(3, {{{0, 0}, {1, 1}}});
    Bytes v;
    I32LE(v, parts);
    I32LE(v, points);
    c.replace(36, 8, v);
    return c;
  };
  struct Case {
    const char* what;
    Bytes content;                                 // record 2's contents
    std::function<void(ShapeFixture&)> spoil;      // applied after Build
    const char* reason;
  };
  const Case cases[] = {
      {"huge part count", withCounts(0x7FFFFFFF, 2), nullptr, "part count 2147483647"},
      {"negative part count", withCounts(-3, 2), nullptr, "part count -3"},
      {"huge point count", withCounts(1, 0x10000000), nullptr, "point count 268435456"},
      {"negative point count", withCounts(1, -1), nullptr, "point count -1"},
      {"points past content", line({0, 2}, 5), nullptr, "need"},
      {"negative start", line({0, -2}, 4), nullptr, "part 2 starts at point -2"},
      {"decreasing starts", PartsContent(3, {{{0, 0}}, {{1, 1}}, {{2, 2}, {3, 3}}}, {0, 2, 1}), nullptr, "part 3 starts"},
      {"point too short", [] { Bytes c; I32LE(c, 1); F64LE(c, 1); return c; }(), nullptr, "leaves 12 bytes, too few for shape type 1"},
      {"start past points", line({0, 5}, 4), nullptr, "part 2 starts at point 5 of 4"},
      {"negative offset", PointContent(1, 1), [](ShapeFixture& f) { f.SetIndex(1, 0, -7); }, "offset -7 words lies outside"},
      {"offset past end", PointContent(1, 1), [](ShapeFixture& f) { f.SetIndex(1, 0, 100000); }, "offset 100000 words lies outside"},
      {"record header at the end", PointContent(1, 1), [](ShapeFixture& f) { f.SetIndex(1, 0, static_cast<std::int32_t>(f.shp.size() / 2 - 5)); }, "lies outside"},
      {"both lengths too small", PointContent(1, 1), [](ShapeFixture& f) { f.SetIndex(1, 1, 4); f.SetRecordLength(1, 0); }, "content length 0 words (index: 4"},
  };
  for (const auto& c : cases) {
    ShapeFixture f;
    f.shapeType = 3;
    f.contents = {PointContent(1, 1), c.content, PointContent(3, 3)};
    f.Build();
    if (c.spoil) c.spoil(f);
    const auto path = WriteShapefile(dir, "m", f.shp, f.shx, Dbf(kOneColumn, IdRows(3)));
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << c.what << ": " << r.LastError();
    const auto got = ReadAll(r);
    ASSERT_EQ(got.size(), 2u) << c.what;
    EXPECT_EQ(got[0], "p1|  1") << c.what;
    EXPECT_EQ(got[1].substr(0, 1), "!") << c.what << ": " << got[1];
    EXPECT_NE(got[1].find(c.reason), std::string::npos) << c.what << ": " << got[1];
    EXPECT_NE(got[1].find("m.shp: record 2: "), std::string::npos) << c.what << ": " << got[1];
    ShapeRecordHeader h;
    EXPECT_FALSE(r.ReadRecordHeader(h)) << c.what;  // stays stopped
    // ... until resumed: record 3 is found through the index and gets its own row.
    ASSERT_TRUE(r.Resume()) << c.what;
    ASSERT_TRUE(r.ReadRecordHeader(h)) << c.what << ": " << r.LastError();
    EXPECT_EQ(h.recordNumber, 3) << c.what;
    MapPoint p;
    ASSERT_TRUE(r.ReadPointRecord(p)) << c.what << ": " << r.LastError();
    EXPECT_EQ(p.x, 3.0);
    EXPECT_EQ(r.GetCell(0), "  3") << c.what;
  }
}

// Other readers take NaN and infinite coordinates as stored; refusing them would end an import at
// the record, so they are read and left to the caller (the import leaves such points out).
TEST(ShapeFileReader, NonFiniteCoordinatesAreReadAsStored) {
  TempDir dir;
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ShapeFixture f;
  f.shapeType = 3;
  f.contents = {PartsContent(3, {{{0, 0}, {nan, 1}}}), PartsContent(3, {{{inf, 2}, {3, -inf}}})};
  f.Build();
  const auto path = WriteShapefile(dir, "n", f.shp, f.shx, Dbf(kOneColumn, IdRows(2)));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path)) << r.LastError();
  ShapeRecordHeader h;
  PartsRecord rec;
  ASSERT_TRUE(r.ReadRecordHeader(h) && r.ReadPartsRecord(rec)) << r.LastError();
  ASSERT_EQ(rec.parts.at(0).size(), 2u);
  EXPECT_TRUE(std::isnan(rec.parts[0][1].x));
  EXPECT_EQ(r.GetCell(0), "  1");
  ASSERT_TRUE(r.ReadRecordHeader(h) && r.ReadPartsRecord(rec)) << r.LastError();
  EXPECT_EQ(rec.parts.at(0).at(0).x, inf);
  EXPECT_EQ(rec.parts[0][1].y, -inf);
  EXPECT_EQ(r.GetCell(0), "  2");
}

TEST(ShapeFileReader, RecordCutShortAndReadPastTheEnd) {
  TempDir dir;
  ShapeFixture f;
  f.shapeType = 5;
  f.contents = {PartsContent(5, {{{0, 0}, {1, 0}, {1, 1}, {0, 0}}})};
  f.Build();
  Bytes shp = f.shp;
  // The index and the record header still promise the whole record; the file ends inside its
  // points, and the counts need more than the file holds.
  shp.resize(shp.size() - 10);
  auto path = WriteShapefile(dir, "cut", shp, f.shx, Dbf(kOneColumn, IdRows(1)));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path));
  ShapeRecordHeader h;
  ASSERT_TRUE(r.ReadRecordHeader(h));
  PartsRecord rec;
  EXPECT_FALSE(r.ReadPartsRecord(rec));
  EXPECT_NE(r.LastError().find("cut.shp: record 1: part count 1 and point count 4 need 112 bytes, the record holds 102"),
            std::string::npos) << r.LastError();

  // Cut inside the record header itself.
  shp.resize(100 + 6);
  path = WriteShapefile(dir, "cut", shp, f.shx, Dbf(kOneColumn, IdRows(1)));
  ASSERT_TRUE(r.Open(path));
  EXPECT_FALSE(r.ReadRecordHeader(h));
}

TEST(ShapeFileReader, TableRowsHeaderLengthAndDeletionFlag) {
  TempDir dir;
  ShapeFixture f;
  f.contents = {PointContent(1, 1), PointContent(2, 2)};
  f.Build();
  const std::vector<std::string> rows = {IdRow(1, '*'), IdRow(2)};
  struct Case {
    const char* what;
    Bytes dbf;
  };
  Bytes padded = Dbf(kOneColumn, {}, true, 32 + 32 + 1 + 1);  // a zero byte after the terminator
  padded.pop_back();                                          // drop the end-of-file byte
  padded += '\0' + rows[0] + rows[1] + '\x1A';
  Bytes stride = Dbf(kOneColumn, {}, true, -1, 6);            // rows longer than their cells
  stride.pop_back();
  stride += rows[0] + "xx" + rows[1] + "yy\x1A";
  const Case cases[] = {
      {"plain", Dbf(kOneColumn, rows)},
      {"header length zero", Dbf(kOneColumn, rows, true, 0)},
      {"header length too small", Dbf(kOneColumn, rows, true, 40)},
      {"header length past the file", Dbf(kOneColumn, rows, true, 60000)},
      {"record count larger than the rows", Dbf(kOneColumn, rows, true, -1, -1, 5000)},
      {"header length past the terminator", padded},
      {"row length past the cells", stride},
      {"row length zero", Dbf(kOneColumn, rows, true, -1, 0)},
      {"row length shorter than the cells", Dbf(kOneColumn, rows, true, -1, 2)},
  };
  for (const auto& c : cases) {
    const auto path = WriteShapefile(dir, "t", f.shp, f.shx, c.dbf);
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << c.what << ": " << r.LastError();
    EXPECT_EQ(ReadAll(r), (std::vector<std::string>{"p1|  1", "p2|  2"})) << c.what;
  }
}

// A table that ends before the geometry (no more rows, a row cut short, the end-of-file byte
// where a row should be) leaves the geometry whole: the records without a row read blank cells.
TEST(ShapeFileReader, RecordsPastTheTablesLastRowKeepTheirShapesWithEmptyCells) {
  TempDir dir;
  ShapeFixture f;
  f.shapeType = 3;
  Bytes null;
  I32LE(null, 0);
  f.contents = {PointContent(1, 1), PartsContent(3, {{{2, 2}, {3, 3}}}), null, PointContent(4, 4)};
  f.Build();
  struct Case {
    const char* what;
    Bytes dbf;
  };
  Bytes cut = Dbf(kOneColumn, IdRows(1));
  cut.pop_back();  // the end-of-file byte
  cut += " 2";     // half of row 2
  Bytes bare = Dbf(kOneColumn, IdRows(1));
  bare.pop_back();
  const Case cases[] = {
      {"one row, end-of-file byte", Dbf(kOneColumn, IdRows(1))},
      {"one row, no end-of-file byte", bare},
      {"second row cut short", cut},
      {"record count says four", Dbf(kOneColumn, IdRows(1), true, -1, -1, 4)},
  };
  for (const auto& c : cases) {
    const auto path = WriteShapefile(dir, "short", f.shp, f.shx, c.dbf);
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << c.what << ": " << r.LastError();
    std::vector<std::string> got;
    std::vector<bool> missing;
    for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
      got.push_back(ReadOne(r));
      missing.push_back(r.RowMissing());
    }
    EXPECT_EQ(got, (std::vector<std::string>{"p1|  1", "l(2@2)|   ", "s0|   ", "p4|   "})) << c.what;
    EXPECT_EQ(missing, (std::vector<bool>{false, true, true, true})) << c.what;
  }
}

// Files that other readers read, some against the letter of the format: each case changes
// record 2 of three (or the whole file), and every record is read with its own row.
TEST(ShapeFileReader, ReadsWhatOtherReadersRead) {
  TempDir dir;
  auto counts = [](std::int32_t parts, std::int32_t points, std::vector<std::int32_t> starts,
                   std::vector<std::pair<double, double>> pts) {
    Bytes c;
    I32LE(c, 3);
    for (int i = 0; i < 4; ++i) F64LE(c, 0.0);
    I32LE(c, parts);
    I32LE(c, points);
    for (auto s : starts) I32LE(c, s);
    for (const auto& [x, y] : pts) {
      F64LE(c, x);
      F64LE(c, y);
    }
    return c;
  };
  const std::vector<std::pair<double, double>> five = {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}};
  struct Case {
    const char* what;
    Bytes content;                             // record 2's contents
    std::function<void(ShapeFixture&)> spoil;  // applied after Build
    const char* record2;                       // what record 2 reads as
  };
  const Case cases[] = {
      // input → record 2 as read; why
      {"records in reverse file order", PointContent(2, 2), nullptr, "p2"},  // fileOrder set below
      {"offset back to record 1", PointContent(2, 2), [](ShapeFixture& f) { f.SetIndex(1, 0, 50); }, "p1"},
      {"offset inside the file header", PointContent(2, 2), [](ShapeFixture& f) { f.SetIndex(1, 0, 10); },
       "s1000"},  // the version field is read as the shape type
      {"offset 0", PointContent(2, 2), [](ShapeFixture& f) { f.SetIndex(1, 0, 0); }, "s0"},
      {"lengths in bytes", PointContent(2, 2),
       [](ShapeFixture& f) { for (std::size_t i = 0; i < 3; ++i) f.SetRecordLength(i, 20); }, "p2"},
      {"last record claims 1000 words", PointContent(2, 2), [](ShapeFixture& f) { f.SetRecordLength(2, 1000); }, "p2"},
      {"record length past the file", PointContent(2, 2), [](ShapeFixture& f) { f.SetRecordLength(1, 0x40000000); }, "p2"},
      {"record length negative", PointContent(2, 2), [](ShapeFixture& f) { f.SetRecordLength(1, -10); }, "p2"},
      {"record length smaller than the index's", PointContent(2, 2), [](ShapeFixture& f) { f.SetRecordLength(1, 5); }, "p2"},
      {"index length 0", PointContent(2, 2), [](ShapeFixture& f) { f.SetIndex(1, 1, 0); }, "p2"},
      {"index length negative", PointContent(2, 2), [](ShapeFixture& f) { f.SetIndex(1, 1, -5); }, "p2"},
      {"a part without points", counts(1, 0, {0}, {}), nullptr, "l(0)"},
      {"no parts", counts(0, 0, {}, {}), nullptr, "l"},
      {"no parts, two points", counts(0, 2, {}, {{1, 1}, {2, 2}}), nullptr, "l"},
      {"first start not 0", counts(2, 5, {1, 3}, five), nullptr, "l(2@2)(2@4)"},  // point 1 in no part
      {"one part starting at 2", counts(1, 5, {2}, five), nullptr, "l(3@3)"},
      {"equal starts", counts(3, 5, {0, 0, 2}, five), nullptr, "l(0)(2@1)(3@3)"},
      {"last start at the point count", counts(2, 5, {0, 5}, five), nullptr, "l(5@1)(0)"},
  };
  for (const auto& c : cases) {
    ShapeFixture f;
    f.shapeType = 3;
    f.contents = {PointContent(1, 1), c.content, PointContent(3, 3)};
    if (std::string(c.what) == "records in reverse file order") f.fileOrder = {2, 1, 0};
    f.Build();
    if (c.spoil) c.spoil(f);
    const auto path = WriteShapefile(dir, "g", f.shp, f.shx, Dbf(kOneColumn, IdRows(3)));
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << c.what << ": " << r.LastError();
    EXPECT_EQ(ReadAll(r), (std::vector<std::string>{"p1|  1", std::string(c.record2) + "|  2", "p3|  3"})) << c.what;
  }
}

// The fuzz corpus holds one entry per case above; each must stay a file that reads to its end.
TEST(ShapeFileReader, FuzzCorpusEntriesReadToTheEnd) {
  TempDir dir;
  const fs::path corpus = fs::path(VX_SOURCE_DIR) / "tests/fuzz/corpus/shape";
  int entries = 0;
  for (const auto& e : fs::directory_iterator(corpus)) {
    const Bytes b = ReadFile(e.path());
    ASSERT_GE(b.size(), 4u);
    const std::size_t shp = static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) << 8;
    const std::size_t shx = static_cast<unsigned char>(b[2]) | static_cast<unsigned char>(b[3]) << 8;
    const auto path = WriteShapefile(dir, "c", b.substr(4, shp), b.substr(4 + shp, shx), b.substr(4 + shp + shx));
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << e.path() << ": " << r.LastError();
    const auto got = ReadAll(r);
    EXPECT_EQ(got.size(), 3u) << e.path();
    for (const auto& g : got) EXPECT_NE(g[0], '!') << e.path() << ": " << g;
    ++entries;
  }
  EXPECT_GE(entries, 15);
}

TEST(ShapeFileReader, CellsEndAtTheFirstZeroByte) {
  TempDir dir;
  ShapeFixture f;
  f.contents = {PointContent(1, 1), PointContent(2, 2), PointContent(3, 3), PointContent(4, 4)};
  f.Build();
  const std::vector<DbfColumn> cols = {{"NM", 'C', 5}, {"ID", 'N', 3}};
  using namespace std::string_literals;
  const std::vector<std::string> rows = {" ab\0\0\0  1"s, " \0\0\0\0\0  2"s, " a\0b    3"s, " abcde  4"s};
  const auto path = WriteShapefile(dir, "z", f.shp, f.shx, Dbf(cols, rows));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path));
  const char* expected[] = {"ab", "", "a", "abcde"};
  for (const char* want : expected) {
    ShapeRecordHeader h;
    MapPoint p;
    ASSERT_TRUE(r.ReadRecordHeader(h));
    ASSERT_TRUE(r.ReadPointRecord(p));
    EXPECT_EQ(r.GetCell(0), want);
    attr::DbfFieldDesc d;
    ASSERT_TRUE(r.GetColumn(0, d));
    EXPECT_EQ(attr::FieldFromDbf(d, r.GetCell(0), text::TextEncoding::kShiftJIS).value.find(u'\0'), std::u16string::npos);
  }
}

TEST(ShapeFileReader, ManyColumnsWithinCaps) {
  TempDir dir;
  ShapeFixture f;
  f.contents = {PointContent(1, 1)};
  f.Build();
  std::vector<DbfColumn> cols;
  for (int i = 0; i < 300; ++i) cols.push_back({"C" + std::to_string(i), 'C', 255});
  const auto path = WriteShapefile(dir, "w", f.shp, f.shx, Dbf(cols, {std::string(1 + 300 * 255, 'v')}, true, -1, 0));
  ShapeFileReader r;
  // 300 columns of 255 bytes do not fit a 16-bit row length: the cells' own length is used.
  ASSERT_TRUE(r.Open(path)) << r.LastError();
  ShapeRecordHeader h;
  MapPoint p;
  ASSERT_TRUE(r.ReadRecordHeader(h));
  ASSERT_TRUE(r.ReadPointRecord(p)) << r.LastError();
  EXPECT_EQ(r.GetCell(299), std::string(255, 'v'));
  cols.resize(2047, {"X", 'C', 1});
  WriteShapefile(dir, "w", f.shp, f.shx, Dbf(cols, {}));
  EXPECT_FALSE(r.Open(path));
  EXPECT_NE(r.LastError().find("2046"), std::string::npos);
}

}  // namespace
}  // namespace vx::data
