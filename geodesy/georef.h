// The sheet's georeference kept in the document: the data frame (one point text on its own layer)
// and the coordinate markers (point texts on seven reserved layers), and CSheetTransform, which
// turns document points into map points and back through either of them.
#pragma once

#include "geodesy/coord_converter.h"
#include "geodesy/coord_system.h"
#include "shell/host/types.h"

#include <array>
#include <cstdint>
#include <string>

namespace vx::geo {

// ---------------------------------------------------------------------------------------------
// Reserved layers

inline constexpr const char* kDataFrameLayerTitle = "Varnox-Shape DataFrame";
// Four-point set.
inline constexpr const char* kMarkerTopLeft = "4点座標マーカー 左上";
inline constexpr const char* kMarkerTopRight = "4点座標マーカー 右上";
inline constexpr const char* kMarkerBottomLeft = "4点座標マーカー 左下";
inline constexpr const char* kMarkerBottomRight = "4点座標マーカー 右下";
// Three-point set.
inline constexpr const char* kMarker1of3 = "3点座標マーカー 1/3";
inline constexpr const char* kMarker2of3 = "3点座標マーカー 2/3";
inline constexpr const char* kMarker3of3 = "3点座標マーカー 3/3";

// True for the data frame layer and the seven marker layers (exact title comparison).
bool IsReservedLayer(host::LayerHandle layer);
bool IsReservedTitle(const std::string& utf8);

// The first layer (in pre-order, sublayers included) whose title is exactly `utf8`; nullptr and
// no error when there is none.
host::Err FindLayerByTitle(const std::string& utf8, host::LayerHandle& out);

// ---------------------------------------------------------------------------------------------
// Data frame

struct DataFrame {
  CoordSystem system;        // of the map; a lat/long kind is drawn in equirectangular metres
  double X = 0;              // map x of the reference point (metres)
  double Y = 0;              // map y of the reference point (metres)
  double R = 0;              // rotation of the map on the sheet (degrees)
  double S = 0;              // scale denominator (1 : S)
  double anchorH = 0;        // document point showing the reference point (points)
  double anchorV = 0;
};

// "G=JGD|P=XY9|X=...|Y=...|S=25000|R=0.000000". S is written toward zero as an integer; a scale
// that is not a number writes 0 and one beyond the 32-bit range saturates.
std::string DataFrameText(const DataFrame& df);
// A data frame the sheet transform can use: S finite and positive, X, Y and R finite.
bool UsableDataFrame(const DataFrame& df);
// Parses the text of a data frame (anchor left 0). False where ReadDataFrame would be: fewer than
// six fields, a field without "=", a key of the six missing, or a frame that is not usable (S 0,
// negative or not a number; X, Y or R not finite), which would put art at infinite positions.
bool ParseDataFrameText(const std::u16string& text, DataFrame& out);
// The frame as ReadDataFrame will give it back from its text (S toward zero as an integer, X, Y
// and R to six decimals), anchor kept: a new frame places its art with these values, so that later
// imports and exports read the very transform that placed it. False when the text would not read
// (a scale that stores as 0).
bool StoredDataFrame(const DataFrame& df, DataFrame& out);
// Finds and parses the data frame of the current document (at most its first 255 characters).
bool ReadDataFrame(DataFrame& out);
// Creates the layer and its text; a no-op (0) when the layer already exists.
host::Err WriteDataFrame(const DataFrame& df);
// One-line description for dialogs: "(世界測地系 平面直角座標 第9系)", or "無効な設定".
std::string DataFrameLabel();

// x' = m0 x + m1 y + tx, y' = m2 x + m3 y + ty.
struct CAffine2D {
  double m0 = 1, m1 = 0, m2 = 0, m3 = 1, tx = 0, ty = 0;
  void Translate(double dx, double dy);  // then translate
  void Scale(double s);                  // then scale both axes
  void Rotate(double radians);           // then rotate
  void Apply(double x, double y, double& xOut, double& yOut) const;
};

// ---------------------------------------------------------------------------------------------
// Coordinate markers

struct MarkerPoint {
  double x = 0;  // map order: easting or longitude (the value after "&")
  double y = 0;  // northing or latitude (the value before "&")
};

// Which marker layers a set is read from (the stored code).
enum class MarkerLayout : std::int32_t { FourPoint = 0, ThreePoint = 1 };

struct MarkerSet {
  MarkerLayout layout = MarkerLayout::FourPoint;
  // Four-point: 1 左下, 2 左上, 3 右上, 4 右下; three-point: 1/3, 2/3, 3/3 (no point 4).
  std::array<host::RealPoint, 4> doc{};  // text anchors (points)
  std::array<MarkerPoint, 4> map{};      // map coordinates
  bool degrees = false;                  // every text in degree form: latitudes and longitudes
};

// Affine fit of three points: maps s1, s2, s3 exactly onto d1, d2, d3.
class FitAffine3 {
 public:
  // False (and not set up) for collinear source points or a value that is not finite.
  bool Setup(const MarkerPoint& s1, const MarkerPoint& s2, const MarkerPoint& s3, const MarkerPoint& d1,
             const MarkerPoint& d2, const MarkerPoint& d3);
  bool Ready() const { return ready_; }
  void Apply(double x, double y, double& xOut, double& yOut) const;

 private:
  bool ready_ = false;
  MarkerPoint s1_, d1_, e2_, e3_;       // source origin, destination origin and edges
  // Adjugate of [s2 - s1, s3 - s1] and its determinant b: dividing per point keeps each s on its d.
  double i0_ = 0, i1_ = 0, i2_ = 0, i3_ = 0, b_ = 0;
};

// Quadrilateral fit: source corners s0, s1 (second side), s2 (opposite s0), s3 (first side) onto the
// axis-aligned rectangle spanned by d0.x .. d3.x and d0.y .. d1.y.
class FitBilinear4 {
 public:
  // False (and not set up) when the source is degenerate (L = 0), the rectangle has no width or
  // height, or a value is not finite.
  bool Setup(const MarkerPoint& s0, const MarkerPoint& s1, const MarkerPoint& s2, const MarkerPoint& s3,
             const MarkerPoint& d0, const MarkerPoint& d1, const MarkerPoint& d3);
  bool Ready() const { return ready_; }
  // Source quadrilateral to rectangle.
  void Apply(double x, double y, double& xOut, double& yOut) const;
  // Rectangle back to the source quadrilateral: the bilinear map itself, so that it undoes Apply
  // for any convex quadrilateral (not only an axis-aligned one).
  void ApplyInverse(double x, double y, double& xOut, double& yOut) const;

 private:
  bool ready_ = false;
  MarkerPoint s0_, s1_, s2_, s3_, d0_, d1_, d3_;
  double L_ = 0, uC_ = 0, vC_ = 0;
};

// Adds empty marker layers below all layers: four (true) or three (false). The four-point layers
// end in the order 右下, 左下, 右上, 左上 (top to bottom); `made`, when given, receives the new
// layers in the order 左上, 右上, 左下, 右下 (three-point: 1/3, 2/3, 3/3).
host::Err CreateMarkerLayers(bool four, std::array<host::LayerHandle, 4>* made = nullptr);
// Reads a complete marker set. False also for a set the sheet transform cannot use: a four-point
// set whose map points are not an axis-aligned rectangle (exact comparison), a value that is not
// finite, or a degenerate fit (collinear three points, zero-area quadrilateral).
bool ReadMarkers(MarkerSet& out);
// Parses one marker text (map order out: x after "&", y before it).
// `degrees`, when given, tells whether the text was in degree form.
bool ParseMarkerText(const std::u16string& text, MarkerPoint& out, bool* degrees = nullptr);

class CSheetTransform;
// justification: 1 left, 3 right. A position the transform cannot give (NaN) writes nothing and
// answers kBadParameter.
host::Err WriteMarkerText(host::LayerHandle layer, const CCoordConverter& converter, const CSheetTransform& transform,
                          double x, double y, std::int32_t justification);
// Four markers at the corners of the extent (in the file's system) after a new data frame. Corners
// that do not convert (NaN) answer kBadParameter before any layer is made.
host::Err CreateExtentMarkers(const CCoordConverter& converter, const CSheetTransform& transform, double xmin,
                              double xmax, double ymin, double ymax);

// ---------------------------------------------------------------------------------------------
// Sheet transform

// What a sheet transform was last set from.
enum class TransformSource : std::int32_t { DataFrame = 0, Markers = 1 };

class CSheetTransform {
 public:
  // False (transform unusable) when the frame is not usable (UsableDataFrame).
  bool SetFromDataFrame(const DataFrame& df);
  // False when a fit is degenerate or a value is not finite.
  bool SetFromMarkers(const MarkerSet& set);

  // Map point (metres, or degrees for marker sets in degree form) to document point (points) and
  // back. NaN out while the transform is not ready.
  void MapToArt(double x, double y, double& h, double& v) const;
  void ArtToMap(double h, double v, double& x, double& y) const;

  // True after a successful SetFromDataFrame or SetFromMarkers.
  bool Ready() const { return ready_; }
  TransformSource Source() const { return source_; }
  const DataFrame& Frame() const { return frame_; }
  const MarkerSet& Markers() const { return markers_; }

 private:
  TransformSource source_ = TransformSource::DataFrame;
  bool ready_ = false;
  DataFrame frame_;
  MarkerSet markers_;
  FitBilinear4 artToMap4_;  // map to art is its inverse
  FitAffine3 artToMap3_, mapToArt3_;
  std::array<CAffine2D, 3> artToMap_, mapToArt_;
};

}  // namespace vx::geo
