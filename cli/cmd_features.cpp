// vxshape info --features: each layer's art listed as features, in map coordinates through the
// document's georeference, with the attribute values stored on the art.
#include "cli/features.h"

#include "attributes/shape_attr.h"
#include "cli/session.h"
#include "geodesy/georef.h"
#include "shell/text/text.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdio>

namespace vx::cli {
namespace {

using ojson = nlohmann::ordered_json;

// Shortest text that reads back as the same double.
std::string Num(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

struct Georef {
  enum Kind { None, Frame, Markers } kind = None;
  geo::CSheetTransform transform;
  std::string text;
  // Map coordinates of a document point; the document point itself without a georeference.
  void Map(const host::RealPoint& p, double& x, double& y) const {
    if (kind == None) {
      x = p.h, y = p.v;
      return;
    }
    transform.ArtToMap(p.h, p.v, x, y);
  }
};

Georef ReadGeoref() {
  Georef g;
  geo::DataFrame df;
  geo::MarkerSet ms;
  if (geo::ReadDataFrame(df) && g.transform.SetFromDataFrame(df)) {
    g.kind = Georef::Frame;
    g.text = geo::DataFrameText(df);
  } else if (geo::ReadMarkers(ms) && g.transform.SetFromMarkers(ms)) {
    g.kind = Georef::Markers;
    g.text = ms.layout == geo::MarkerLayout::FourPoint ? "four-point coordinate markers" : "three-point coordinate markers";
  }
  return g;
}

// The import's point mark: a small closed curve of four segments.
bool IsPointMark(const host::ArtOpaque* a) {
  if (a->type != host::ArtType::Path || !a->closed || a->segments.size() != 4) return false;
  for (const host::PathSegment& s : a->segments)
    if (s.in == s.p && s.out == s.p) return false;
  return true;
}

host::RealPoint MarkCentre(const host::ArtOpaque* a) {
  double l = a->segments[0].p.h, r = l, b = a->segments[0].p.v, t = b;
  for (const host::PathSegment& s : a->segments) {
    l = std::min(l, s.p.h), r = std::max(r, s.p.h);
    b = std::min(b, s.p.v), t = std::max(t, s.p.v);
  }
  return {(l + r) / 2, (b + t) / 2};
}

ojson Ring(const host::ArtOpaque* a, const Georef& g) {
  ojson ring = ojson::array();
  for (const host::PathSegment& s : a->segments) {
    double x = 0, y = 0;
    g.Map(s.p, x, y);
    ring.push_back({x, y});
  }
  // A closed path draws its closing edge itself; the ring written out ends on its first point.
  if (a->closed && !ring.empty()) ring.push_back(ring.front());
  return ring;
}

// kind, vertex count and GeoJSON-like geometry of one top-level art.
ojson Feature(const host::ArtOpaque* a, const Georef& g) {
  ojson f;
  ojson geometry;
  std::size_t vertices = 0;
  if (IsPointMark(a)) {
    double x = 0, y = 0;
    g.Map(MarkCentre(a), x, y);
    f["kind"] = "point";
    vertices = 1;
    geometry = {{"type", "Point"}, {"coordinates", {x, y}}};
  } else if (a->type == host::ArtType::Path) {
    f["kind"] = a->closed ? "polygon" : "line";
    vertices = a->segments.size();
    geometry = a->closed ? ojson{{"type", "Polygon"}, {"coordinates", ojson::array({Ring(a, g)})}}
                         : ojson{{"type", "LineString"}, {"coordinates", Ring(a, g)}};
  } else if (a->type == host::ArtType::CompoundPath || a->type == host::ArtType::Group) {
    ojson parts = ojson::array();
    bool allClosed = true;
    for (const host::ArtOpaque* c = a->lastChild; c; c = c->prev) {  // bottom first: the order they were made
      if (!c->alive || c->type != host::ArtType::Path) continue;
      vertices += c->segments.size();
      allClosed = allClosed && c->closed;
      parts.push_back(Ring(c, g));
    }
    f["kind"] = a->type == host::ArtType::Group ? "group" : "compound path";
    f["parts"] = parts.size();
    geometry = allClosed && !parts.empty() ? ojson{{"type", "Polygon"}, {"coordinates", parts}}
                                           : ojson{{"type", "MultiLineString"}, {"coordinates", parts}};
  } else if (a->type == host::ArtType::TextFrame) {
    double x = 0, y = 0;
    g.Map(a->Extra().anchor, x, y);
    f["kind"] = "text";
    f["text"] = text::Utf16ToUtf8(a->Extra().text);
    vertices = 1;
    geometry = {{"type", "Point"}, {"coordinates", {x, y}}};
  } else {
    f["kind"] = "other";
  }
  f["vertices"] = vertices;
  if (!geometry.is_null()) f["geometry"] = geometry;
  return f;
}

std::string TypeName(attr::FieldType t) { return text::Utf16ToUtf8(attr::FieldTypeName(t)); }

ojson Fields(host::ArtHandle art, bool withValues) {
  ojson out = ojson::array();
  attr::CVxShapeAttr list;
  list.Load(art);
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    attr::ShapeField f;
    if (!list.GetField(i, f)) continue;
    ojson j = {{"name", text::Utf16ToUtf8(f.name)}, {"type", TypeName(f.type)}, {"width", f.width},
               {"decimals", f.decimals}};
    if (withValues) j["value"] = text::Utf16ToUtf8(f.value);
    out.push_back(j);
  }
  return out;
}

void PrintCoords(const ojson& ring, std::string& out) {
  bool first = true;
  for (const ojson& p : ring) {
    out += first ? "" : ",";
    out += Num(p[0].get<double>()) + " " + Num(p[1].get<double>());
    first = false;
  }
}

std::string GeometryText(const ojson& g) {
  const std::string type = g["type"];
  std::string out;
  if (type == "Point") {
    out = "POINT (" + Num(g["coordinates"][0].get<double>()) + " " + Num(g["coordinates"][1].get<double>()) + ")";
  } else if (type == "LineString") {
    out = "LINESTRING (";
    PrintCoords(g["coordinates"], out);
    out += ")";
  } else {
    out = type == "Polygon" ? "POLYGON (" : "MULTILINESTRING (";
    bool first = true;
    for (const ojson& ring : g["coordinates"]) {
      out += first ? "(" : ",(";
      PrintCoords(ring, out);
      out += ")";
      first = false;
    }
    out += ")";
  }
  return out;
}

}  // namespace

void PrintFeatures(const std::string& doc, const std::string& layerTitle, bool asJson) {
  host::StandInHost host;
  OpenDocument(host, doc);
  host.FillSlots();
  const host::Document& d = *host.Doc();
  const Georef g = ReadGeoref();

  ojson out;
  out["georeference"] = g.kind == Georef::None ? ojson{{"kind", "none"}}
                        : ojson{{"kind", g.kind == Georef::Frame ? "data frame" : "markers"}, {"text", g.text}};
  ojson layers = ojson::array();
  bool found = false;
  for (const host::LayerOpaque* l : d.PreorderLayers()) {
    if (layerTitle.empty() ? geo::IsReservedTitle(l->title) : l->title != layerTitle) continue;
    found = true;
    ojson lj;
    lj["title"] = l->title;
    lj["fields"] = Fields(l->group, false);
    ojson features = ojson::array();
    std::size_t index = 0;
    // Bottom first: the order the art was made in, which for an import is the record order.
    for (const host::ArtOpaque* a = l->group->lastChild; a; a = a->prev) {
      if (!a->alive || a->layerOfGroup) continue;  // sublayers are listed by themselves
      ojson f = Feature(a, g);
      // The list in field order, and by name (the first of a repeated name, as text read in the
      // wrong encoding may give).
      ojson attributes = Fields(const_cast<host::ArtOpaque*>(a), true);
      ojson props = ojson::object();
      for (const ojson& field : attributes)
        if (!props.contains(field["name"].get<std::string>())) props[field["name"].get<std::string>()] = field["value"];
      ojson feature = {{"index", index++}};
      feature.update(f);
      feature["properties"] = props;
      feature["attributes"] = attributes;
      features.push_back(std::move(feature));
    }
    lj["features"] = std::move(features);
    layers.push_back(std::move(lj));
  }
  host::StandInHost::ClearSlots();
  if (!layerTitle.empty() && !found) throw Failure(doc + ": no layer titled \"" + layerTitle + "\"");
  out["layers"] = layers;
  if (asJson) {
    std::printf("%s\n", out.dump(2).c_str());
    return;
  }
  std::printf("georeference: %s\n", g.kind == Georef::None ? "none (positions are document points)"
                                                           : (out["georeference"]["kind"].get<std::string>() + " " + g.text).c_str());
  for (const ojson& l : layers) {
    std::printf("\nLayer name: %s\nFeature Count: %zu\n", l["title"].get<std::string>().c_str(), l["features"].size());
    for (const ojson& f : l["fields"])
      std::printf("%s: %s (%d.%d)\n", f["name"].get<std::string>().c_str(), f["type"].get<std::string>().c_str(),
                  f["width"].get<int>(), f["decimals"].get<int>());
    for (const ojson& f : l["features"]) {
      std::printf("Feature(%s):%zu\n  %s, %zu vertices%s\n", l["title"].get<std::string>().c_str(),
                  f["index"].get<std::size_t>(), f["kind"].get<std::string>().c_str(), f["vertices"].get<std::size_t>(),
                  f.contains("parts") ? (", " + std::to_string(f["parts"].get<std::size_t>()) + " parts").c_str() : "");
      if (f.contains("text")) std::printf("  text = %s\n", f["text"].get<std::string>().c_str());
      for (const ojson& a : f["attributes"])
        std::printf("  %s (%s) = %s\n", a["name"].get<std::string>().c_str(), a["type"].get<std::string>().c_str(),
                    a["value"].get<std::string>().c_str());
      if (f.contains("geometry")) std::printf("  %s\n", GeometryText(f["geometry"]).c_str());
      std::printf("\n");
    }
  }
}

}  // namespace vx::cli
