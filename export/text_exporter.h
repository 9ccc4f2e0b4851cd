// CGeoTextFileExporter: the export frame writing one delimited text line per object, its map
// coordinates followed by its attribute values, in Shift-JIS, UTF-8 or UTF-16 with CR LF.
#pragma once

#include "datafiles/vx_file.h"
#include "shell/host/atomic_file.h"
#include "export/exporter_base.h"

#include <map>
#include <memory>

namespace vx::xport {

// A value as one cell of a delimited line. Comma-separated: a value holding a comma or a double
// quote is enclosed in double quotes with its quotes doubled, so that this project's reader and
// common CSV readers read it back as it was. Tab-separated: unchanged.
std::u16string TextCell(const std::u16string& value, char16_t delimiter);

class CGeoTextFileExporter : public CExporterBase {
 public:
  explicit CGeoTextFileExporter(host::PluginRef plugin) : CExporterBase(plugin) {}
  ~CGeoTextFileExporter() override;

  void InitSettings(ExportSettings& settings) override;
  host::Err WritePoint(const MapPoint& point, const attr::CVxShapeAttr& attributes, const std::string* layerTitle,
                       const std::u16string* text) override;
  std::vector<host::FileFilter> FileFilters() override;
  std::string DefaultFileName() override;
  std::string LayerFileName(host::LayerHandle layer) override;
  // The file is written under a temporary name beside the chosen one and renamed when complete.
  bool OpenOutput(const std::filesystem::path& path) override;
  bool CloseOutput() override;

 private:
  // `unencodable` counts the characters the output encoding has no code for.
  bool WriteLine(const std::u16string& line, std::size_t* unencodable);

  std::map<std::string, std::size_t> columnOf_;  // FieldKey → column
  std::unique_ptr<host::AtomicFile> file_;
  bool writeFailed_ = false;
  std::vector<std::int64_t> unencodable_;  // by column: values with characters written as '?'
  std::size_t unencodableNames_ = 0;
  std::filesystem::path finalPath_;
};

}  // namespace vx::xport
