// Geometry passed between the data files, the importers and the exporters, and the records of
// the shapefile format.
#pragma once

#include <cstdint>
#include <vector>

namespace vx::data {

struct MapPoint {
  double x = 0.0;  // easting or longitude
  double y = 0.0;  // northing or latitude
};
using PointList = std::vector<MapPoint>;
using PartList = std::vector<PointList>;

// Shape type codes of the format.
enum ShapeType : std::int32_t {
  kShapeNull = 0,
  kShapePoint = 1,
  kShapePolyLine = 3,
  kShapePolygon = 5,
  kShapeMultiPoint = 8,
  kShapePointZ = 11,
  kShapePolyLineZ = 13,
  kShapePolygonZ = 15,
  kShapeMultiPointZ = 18,
  kShapePointM = 21,
  kShapePolyLineM = 23,
  kShapePolygonM = 25,
  kShapeMultiPointM = 28,
  kShapeMultiPatch = 31,
};

inline bool IsPointType(std::int32_t t) { return t == kShapePoint || t == kShapePointZ || t == kShapePointM; }
inline bool IsPartsType(std::int32_t t) {
  return t == kShapePolyLine || t == kShapePolygon || t == kShapePolyLineZ || t == kShapePolygonZ ||
         t == kShapePolyLineM || t == kShapePolygonM;
}

inline bool IsMultiPointType(std::int32_t t) {
  return t == kShapeMultiPoint || t == kShapeMultiPointZ || t == kShapeMultiPointM;
}
// The types whose records carry a Z for every vertex (and may carry an M), and those that carry
// an M only.
inline bool HasZ(std::int32_t t) { return t == kShapePointZ || t == kShapePolyLineZ || t == kShapePolygonZ || t == kShapeMultiPointZ; }
inline bool HasM(std::int32_t t) { return t == kShapePointM || t == kShapePolyLineM || t == kShapePolygonM || t == kShapeMultiPointM; }
// The plain type of a Z or M type (PolygonZ -> Polygon); any other type unchanged.
inline std::int32_t PlainType(std::int32_t t) { return HasZ(t) || HasM(t) ? t % 10 : t; }

// An M below this is "no data" in the format.
inline constexpr double kNoDataM = -1e38;

// Z and M of a record's vertices, in the order of its points (parts one after another). Either
// list is empty when the record has none; otherwise it holds one value per point.
struct VertexMeasures {
  std::vector<double> z, m;
  bool Empty() const { return z.empty() && m.empty(); }
  void Clear() {
    z.clear();
    m.clear();
  }
};

struct ShapeRecordHeader {
  std::int32_t recordNumber = 0;
  std::int32_t contentLength = 0;  // words
  std::int32_t shapeType = 0;
};

struct PartsRecord {
  double box[4] = {};  // Xmin, Ymin, Xmax, Ymax as stored
  std::int32_t numParts = 0;
  std::int32_t numPoints = 0;
  std::vector<std::int32_t> partStarts;
  PartList parts;
};

// X, Y, Z and M ranges; an unset range reads as 0.0 at both ends.
class ShapeExtent {
 public:
  struct Range {
    double min = 0.0;
    double max = 0.0;
    bool set = false;
    void Extend(double v) {
      if (!set) {
        min = max = v;
        set = true;
      } else if (v < min) {
        min = v;
      } else if (v > max) {
        max = v;
      }
    }
  };
  Range x, y, z, m;
};

}  // namespace vx::data
