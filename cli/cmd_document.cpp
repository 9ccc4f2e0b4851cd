// vxshape new / info / render: make a document, describe it, draw it.
#include "attributes/field.h"
#include "attributes/shape_attr.h"
#include "cli/commands.h"
#include "cli/features.h"
#include "cli/session.h"
#include "geodesy/georef.h"
#include "host/atomic_file.h"
#include "shell/host/paths.h"
#include "host/svg.h"
#include "shell/host/paths.h"
#include "shell/text/text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace vx::cli {
namespace {

using nlohmann::json;

const char* KindLabel(host::ArtType t) {
  switch (t) {
    case host::ArtType::Group: return "group";
    case host::ArtType::Path: return "path";
    case host::ArtType::CompoundPath: return "compound path";
    case host::ArtType::TextFrame: return "text";
    case host::ArtType::Symbol: return "symbol";
    default: return "other";
  }
}

// The type's display name; a code without one as its number.
std::string TypeName(std::int32_t type) {
  const std::u16string name = attr::FieldTypeName(static_cast<attr::FieldType>(type));
  return name.empty() ? std::to_string(type) : text::Utf16ToUtf8(name);
}

// The field definitions stored on a layer's group art, in the attribute list's stored form.
json FieldDefinitions(const host::ArtOpaque* group) {
  json fields = json::array();
  if (!group->dictionary) return fields;
  host::Entry e;
  host::ArrayRef list;
  if (group->dictionary->Get(attr::kShapeFieldKey, e) || e.AsArray(list)) return fields;
  for (std::int32_t i = 0; i < list->Count(); ++i) {
    host::Entry item;
    host::ArrayRef f;
    if (list->Get(i, item) || item.AsArray(f) || f->Count() < 4) continue;
    host::Entry n, t, w, d;
    std::string name;
    std::int32_t type = 0, width = 0, dec = 0;
    f->Get(0, n), f->Get(1, t), f->Get(2, w), f->Get(3, d);
    n.AsString(name), t.AsInteger(type), w.AsInteger(width), d.AsInteger(dec);
    fields.push_back({{"name", name},
                      {"type", TypeName(type)},
                      {"width", width},
                      {"decimals", dec}});
  }
  return fields;
}

json LayerInfo(const host::Document& doc, const host::LayerOpaque* l) {
  json j;
  j["title"] = l->title;
  j["visible"] = l->visible;
  j["locked"] = !l->editable;
  j["current"] = doc.current == l;
  std::map<std::string, int> counts;
  std::vector<host::ArtOpaque*> all;
  host::Document::Walk(l->group, all);
  std::string frameText;
  for (host::ArtOpaque* a : all) {
    if (doc.LayerOf(a) != l || a->layerOfGroup) continue;  // sublayers are listed by themselves
    ++counts[KindLabel(a->type)];
    if (a->type == host::ArtType::TextFrame && frameText.empty()) frameText = text::Utf16ToUtf8(a->Extra().text);
  }
  j["art"] = counts;
  j["fields"] = FieldDefinitions(l->group);
  if (l->title == geo::kDataFrameLayerTitle) j["dataFrame"] = frameText;
  json subs = json::array();
  for (const host::LayerOpaque* s : doc.Sublayers(l)) subs.push_back(LayerInfo(doc, s));
  if (!subs.empty()) j["sublayers"] = std::move(subs);
  return j;
}

void PrintLayer(const json& l, int depth) {
  const std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
  std::printf("%s%s%s%s%s\n", pad.c_str(), l["title"].get<std::string>().c_str(),
              l["visible"].get<bool>() ? "" : " (hidden)", l["locked"].get<bool>() ? " (locked)" : "",
              l["current"].get<bool>() ? " (current)" : "");
  std::string counts;
  for (auto& [k, v] : l["art"].items()) counts += (counts.empty() ? "" : ", ") + std::to_string(v.get<int>()) + " " + k;
  std::printf("%s  art: %s\n", pad.c_str(), counts.empty() ? "none" : counts.c_str());
  for (const json& f : l["fields"])
    std::printf("%s  field: %s %s %d %d\n", pad.c_str(), f["name"].get<std::string>().c_str(),
                f["type"].get<std::string>().c_str(), f["width"].get<int>(), f["decimals"].get<int>());
  if (l.contains("dataFrame")) std::printf("%s  data frame: %s\n", pad.c_str(), l["dataFrame"].get<std::string>().c_str());
  if (l.contains("sublayers"))
    for (const json& s : l["sublayers"]) PrintLayer(s, depth + 1);
}

void Install(CLI::App& app) {
  {
    auto* cmd = app.add_subcommand("new", "Make a new document with one ordinary layer");
    auto doc = std::make_shared<std::string>();
    auto size = std::make_shared<std::string>("612x792");
    cmd->add_option("DOC", *doc, "Document to write")->required();
    cmd->add_option("--size", *size, "Artboard size in points, WxH")->capture_default_str();
    auto force = std::make_shared<bool>(false);
    cmd->add_flag("--force", *force, "Replace DOC when it exists");
    cmd->callback([doc, size, force] {
      ExitStatus() = Guard([&] {
        // A document holds work that a new empty one would replace without a trace.
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(host::Utf8ToPath(*doc), ec);
        if (!*force && status.type() != std::filesystem::file_type::not_found)
          throw Failure(*doc + " already exists; give --force to replace it with a new document");
        double w = 0, h = 0;
        char x = 0, extra = 0;
        if (std::sscanf(size->c_str(), "%lf%c%lf%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X') ||
            !(w > 0 && h > 0 && w < 1e6 && h < 1e6))
          throw Failure("--size must be WIDTHxHEIGHT in points, e.g. 842x595, not \"" + *size + "\"");
        host::StandInHost host;
        host.NewDocument(w, h);
        SaveDocument(host, *doc);
      });
    });
  }
  {
    auto* cmd = app.add_subcommand("info", "Describe a document: layers, art, field definitions, data frame");
    auto doc = std::make_shared<std::string>();
    auto asJson = std::make_shared<bool>(false);
    cmd->add_option("DOC", *doc, "Document to read")->required();
    cmd->add_flag("--json", *asJson, "Print JSON");
    auto features = std::make_shared<bool>(false);
    auto layer = std::make_shared<std::string>();
    cmd->add_flag("--features", *features, "List every art of each layer with its position and values (docs/import.md)");
    cmd->add_option("--layer", *layer, "With --features: only the layer with this title")->needs("--features");
    cmd->callback([doc, asJson, features, layer] {
      ExitStatus() = Guard([&] {
        if (*features) return PrintFeatures(*doc, *layer, *asJson);
        host::StandInHost host;
        host.KeepDocumentAtExit();
        OpenDocument(host, *doc);
        const host::Document& d = *host.Doc();
        json out;
        out["bounds"] = {d.bounds.left, d.bounds.top, d.bounds.right, d.bounds.bottom};
        json layers = json::array();
        for (const host::LayerOpaque* l : d.layers) layers.push_back(LayerInfo(d, l));
        out["layers"] = layers;
        if (*asJson) {
          std::printf("%s\n", out.dump(2).c_str());
          return;
        }
        std::printf("artboard: %g x %g pt\n", d.bounds.right - d.bounds.left, d.bounds.top - d.bounds.bottom);
        std::printf("layers (top first):\n");
        for (const json& l : layers) PrintLayer(l, 1);
      });
    });
  }
  {
    auto* cmd = app.add_subcommand("render", "Draw a document as SVG");
    auto doc = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    cmd->add_option("DOC", *doc, "Document to read")->required();
    cmd->add_option("OUT", *out, "SVG file to write")->required();
    cmd->callback([doc, out] {
      ExitStatus() = Guard([&] {
        host::StandInHost host;
        RefuseSameFile(*out, {host::Utf8ToPath(*doc)});
        OpenDocument(host, *doc);
        const std::string svg = host::RenderSvg(*host.Doc());
        std::string error;
        if (!host::WriteFileAtomically(host::Utf8ToPath(*out), svg, error)) throw Failure(error);
      });
    });
  }
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
