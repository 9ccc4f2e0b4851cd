// The KML reader: a streaming tag scanner that hands over containers, styles and placemarks in file
// order. It reads element structure rather than lines, so several elements on one line, tags with
// attributes, coordinates across lines, CDATA and entities all read the same as a file laid out one
// element per line. It never fails on malformed input: unknown elements are skipped, unclosed ones
// end with the file, and memory grows only with the text of the elements it keeps.
#pragma once

#include "datafiles/shape_types.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vx::imp {

// One style, or a style map ("normal" pair only). Colours are alpha, blue, green, red, each 0-1.
struct KmlStyle {
  std::array<double, 4> lineColor{};
  double lineWidth = 0.5;  // points
  std::array<double, 4> polyColor{};
  bool fill = true;
  bool lineColorSet = false, widthSet = false, polyColorSet = false, fillSet = false;
  std::string mapTarget;  // the id the "normal" pair points to, without its "#"
  bool isMap = false;
  bool outline = true;
  bool outlineSet = false;
};

// "aabbggrr" → alpha, blue, green, red in 0-1; false (and `out` untouched) unless exactly eight
// hexadecimal digits (surrounding white space aside).
bool ParseKmlColor(std::string_view text, std::array<double, 4>& out);

enum class KmlGeometryKind : std::int32_t { kPoint = 1, kLineString = 2, kPolygon = 3, kGroundOverlay = 4 };

struct KmlGeometry {
  KmlGeometryKind kind = KmlGeometryKind::kPoint;
  // A point or a line: one list. A polygon: the outer ring, then the inner rings.
  std::vector<data::PointList> rings;
};

struct KmlPlacemark {
  std::string name;         // UTF-8, entities and CDATA decoded
  std::string description;  // the first description element
  std::string styleUrl;     // without its first character
  bool hasInlineStyle = false;
  KmlStyle inlineStyle;
  std::vector<KmlGeometry> geometries;  // in file order, a MultiGeometry's members one by one
};

class KmlHandler {
 public:
  virtual ~KmlHandler() = default;
  // A Document or Folder starts; `depth` 0 for one outside every container.
  virtual void ContainerBegin(bool document, int depth) { (void)document, (void)depth; }
  // The container's own name element (may come after placemarks of the container).
  virtual void ContainerName(const std::string& name) { (void)name; }
  virtual void ContainerEnd() {}
  virtual void Placemark(KmlPlacemark& placemark) { (void)placemark; }
  // Every coordinates element of the file, wherever it stands.
  virtual void Coordinates(const data::PointList& points) { (void)points; }
  // Called between blocks of input: `done` of `total` bytes. False cancels the reading.
  virtual bool Progress(std::uint64_t done, std::uint64_t total) {
    (void)done, (void)total;
    return true;
  }
};

// Splits a coordinates value into (x, y) tuples: tuples at runs of white space, components at ","
// read as numbers (a component that is not a number reads 0); a tuple of fewer than two
// components is left out.
void ParseKmlCoordinates(std::string_view text, data::PointList& out);

// Decodes the five named entities and numeric character references, and takes CDATA sections
// as they stand. Unknown entities are kept as written.
std::string DecodeKmlText(std::string_view raw);

class KmlReader {
 public:
  // Reads the whole stream; false when cancelled through the handler. Styles stay in Styles().
  bool Read(std::FILE* file, std::uint64_t size, KmlHandler& handler);
  bool ReadBuffer(std::string_view bytes, KmlHandler& handler);

  // Styles and style maps by id, the first of an id kept.
  const std::map<std::string, KmlStyle>& Styles() const { return styles_; }
  // The style a reference leads to through style maps; nullptr when none (or a cycle).
  const KmlStyle* Resolve(const std::string& id) const;
  // How many elements of the last read were nested too deep to be read (kMaxDepth levels) and
  // were passed over with everything inside them.
  std::uint64_t PassedOverForDepth() const { return passedOver_; }
  static constexpr std::size_t kMaxDepth = 4096;

 private:
  struct Impl;
  std::map<std::string, KmlStyle> styles_;
  std::uint64_t passedOver_ = 0;
};

}  // namespace vx::imp
