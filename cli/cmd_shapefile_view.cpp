// vxshape inspect: a person's view of a shapefile before it is imported. Records are printed as
// they are read, so memory stays at one record however large the file.
#include "attributes/field.h"
#include "cli/commands.h"
#include "datafiles/shape_reader.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace vx::cli {
namespace {

struct InspectOptions {
  std::string path;
  std::string encoding = "sjis";
  bool json = false;
};

std::string Utf8(const std::u16string& s) { return text::Utf16ToUtf8(s); }

// The shortest text that reads back as the same double; without an exponent for the sizes
// coordinates have (100000, not 1e+05).
std::string Num(double v) {
  char b[64];
  const double a = std::fabs(v);
  const bool plain = a == 0.0 || (a >= 1e-4 && a < 1e16);
  const auto r = plain ? std::to_chars(b, b + sizeof b, v, std::chars_format::fixed) : std::to_chars(b, b + sizeof b, v);
  return std::string(b, r.ptr);
}

// A shape type's name, and what the import does with a record of it.
struct TypeInfo {
  const char* name;
  const char* import;  // for types whose geometry is not read; nullptr otherwise
};

TypeInfo DescribeType(std::int32_t t) {
  switch (t) {
    case data::kShapeNull: return {"Null", "passed over, no art"};
    case data::kShapePoint: return {"Point", nullptr};
    case data::kShapePolyLine: return {"PolyLine", nullptr};
    case data::kShapePolygon: return {"Polygon", nullptr};
    case data::kShapeMultiPoint: return {"MultiPoint", "passed over, no art"};
    case data::kShapePointZ: return {"PointZ", nullptr};
    case data::kShapePolyLineZ: return {"PolyLineZ", nullptr};
    case data::kShapePolygonZ: return {"PolygonZ", nullptr};
    case data::kShapeMultiPointZ: return {"MultiPointZ", "passed over, no art"};
    case data::kShapePointM: return {"PointM", nullptr};
    case data::kShapePolyLineM: return {"PolyLineM", nullptr};
    case data::kShapePolygonM: return {"PolygonM", nullptr};
    case data::kShapeMultiPointM: return {"MultiPointM", "not recognised: the import reports it, then passes over"};
    case data::kShapeMultiPatch: return {"MultiPatch", "passed over, no art"};
    default: return {"unknown", "not recognised: the import reports it, then passes over"};
  }
}

constexpr auto kJsonErrors = nlohmann::json::error_handler_t::replace;

// JSON: one object whose "records" array is written record by record.
class JsonOut {
 public:
  void Member(const char* key, const nlohmann::json& value) {
    std::cout << (first_ ? "{\n" : ",\n") << "  " << nlohmann::json(key).dump() << ": "
              << Indented(value.dump(2, ' ', false, kJsonErrors));
    first_ = false;
  }
  void BeginRecords() {
    std::cout << ",\n  \"records\": [";
    firstRecord_ = true;
  }
  void Record(const nlohmann::json& rec) {
    std::cout << (firstRecord_ ? "\n    " : ",\n    ") << Indented(rec.dump(2, ' ', false, kJsonErrors), 4);
    firstRecord_ = false;
  }
  void End() { std::cout << (firstRecord_ ? "]\n}\n" : "\n  ]\n}\n"); }

 private:
  static std::string Indented(const std::string& s, std::size_t by = 2) {
    std::string out;
    for (char c : s) {
      out += c;
      if (c == '\n') out.append(by, ' ');
    }
    return out;
  }
  bool first_ = true;
  bool firstRecord_ = true;
};

int RunInspect(const InspectOptions& o) {
  const text::TextEncoding enc = o.encoding == "utf8" ? text::TextEncoding::kUTF8 : text::TextEncoding::kShiftJIS;
  data::ShapeFileReader r;
  if (!r.Open(std::filesystem::u8path(o.path))) {
    if (o.json)
      std::cout << nlohmann::json{{"file", o.path}, {"error", r.LastError()}}.dump(2, ' ', false, kJsonErrors) << "\n";
    else
      std::fprintf(stderr, "vxshape inspect: %s\n", r.LastError().c_str());
    return 2;
  }
  double x0, x1, y0, y1;
  r.GetExtent(x0, x1, y0, y1);
  std::vector<std::string> names;
  nlohmann::json columns = nlohmann::json::array();
  for (int i = 0; i < r.ColumnCount(); ++i) {
    attr::DbfFieldDesc d;
    r.GetColumn(i, d);
    names.push_back(Utf8(text::Decode(d.Name(), enc)));
    columns.push_back({{"name", names.back()}, {"type", std::string(1, d.type)}, {"length", d.length}, {"decimals", d.decimals}});
  }

  JsonOut json;
  if (o.json) {
    json.Member("file", o.path);
    json.Member("shapeType", r.ShapeType());
    json.Member("shapeTypeName", DescribeType(r.ShapeType()).name);
    json.Member("recordCount", r.RecordCount());
    json.Member("extent", {{"xmin", x0}, {"ymin", y0}, {"xmax", x1}, {"ymax", y1}});
    json.Member("columns", columns);
    json.BeginRecords();
  } else {
    std::cout << "file:    " << o.path << "\n"
              << "type:    " << r.ShapeType() << " " << DescribeType(r.ShapeType()).name << "\n"
              << "records: " << r.RecordCount() << "\n"
              << "extent:  x " << Num(x0) << " .. " << Num(x1) << ", y " << Num(y0) << " .. " << Num(y1) << "\n"
              << "columns:\n";
    for (const auto& c : columns)
      std::cout << "  " << c["name"].get<std::string>() << "  " << c["type"].get<std::string>() << "  "
                << c["length"].get<int>() << "  " << c["decimals"].get<int>() << "\n";
    std::cout << "records:\n";
  }

  // One record at a time: printed, then forgotten.
  auto emit = [&](const nlohmann::json& rec, const std::string& line) {
    if (o.json)
      json.Record(rec);
    else
      std::cout << line << "\n";
  };
  int status = 0;
  data::PartsRecord parts;
  for (std::int32_t n = 1; n <= r.RecordCount(); ++n) {
    nlohmann::json rec{{"number", n}};
    std::string line = "  #" + std::to_string(n);
    data::ShapeRecordHeader h;
    bool ok = r.ReadRecordHeader(h);
    if (ok) {
      const TypeInfo type = DescribeType(h.shapeType);
      rec["shapeType"] = h.shapeType;
      rec["shapeTypeName"] = type.name;
      line += "  type " + std::to_string(h.shapeType) + " " + type.name;
      if (data::IsPointType(h.shapeType)) {
        data::MapPoint p;
        ok = r.ReadPointRecord(p);
        if (ok) {
          rec["point"] = {p.x, p.y};
          line += "  point " + Num(p.x) + " " + Num(p.y);
        }
      } else if (data::IsPartsType(h.shapeType)) {
        ok = r.ReadPartsRecord(parts);
        if (ok) {
          rec["parts"] = parts.numParts;
          rec["points"] = parts.numPoints;
          line += "  parts " + std::to_string(parts.numParts) + "  points " + std::to_string(parts.numPoints);
        }
      } else {
        ok = r.SkipRecord();
        if (ok) {
          rec["skipped"] = true;
          rec["import"] = type.import;
          line += " (" + std::string(type.import) + ")";
        }
      }
    }
    if (!ok) {
      rec["error"] = r.LastError();
      emit(rec, line + "  error: " + r.LastError());
      status = 1;
      if (!r.Resume()) {
        emit({{"number", n + 1}, {"error", r.LastError()}}, "  #" + std::to_string(n + 1) + "  error: " + r.LastError());
        break;
      }
      continue;
    }
    nlohmann::json values = nlohmann::json::array();
    for (int i = 0; i < r.ColumnCount(); ++i) {
      attr::DbfFieldDesc d;
      r.GetColumn(i, d);
      values.push_back(Utf8(attr::FieldFromDbf(d, r.GetCell(i), enc).value));
      line += "  " + names[static_cast<std::size_t>(i)] + "=" + values.back().get<std::string>();
    }
    rec["values"] = std::move(values);
    // The table ended before the geometry: the import gives this record empty values.
    if (r.RowMissing()) {
      rec["noRow"] = true;
      line += "  (no table row)";
    }
    emit(rec, line);
  }
  if (o.json) json.End();
  std::cout.flush();
  return status;
}

const Registrar kInspect([](CLI::App& app) {
  auto opts = std::make_shared<InspectOptions>();
  CLI::App* cmd = app.add_subcommand("inspect", "Show a shapefile's type, extent, columns and records");
  cmd->add_option("file", opts->path, "The .shp file")->required();
  cmd->add_option("--encoding", opts->encoding, "Encoding of the table's text")
      ->check(CLI::IsMember({"sjis", "utf8"}));
  cmd->add_flag("--json", opts->json, "Print JSON");
  cmd->callback([opts] { ExitStatus() = RunInspect(*opts); });
});

}  // namespace
}  // namespace vx::cli
