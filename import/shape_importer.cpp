#include "import/shape_importer.h"

#include "attributes/shape_attr.h"
#include "attributes/vertex_measures.h"
#include "datafiles/sidecars.h"
#include "import/messages.h"
#include "shell/host/slots.h"

#include <cstdio>
#include <span>

namespace vx::imp {

using namespace vx::host;
namespace fs = std::filesystem;

namespace {

std::string Format(const char* format, const std::string& s) {
  const int n = std::snprintf(nullptr, 0, format, s.c_str());
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, format, s.c_str());
  return out;
}

std::string Format(const char* format, const std::string& s, std::int32_t n) {
  const int len = std::snprintf(nullptr, 0, format, s.c_str(), n);
  std::string out(static_cast<std::size_t>(len > 0 ? len : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, format, s.c_str(), n);
  return out;
}

void WarnOpenFailed(const fs::path& file, const std::string& reason) {
  sUser()->WarningAlert(Format(kOpenFailedFormat, FileNameUtf8(file)) + "\n" + reason);
}

// Parts of polygons (Z and M included) are rings: closed and filled.
bool IsPolygonType(std::int32_t t) {
  return t == data::kShapePolygon || t == data::kShapePolygonZ || t == data::kShapePolygonM;
}

}  // namespace

Err CShapeFileImporter::ChooseFiles() {
  fs::path folder;
  sPreference()->GetFilePath(kPrefPrefix, kShapeFolderKey, folder);
  if (Err r = ChooseFilesDialog(kShapeFileTitle, {{"Shapefiles(*.shp)", "*.shp"}}, "shp", true, false, true, folder,
                                files_, encoding_))
    return r;
  sPreference()->PutFilePath(kPrefPrefix, kShapeFolderKey, files_.front().parent_path());
  return kNoErr;
}

bool CShapeFileImporter::GetDataExtent(Extent& extent) {
  bool any = false;
  std::vector<std::pair<fs::path, std::string>> failed;
  for (const fs::path& file : files_) {
    if (!reader_.Open(file)) {
      failed.emplace_back(file, reader_.LastError());
      reader_.Close();
      continue;
    }
    Extent e;
    reader_.GetExtent(e.xmin, e.xmax, e.ymin, e.ymax);
    reader_.Close();
    if (!any) {
      extent = e;
      any = true;
    } else {
      extent.xmin = std::min(extent.xmin, e.xmin);
      extent.ymin = std::min(extent.ymin, e.ymin);
      extent.xmax = std::max(extent.xmax, e.xmax);
      extent.ymax = std::max(extent.ymax, e.ymax);
    }
  }
  // Files that do not open are reported when their turn comes; when none opens, now.
  if (!any)
    for (const auto& [file, reason] : failed) WarnOpenFailed(file, reason);
  return any;
}

bool CShapeFileImporter::ScanPoints(const std::function<void(const data::MapPoint&)>& visit) {
  for (const fs::path& file : files_) {
    if (!reader_.Open(file)) {
      reader_.Close();
      continue;  // passed over by the import too
    }
    const std::int32_t count = reader_.RecordCount();
    for (std::int32_t n = 0; n < count && !reader_.AtEnd(); ++n) {
      data::ShapeRecordHeader header;
      if (!reader_.ReadRecordHeader(header)) break;
      bool ok = true;
      if (data::IsPointType(header.shapeType)) {
        data::MapPoint p;
        if ((ok = reader_.ReadPointRecord(p))) visit(p);
      } else if (data::IsPartsType(header.shapeType)) {
        if ((ok = reader_.ReadPartsRecord(parts_)))
          for (const data::PointList& part : parts_.parts)
            for (const data::MapPoint& p : part) visit(p);
      } else if (data::IsMultiPointType(header.shapeType)) {
        double box[4];
        if ((ok = reader_.ReadMultiPointRecord(box, points_)))
          for (const data::MapPoint& p : points_) visit(p);
      } else {
        ok = reader_.SkipRecord();
      }
      if (!ok) break;
    }
    reader_.Close();
  }
  return true;
}

Err CShapeFileImporter::ImportFile(const fs::path& file, LayerHandle& layer) {
  if (!reader_.Open(file)) {
    WarnOpenFailed(file, reader_.LastError());
    reader_.Close();
    return kNoErr;
  }
  sUser()->SetProgressText(Format(kShapeProgressFormat, FileNameUtf8(file)));
  LayerHandle made = nullptr;
  Err r = CreateImportLayer(made);
  if (made) layer = made;
  if (r == kNoErr) r = sLayer()->SetLayerTitle(made, FileStemUtf8(file));
  if (r == kNoErr) r = ImportRecords(file, made);
  reader_.Close();
  return r;
}

std::optional<text::TextEncoding> CShapeFileImporter::FileEncoding(const fs::path& file) const {
  const data::DeclaredEncoding declared = data::ReadDeclaredEncoding(file);
  if (declared.encoding) return declared.encoding;
  if (declared.source == data::DeclaredEncoding::Source::None && data::TableLooksUtf8(file))
    return text::TextEncoding::kUTF8;
  return std::nullopt;
}

void CShapeFileImporter::ReadRow() {
  const int columns = reader_.ColumnCount();
  row_.resize(static_cast<std::size_t>(columns));
  for (int i = 0; i < columns; ++i) {
    attr::DbfFieldDesc desc;
    reader_.GetColumn(i, desc);
    std::size_t invalid = 0;
    attr::ShapeField& f = row_[static_cast<std::size_t>(i)];
    f = attr::FieldFromDbf(desc, reader_.GetCell(i), fileEncoding_, &invalid);
    if (invalid) NoteBadText(text::Utf16ToUtf8(f.name));
  }
}

Err CShapeFileImporter::StoreRow(ArtHandle art) {
  attr::CVxShapeAttr list;
  list.Load(art);
  return list.ReplaceAll(row_);
}

Err CShapeFileImporter::StoreMeasures(ArtHandle art, std::size_t first, std::size_t count) {
  const data::VertexMeasures& v = reader_.Measures();
  auto slice = [&](const std::vector<double>& all) {
    return first + count <= all.size() ? std::span<const double>(all.data() + first, count) : std::span<const double>();
  };
  if (v.Empty()) return kNoErr;
  return attr::StoreVertexMeasures(art, slice(v.z), slice(v.m));
}

Err CShapeFileImporter::ImportRecords(const fs::path& file, LayerHandle layer) {
  const std::int32_t count = reader_.RecordCount();
  ArtHandle group = nullptr;
  if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;

  // The layer's field definitions: the columns with empty values.
  std::vector<attr::ShapeField> defs;
  for (int i = 0; i < reader_.ColumnCount(); ++i) {
    attr::DbfFieldDesc desc;
    reader_.GetColumn(i, desc);
    defs.push_back(attr::FieldFromDbf(desc, {}, fileEncoding_));
    std::size_t invalid = 0;
    text::Decode(desc.Name(), fileEncoding_, &invalid);
    if (invalid) {
      char label[64];
      std::snprintf(label, sizeof label, kColumnLabelFormat, i + 1);
      itemLabel_ = label;
      NoteBadText(kColumnNamesLabel);
    }
  }
  if (!defs.empty()) {
    attr::CVxShapeAttr list;
    list.Load(group);
    if (Err e = list.ReplaceAll(defs)) return e;
  }

  Err result = kNoErr;
  bool readFailed = false;
  std::int32_t n = 0;
  while (!reader_.AtEnd()) {
    if (++n > count) break;
    sUser()->UpdateProgress(n, count);
    if (sUser()->Cancelled()) {
      result = kStop;
      break;
    }
    data::ShapeRecordHeader header;
    if (!reader_.ReadRecordHeader(header)) {
      readFailed = true;
      break;
    }
    const std::int32_t type = header.shapeType;
    char label[64];
    std::snprintf(label, sizeof label, kRecordLabelFormat, static_cast<int>(n));
    itemLabel_ = label;

    if (data::IsPointType(type)) {
      data::MapPoint p;
      if (!reader_.ReadPointRecord(p)) {
        readFailed = true;
        break;
      }
      if (LimitOn() && !PointInLimit(p)) continue;
      ArtHandle art = nullptr;
      if (Err e = CreatePointArt(p, layer, art)) return e;
      if (!art) continue;  // the point cannot be placed
      ReadRow();
      if (Err e = StoreRow(art)) return e;
      if (Err e = StoreMeasures(art, 0, 1)) return e;
      if (reader_.RowMissing()) ++fileNotes_.noRow;

    } else if (data::IsPartsType(type)) {
      if (!reader_.ReadPartsRecord(parts_)) {
        readFailed = true;
        break;
      }
      if (parts_.numPoints == 0) {  // a record with parts but no point holds no shape
        ++fileNotes_.noShape;
        continue;
      }
      if (LimitOn() && !BoxInLimit(parts_.box[0], parts_.box[1], parts_.box[2], parts_.box[3])) continue;
      if (!PlaceParts(parts_.parts)) continue;
      ReadRow();
      arts_.clear();
      std::size_t first = 0;  // the part's first point among the record's
      for (std::size_t i = 0; i < parts_.parts.size(); ++i) {
        if (Err e = DrawPlacedPart(i, IsPolygonType(type), layer, pieces_)) return e;
        // A part drawn in pieces keeps no Z or M: no piece is the part.
        if (pieces_.size() == 1)
          if (Err e = StoreMeasures(pieces_.front(), first, parts_.parts[i].size())) return e;
        first += parts_.parts[i].size();
        arts_.insert(arts_.end(), pieces_.begin(), pieces_.end());
      }
      if (arts_.size() == 1) {
        if (Err e = StoreRow(arts_.front())) return e;
      } else if (arts_.size() > 1) {
        ArtHandle compound = nullptr;
        if (Err e = MakeCompoundPath(arts_, group, compound)) return e;
        if (Err e = StoreRow(compound)) return e;
        for (ArtHandle art : arts_)
          if (Err e = StoreRow(art)) return e;
      }
      if (!arts_.empty() && reader_.RowMissing()) ++fileNotes_.noRow;

    } else if (data::IsMultiPointType(type)) {
      // A point mark for each point, every one carrying the record's row.
      double box[4];
      if (!reader_.ReadMultiPointRecord(box, points_)) {
        readFailed = true;
        break;
      }
      if (points_.empty()) {
        ++fileNotes_.noShape;
        continue;
      }
      bool rowRead = false;
      for (std::size_t k = 0; k < points_.size(); ++k) {
        const data::MapPoint& p = points_[k];
        if (LimitOn() && !PointInLimit(p)) continue;
        ArtHandle art = nullptr;
        if (Err e = CreatePointArt(p, layer, art)) return e;
        if (!art) continue;
        if (!rowRead) {
          ReadRow();
          rowRead = true;
        }
        if (Err e = StoreRow(art)) return e;
        // The points of one record go back out as one record.
        if (Err e = attr::StoreMultiPointRecord(art, n)) return e;
        if (Err e = StoreMeasures(art, k, 1)) return e;
      }
      if (rowRead && reader_.RowMissing()) ++fileNotes_.noRow;

    } else {
      if (type != data::kShapeNull && type != data::kShapeMultiPatch) {
        char text[128];
        std::snprintf(text, sizeof text, kUnknownShapeTypeFormat, static_cast<int>(type));
        sUser()->ErrorAlert(text);
      }
      if (!reader_.SkipRecord()) {
        readFailed = true;
        break;
      }
      if (type == data::kShapeNull) ++fileNotes_.noShape;
    }
  }

  // A record that cannot be read ends the file; what was read before it stays.
  if (readFailed)
    sUser()->WarningAlert(Format(kRecordUnreadableFormat, FileNameUtf8(file), n) + "\n" + reader_.LastError());
  return result;
}

}  // namespace vx::imp
