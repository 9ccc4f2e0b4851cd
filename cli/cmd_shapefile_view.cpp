// vxshape inspect: a person's view of a shapefile before it is imported.
#include "attributes/field.h"
#include "cli/commands.h"
#include "datafiles/shape_reader.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <string>

namespace vx::cli {
namespace {

struct InspectOptions {
  std::string path;
  std::string encoding = "sjis";
  bool json = false;
};

std::string Utf8(const std::u16string& s) { return text::Utf16ToUtf8(s); }

int RunInspect(const InspectOptions& o) {
  const text::TextEncoding enc = o.encoding == "utf8" ? text::TextEncoding::kUTF8 : text::TextEncoding::kShiftJIS;
  data::ShapeFileReader r;
  if (!r.Open(std::filesystem::u8path(o.path))) {
    if (o.json)
      std::cout << nlohmann::json{{"file", o.path}, {"error", r.LastError()}}.dump(2) << "\n";
    else
      std::fprintf(stderr, "vxshape inspect: %s\n", r.LastError().c_str());
    return 2;
  }
  nlohmann::json doc;
  doc["file"] = o.path;
  doc["shapeType"] = r.ShapeType();
  doc["recordCount"] = r.RecordCount();
  double x0, x1, y0, y1;
  r.GetExtent(x0, x1, y0, y1);
  doc["extent"] = {{"xmin", x0}, {"ymin", y0}, {"xmax", x1}, {"ymax", y1}};
  doc["columns"] = nlohmann::json::array();
  for (int i = 0; i < r.ColumnCount(); ++i) {
    attr::DbfFieldDesc d;
    r.GetColumn(i, d);
    doc["columns"].push_back({{"name", Utf8(text::Decode(d.Name(), enc))},
                              {"type", std::string(1, d.type)},
                              {"length", d.length},
                              {"decimals", d.decimals}});
  }
  doc["records"] = nlohmann::json::array();
  int status = 0;
  for (std::int32_t n = 1; n <= r.RecordCount(); ++n) {
    nlohmann::json rec{{"number", n}};
    data::ShapeRecordHeader h;
    bool ok = r.ReadRecordHeader(h);
    if (ok) {
      rec["shapeType"] = h.shapeType;
      if (data::IsPointType(h.shapeType)) {
        data::MapPoint p;
        ok = r.ReadPointRecord(p);
        if (ok) rec["point"] = {p.x, p.y};
      } else if (data::IsPartsType(h.shapeType)) {
        data::PartsRecord pr;
        ok = r.ReadPartsRecord(pr);
        if (ok) {
          rec["parts"] = pr.numParts;
          rec["points"] = pr.numPoints;
        }
      } else {
        ok = r.SkipRecord();
        if (ok) rec["skipped"] = true;
      }
    }
    if (!ok) {
      rec["error"] = r.LastError();
      doc["records"].push_back(rec);
      status = 1;
      if (!r.Resume()) {
        doc["records"].push_back({{"number", n + 1}, {"error", r.LastError()}});
        break;
      }
      continue;
    }
    nlohmann::json values = nlohmann::json::array();
    for (int i = 0; i < r.ColumnCount(); ++i) {
      attr::DbfFieldDesc d;
      r.GetColumn(i, d);
      const attr::ShapeField f = attr::FieldFromDbf(d, r.GetCell(i), enc);
      values.push_back(Utf8(f.value));
    }
    rec["values"] = values;
    doc["records"].push_back(rec);
  }

  if (o.json) {
    std::cout << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return status;
  }
  std::cout << "file:    " << o.path << "\n"
            << "type:    " << r.ShapeType() << "\n"
            << "records: " << r.RecordCount() << "\n";
  char ext[200];
  std::snprintf(ext, sizeof ext, "extent:  x %.17g .. %.17g, y %.17g .. %.17g\n", x0, x1, y0, y1);
  std::cout << ext << "columns:\n";
  for (const auto& c : doc["columns"])
    std::cout << "  " << c["name"].get<std::string>() << "  " << c["type"].get<std::string>() << "  "
              << c["length"].get<int>() << "  " << c["decimals"].get<int>() << "\n";
  std::cout << "records:\n";
  for (const auto& rec : doc["records"]) {
    std::cout << "  #" << rec["number"].get<int>();
    if (rec.contains("shapeType")) std::cout << "  type " << rec["shapeType"].get<int>();
    if (rec.contains("parts")) std::cout << "  parts " << rec["parts"].get<int>() << "  points " << rec["points"].get<int>();
    if (rec.contains("point")) {
      char p[120];
      std::snprintf(p, sizeof p, "  point %.17g %.17g", rec["point"][0].get<double>(), rec["point"][1].get<double>());
      std::cout << p;
    }
    if (rec.contains("skipped")) std::cout << "  (no geometry read)";
    if (rec.contains("error")) std::cout << "  error: " << rec["error"].get<std::string>();
    if (rec.contains("values"))
      for (std::size_t i = 0; i < rec["values"].size(); ++i)
        std::cout << "  " << doc["columns"][i]["name"].get<std::string>() << "=" << rec["values"][i].get<std::string>();
    std::cout << "\n";
  }
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
