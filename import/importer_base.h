// The machinery the imports share: choosing files, the coordinate settings of a run, placing the
// data on the sheet through the document's georeference, and the art every importer makes (a new
// layer, point marks, paths, compound paths), with the optional import range.
#pragma once

#include "datafiles/shape_types.h"
#include "geodesy/coord_converter.h"
#include "geodesy/georef.h"
#include "resources/templates.h"
#include "shell/host/suites.h"
#include "shell/text/text.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <span>
#include <vector>

namespace vx::imp {

// Preferences are kept under the plug-in's name.
inline constexpr const char* kPrefPrefix = resources::kPluginName;

// Xmin, Xmax, Ymin, Ymax in the data file's system: easting or longitude, northing or latitude.
struct Extent {
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};

// How the data of one run is placed.
enum ImportMode : std::int32_t { kModeDataFrame = 0, kModeMarkers = 1, kModeNewFrame = 2 };

// The settings record of one run; the coordinate dialog edits it in place.
struct ImportSettings {
  std::int32_t mode = kModeNewFrame;
  geo::CoordSystem data{geo::DatumJgd2000, geo::KindLatLong};  // the file's system
  // A new data frame's system; with markers (mode 1), the markers' system: lat/long (degrees),
  // a plane zone or a UTM zone.
  geo::CoordSystem map{geo::DatumJgd2000, geo::KindLatLong};
  double scale = 25000.0;  // scale denominator of a new data frame
  bool trueNorth = true;
  bool limitOn = false;
  Extent extent;  // of all chosen files
  Extent limit;   // the import range
  bool markerDegrees = false;  // mode 1: the markers' texts are in degree form
};

// Reads the five import preferences into `s`; keys not stored leave the defaults.
void LoadImportPreferences(ImportSettings& s);
void StoreImportPreferences(const ImportSettings& s);

class CImporterBase {
 public:
  explicit CImporterBase(host::PluginRef plugin);
  virtual ~CImporterBase();
  CImporterBase(const CImporterBase&) = delete;
  CImporterBase& operator=(const CImporterBase&) = delete;

  // Slots. ChooseFiles and ImportFile answer 0, 'STOP' or an error code.
  virtual host::Err ChooseFiles();
  // Reads one file into a new layer, reported in `layer` (left alone when none was made).
  virtual host::Err ImportFile(const std::filesystem::path& file, host::LayerHandle& layer);
  // The combined extent of the chosen files; false when none can be read.
  virtual bool GetDataExtent(Extent& extent);
  virtual bool PrepareImport();
  // Calls `visit` with every point of the chosen files (the file's system) that the import would
  // read; false when it cannot go through them (the base has none).
  virtual bool ScanPoints(const std::function<void(const data::MapPoint&)>& visit);
  // Decides the mode, shows the coordinate dialog and prepares converter and transform.
  virtual bool SetupCoordinates(ImportSettings& s);

  // The whole import: 0, 'STOP' when the user cancelled (or was told why it cannot go on), or an
  // error code.
  host::Err Run();

  const std::vector<std::filesystem::path>& Files() const { return files_; }
  text::TextEncoding Encoding() const { return encoding_; }
  const geo::CCoordConverter& Converter() const { return converter_; }
  const geo::CSheetTransform& Transform() const { return transform_; }

  // What a file's import left out or drew otherwise than stored; the run's closing warning says it.
  struct FileNotes {
    std::string file;                      // name with its extension
    std::int64_t droppedPoints = 0;        // points that could not be converted
    std::int64_t noShape = 0;              // records that hold no shape
    std::int64_t noRow = 0;                // records drawn with empty values: the table had no row
    std::vector<std::string> splitRings;   // items whose ring was drawn as open pieces
    std::vector<std::string> leftOut;      // items not drawn: a point of theirs does not convert
    // Values holding bytes that are no text in the encoding the file was read in, by field.
    struct BadText {
      std::string field;       // the field's name (UTF-8)
      std::int64_t values = 0;
      std::string first;       // the first item that held one (e.g. "第3レコード")
    };
    std::string encoding;             // the list's text for the encoding the file was read in
    std::vector<BadText> badText;
    bool Empty() const {
      return droppedPoints == 0 && noShape == 0 && noRow == 0 && splitRings.empty() && leftOut.empty() &&
             badText.empty();
    }
  };
  // The notes of the files that have any, in file order.
  const std::vector<FileNotes>& Notes() const { return notes_; }

 protected:
  // Inserts the layer that receives a file: above the topmost layer that holds no georeference,
  // or above all layers when there is none.
  host::Err CreateImportLayer(host::LayerHandle& out);
  // A point mark at `p` (the file's system). A point that cannot be converted makes no art: the
  // result is 0 with `art` nullptr, and the point is counted as dropped.
  host::Err CreatePointArt(const data::MapPoint& p, host::LayerHandle layer, host::ArtHandle& art);
  // Converts every point of an item's parts to the sheet, for DrawPlacedPart. False when any point
  // does not convert: the item (named by `itemLabel_`) is then noted and must be left out whole,
  // as a shape missing a vertex is another shape.
  bool PlaceParts(std::span<const data::PointList> parts);
  // Paths of at most 32,000 points each through part `part` of the parts placed last. A longer
  // list is drawn in pieces, each starting on the point the one before ended on. A closed list
  // that does not fit becomes open, unfilled pieces that end back on its first point; the item
  // named by `itemLabel_` is noted for the closing warning.
  host::Err DrawPlacedPart(std::size_t part, bool closed, host::LayerHandle layer, std::vector<host::ArtHandle>& out);
  // PlaceParts and DrawPlacedPart for an item of one part; no path when a point does not convert.
  host::Err CreatePathArt(const data::PointList& points, bool closed, host::LayerHandle layer,
                          std::vector<host::ArtHandle>& out);
  // A compound path in `group` holding `paths`, in order.
  host::Err MakeCompoundPath(const std::vector<host::ArtHandle>& paths, host::ArtHandle group,
                             host::ArtHandle& out);

  bool PointInLimit(const data::MapPoint& p) const;
  bool BoxInLimit(double xmin, double ymin, double xmax, double ymax) const;
  void SetLimit(const Extent& limit);
  bool LimitOn() const { return limitOn_; }

  struct FileFilter {
    std::string label;
    std::string pattern;
  };
  // The open-file dialog with the encoding area (template 110) when `showEncoding`. Appends the
  // chosen files to `files`; 'STOP' when cancelled.
  host::Err ChooseFilesDialog(const std::string& title, const std::vector<FileFilter>& filters,
                              const std::string& defaultExt, bool allowMultiple, bool offerUtf16, bool showEncoding,
                              const std::filesystem::path& folder, std::vector<std::filesystem::path>& files,
                              text::TextEncoding& encoding);

  // The encoding a file declares or plainly is in (its sidecars, a byte-order mark, valid
  // UTF-8); nothing when it does not tell. The open-file dialog preselects it when a file is
  // chosen, and each file is read in its own unless the person picked an item of the list.
  virtual std::optional<text::TextEncoding> FileEncoding(const std::filesystem::path& file) const {
    (void)file;
    return std::nullopt;
  }
  // The encoding `file` is read in: the person's pick, else the file's own, else Shift-JIS.
  text::TextEncoding EncodingFor(const std::filesystem::path& file) const;
  // A value of `field` (UTF-8) held bytes that are no text in the file's encoding; the item
  // named by `itemLabel_` is the place.
  void NoteBadText(const std::string& field);

  // The item being drawn, as the closing warning names it (e.g. "第3レコード").
  std::string itemLabel_;
  // The notes of the file being imported.
  FileNotes fileNotes_;

  host::PluginRef plugin_;
  bool converterWarned_ = false;  // the converter has shown its warning since the last set-up
  geo::CCoordConverter converter_;
  geo::CSheetTransform transform_;
  text::TextEncoding encoding_ = text::TextEncoding::kShiftJIS;
  bool encodingPicked_ = false;  // the person picked an item of the encoding list
  text::TextEncoding fileEncoding_ = text::TextEncoding::kShiftJIS;  // of the file being imported
  std::vector<std::filesystem::path> files_;

 private:
  // A new frame's box (the file's system): the range when on, else the extent; when its centre or
  // a corner does not convert (a point beyond 180 degrees, far outside a zone), the box of the
  // points that do. False when no point converts.
  bool PlacedBox(const ImportSettings& s, Extent& box);
  Extent markerBox_;  // corners of the extent markers of a new frame
  bool markersInDegrees_ = false;  // the markers' map points are longitude and latitude

  // Converts one file point to the sheet; false when it cannot be placed.
  bool ToSheet(const data::MapPoint& p, host::RealPoint& out) const;
  // One warning with every file's notes; nothing when there are none.
  void ReportNotes();

  static constexpr std::size_t kSegmentsPerPath = 32000;
  std::unique_ptr<host::PathSegment[]> segments_;  // reused for every path
  std::vector<std::vector<host::RealPoint>> placed_;  // the parts placed last, on the sheet
  bool limitOn_ = false;
  Extent limit_;
  std::vector<FileNotes> notes_;
};

// The encodings of the open-file dialog's list, in list order, with their item texts; UTF-16 is
// offered for text files only.
struct EncodingChoice {
  text::TextEncoding encoding;
  const char* label;
};
inline constexpr EncodingChoice kEncodingChoices[] = {
    {text::TextEncoding::kShiftJIS, "シフトJIS"},     {text::TextEncoding::kUTF8, "UTF-8"},
    {text::TextEncoding::kUTF16, "UTF-16"},           {text::TextEncoding::kLatin1, "ISO-8859-1"},
    {text::TextEncoding::kWindows1252, "Windows-1252"}, {text::TextEncoding::kEucJp, "EUC-JP"},
};
// The item text of an encoding ("シフトJIS" for a code not in the list).
// Inline: vxshape names the items without linking the plug-in.
inline const char* EncodingLabel(text::TextEncoding encoding) {
  for (const EncodingChoice& c : kEncodingChoices)
    if (c.encoding == encoding) return c.label;
  return kEncodingChoices[0].label;
}

// Name of a file for messages and layer titles (UTF-8), with and without its extension.
std::string FileNameUtf8(const std::filesystem::path& file);
std::string FileStemUtf8(const std::filesystem::path& file);

}  // namespace vx::imp
