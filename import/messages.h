// What the imports tell the user.
#pragma once

namespace vx::imp {

// Coordinate dialog: refusals and mode texts.
inline constexpr const char* kChooseZoneMessage = "座標系を選択してください";
inline constexpr const char* kChooseUtmZoneMessage = "UTMの座標帯を選択してください";
inline constexpr const char* kBadScaleMessage = "縮尺指定が正しくありません";
inline constexpr const char* kBadRangeMessage = "指定した座標範囲が無効です";
inline constexpr const char* kModeDataFrameText = "現在のデータフレーム設定を使用します";
inline constexpr const char* kModeMarkersText = "座標マーカーに合わせて読み込まれます";
inline constexpr const char* kModeNewFrameText = "新たにデータフレームを作成します";
// A public map where latitudes and longitudes can be read off.
inline constexpr const char* kWebMapUrl = "https://maps.gsi.go.jp/";

// Setting up the placement.
inline constexpr const char* kConverterSetupMessage = "座標変換を設定できません";
inline constexpr const char* kCentreNotConvertedMessage = "読み込み範囲の中心を座標変換できません";
// The corners of a new frame's extent do not convert: the data is placed, the markers left out.
inline constexpr const char* kNoExtentMarkersMessage = "範囲の四隅を座標変換できないため、座標マーカーは作成しませんでした";
inline constexpr const char* kFrameNotWrittenMessage = "データフレームを作成できません";
inline constexpr const char* kUnreadableFrameMessage = "データフレームの設定が正しくありません";
inline constexpr const char* kBadGeoreferenceMessage = "データフレームか座標マーカーが正しくありません";

// Points whose conversion failed; each file follows on a line of its own.
inline constexpr const char* kDroppedPointsMessage = "座標を変換できない点は描画していません";
// The other sections of the closing warning, each followed by a line per file.
inline constexpr const char* kNoShapeMessage = "図形のないレコードは描画していません";
inline constexpr const char* kNoRowMessage = "属性テーブルに行のないレコードは属性値を空にしています";
// Items left out whole because a point of theirs does not convert; each file names them.
inline constexpr const char* kLeftOutItemsMessage = "座標を変換できない点を含む図形は、図形ごと描画していません";
inline constexpr const char* kSplitRingMessage = "32,000点を超える閉じた図形は、塗りのない開いたパスに分けて描画しています";
// Values with bytes that are no text in the encoding read; each file follows with the encoding
// and, per field, the number of values and the first record or line.
inline constexpr const char* kBadTextMessage =
    "文字コードに合わないバイトを含む値があります（該当する文字は「・」または「\uFFFD」に置き換えています）";
// The table's column names as the field there, and a column as the place; %d: its number.
inline constexpr const char* kColumnNamesLabel = "列名";
inline constexpr const char* kColumnLabelFormat = "第%d列";
// How a line of a coordinate text file is named there; %lld: the line number.
inline constexpr const char* kLineLabelFormat = "第%lld行";
// How a shapefile record is named there; %d: the record number.
inline constexpr const char* kRecordLabelFormat = "第%dレコード";
// How a KML placemark is named there; %d: its number in the file.
inline constexpr const char* kPlacemarkLabelFormat = "第%dプレースマーク";

// Shapefiles.
inline constexpr const char* kShapeFileTitle = "シェープファイルを読み込む（複数選択可）";
inline constexpr const char* kShapeFolderKey = "importShapeDir";
// %s: the file's name with its extension.
inline constexpr const char* kShapeProgressFormat = "シェープファイルを読み込んでいます [ %s ]";
// %d: the shape type.
inline constexpr const char* kUnknownShapeTypeFormat = "読み込みエラー [ エラーコード：%d ]";
// %s: the file's name; the reader's reason follows on the next line.
inline constexpr const char* kOpenFailedFormat = "ファイルを開けません [ %s ]";
// %s: the file's name, %d: the record number; the reader's reason follows.
inline constexpr const char* kRecordUnreadableFormat =
    "レコードを読み込めません [ %s 第%dレコード ]\nこのファイルの以降のレコードは読み込まれていません";

}  // namespace vx::imp
