// CCoordConverter: one point from a source coordinate system (datum, kind, zone) to a destination
// system, always through latitude/longitude: source grid -> lat/long -> datum shift -> destination.
#pragma once

#include "geodesy/coord_system.h"
#include "geodesy/geodesy.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace vx::geo {

// Warning shown when a shift across datums is asked for and the grid file cannot be opened.
inline constexpr std::string_view kGridMissingMessage = "測地系変換パラメータファイルを開けません";

// What the converter needs from its host: where the grid file is, and how to warn the user.
struct ConverterHost {
  // Full path of the grid file; asked only when a grid has to be loaded.
  std::function<std::filesystem::path()> gridFile;
  // Shows a warning alert (UTF-8 text).
  std::function<void(std::string_view utf8)> warn;
};

// "TKY2JGD_Win.dat" in the folder of `pluginFile` (the plug-in file or the program).
std::filesystem::path GridFileBeside(const std::filesystem::path& pluginFile);

class CCoordConverter {
 public:
  explicit CCoordConverter(ConverterHost host = {});

  // Prepares a conversion. Loads the shift grid the first time the datums differ; when the grid
  // file cannot be opened, warns and returns false. Also false (without a warning) when a datum,
  // kind or zone is out of range: the failing stage then yields NaN instead of a stale result.
  // The zone a kind does not use is ignored.
  bool Setup(const CoordSystem& src, const CoordSystem& dst);
  // Points pass unchanged from now on.
  void SetIdentity() { identity_ = true; }

  // Map order in and out: x easting (or longitude, degrees), y northing (or latitude); metres for
  // grids. convergence in degrees. False when a stage fails: unprepared stage, a source latitude
  // beyond +-90 or longitude beyond +-180 (a source latitude or longitude within 1e-9 degrees
  // beyond reads as +-90 or +-180, also from sheet metres), a transverse Mercator point more than
  // 60 degrees from its central meridian, an inverse projection leaving +-90, footpoint iteration
  // not settling, a result that is not finite, non-finite input (also for the identity); outputs
  // are then NaN.
  bool Convert(double x, double y, double& xOut, double& yOut, double& convergence) const;

  // The three stages. Each gives NaN outputs and false on failure; latitudes beyond +-90 and
  // longitudes beyond +-180 (degrees) fail, in or out.
  // Survey order: north, east (metres; degrees for the lat/long source kind).
  bool SourceToLatLong(double north, double east, double& lat, double& lon) const;
  bool ShiftDatum(double lat, double lon, double& latOut, double& lonOut) const;
  // x east, y north (metres), convergence (degrees), k point scale (NaN for the lat/long kind,
  // which has none).
  bool LatLongToDestination(double lat, double lon, double& x, double& y, double& convergence, double& k) const;

  bool IsIdentity() const { return identity_; }
  bool ShiftNeeded() const { return shiftNeeded_; }
  bool GridLoaded() const { return gridLoaded_; }
  CoordKind DestinationKind() const { return dstKind_; }
  CoordKind SourceKind() const { return srcKind_; }
  const CGeodesy& SourceEngine() const { return srcEngine_; }
  const CGeodesy& DestinationEngine() const { return dstEngine_; }

 private:
  ConverterHost host_;
  bool identity_ = false;
  bool shiftNeeded_ = false;
  bool gridLoaded_ = false;
  Datum srcDatum_{}, dstDatum_{};
  CoordKind srcKind_{}, dstKind_{};
  double meanRadius_ = 0;     // of the destination datum (metres), for a lat/long destination
  double refLatitude_ = 0;    // reference latitude of the equirectangular destination (degrees)
  double srcMeanRadius_ = 0;  // of the source datum (metres), for the equirectangular source
  // Whether each stage was prepared by the last Setup: a failed engine setup keeps the engine's
  // previous zone, which must not be used.
  bool srcReady_ = false, dstReady_ = false;
  CGeodesy srcEngine_;  // also holds the shift grid
  CGeodesy dstEngine_;
};

}  // namespace vx::geo
