// The host's services, one abstract class per suite. The plug-in acquires each suite by name and
// version through the basic suite interface (plugin_main.h) into a process-wide slot (slots.h) and
// calls the host through those slots. Every operation that can fail returns an Err. What crosses
// to the host is each suite's C table (c_suites.h); these classes are built on it (c_adapters.h).
#pragma once

#include "shell/host/dictionary.h"
#include "shell/host/types.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vx::host {

// ---------------------------------------------------------------------------------------------
// Art tree

enum class ArtType : std::int32_t {
  Unknown = 0,
  Group = 1,
  Path = 2,
  CompoundPath = 3,
  TextFrame = 4,
  Symbol = 5,
  Other = 6,  // placed images, rasters and other kinds the plug-in does not handle
};

// Where new or moved art goes relative to a prepositional art.
enum class PaintOrder : std::int32_t { Above = 1, Below = 2, InsideOnTop = 3, InsideOnBottom = 4 };

// Art flags (user attributes).
enum ArtFlag : std::uint32_t {
  kArtSelected = 1u << 0,
  kArtLocked = 1u << 1,
  kArtHidden = 1u << 2,
  kArtFullySelected = 1u << 3,
};

class ArtSuite {
 public:
  virtual ~ArtSuite() = default;
  // Creates art of `type` (Group, Path, CompoundPath) placed relative to `prep`.
  virtual Err NewArt(ArtType type, PaintOrder order, ArtHandle prep, ArtHandle& out) = 0;
  // Disposes the art and everything inside it.
  virtual Err DisposeArt(ArtHandle art) = 0;
  // Moves art (with its contents) relative to `prep`.
  virtual Err ReorderArt(ArtHandle art, PaintOrder order, ArtHandle prep) = 0;
  virtual Err GetArtType(ArtHandle art, ArtType& out) = 0;
  // Parent, first child and next sibling; nullptr when there is none.
  virtual Err GetArtParent(ArtHandle art, ArtHandle& out) = 0;
  virtual Err GetArtFirstChild(ArtHandle art, ArtHandle& out) = 0;
  virtual Err GetArtSibling(ArtHandle art, ArtHandle& out) = 0;
  // Visual bounds in document points.
  virtual Err GetArtBounds(ArtHandle art, RealRect& out) = 0;
  // Reads the flags named in `which` into `out`.
  virtual Err GetArtUserAttr(ArtHandle art, std::uint32_t which, std::uint32_t& out) = 0;
  // Sets the flags named in `which` to the bits of `value`.
  virtual Err SetArtUserAttr(ArtHandle art, std::uint32_t which, std::uint32_t value) = 0;
  // The art's dictionary, created empty on first use.
  virtual Err GetDictionary(ArtHandle art, DictionaryRef& out) = 0;
  virtual bool HasDictionary(ArtHandle art) = 0;
  // The layer the art belongs to.
  virtual Err GetLayerOfArt(ArtHandle art, LayerHandle& out) = 0;
  // True when art is the group art of a layer.
  virtual Err IsLayerGroup(ArtHandle art, bool& out) = 0;
  virtual bool ValidArt(ArtHandle art) = 0;
};

class ArtSetSuite {
 public:
  virtual ~ArtSetSuite() = default;
  virtual Err NewArtSet(ArtSetHandle& out) = 0;
  virtual Err DisposeArtSet(ArtSetHandle& set) = 0;
  // Fills the set with the selected art of the current document, in the host's order: each
  // selected object once, the outermost selected object of a selected group standing for it.
  virtual Err SelectedArtSet(ArtSetHandle set) = 0;
  // Fills the set with the art of one layer, in the host's order (top to bottom, depth first).
  virtual Err LayerArtSet(LayerHandle layer, ArtSetHandle set) = 0;
  virtual Err CountArtSet(ArtSetHandle set, std::int32_t& out) = 0;
  virtual Err IndexArtSet(ArtSetHandle set, std::int32_t index, ArtHandle& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// Layers

class LayerSuite {
 public:
  virtual ~LayerSuite() = default;
  virtual Err CountLayers(std::int32_t& out) = 0;  // top-level layers
  // First (topmost) top-level layer; nullptr when there is none.
  virtual Err GetFirstLayer(LayerHandle& out) = 0;
  // Next top-level layer below; nullptr at the end.
  virtual Err GetNextLayer(LayerHandle layer, LayerHandle& out) = 0;
  // Next layer in pre-order: sublayers follow their parent; nullptr at the end.
  virtual Err GetNextPreorderLayer(LayerHandle layer, LayerHandle& out) = 0;
  virtual Err GetCurrentLayer(LayerHandle& out) = 0;
  virtual Err SetCurrentLayer(LayerHandle layer) = 0;
  // Inserts a new layer relative to `prep`: Above / Below a layer, or, with prep == nullptr,
  // Above all / Below all; InsideOnBottom puts a sublayer at the bottom of `prep`.
  virtual Err InsertLayer(LayerHandle prep, PaintOrder order, LayerHandle& out) = 0;
  virtual Err DeleteLayer(LayerHandle layer) = 0;
  virtual Err GetLayerTitle(LayerHandle layer, std::string& utf8) = 0;
  virtual Err SetLayerTitle(LayerHandle layer, const std::string& utf8) = 0;
  virtual Err GetLayerVisible(LayerHandle layer, bool& out) = 0;
  virtual Err SetLayerVisible(LayerHandle layer, bool visible) = 0;
  virtual Err GetLayerEditable(LayerHandle layer, bool& out) = 0;
  virtual Err SetLayerEditable(LayerHandle layer, bool editable) = 0;
  virtual Err LayerHasSelectedArt(LayerHandle layer, bool& out) = 0;
  virtual Err DeselectArtOnLayer(LayerHandle layer) = 0;
  // The group art that holds the layer's contents.
  virtual Err GetLayerGroup(LayerHandle layer, ArtHandle& out) = 0;
  // The parent layer of a sublayer; nullptr for a top-level layer.
  virtual Err GetLayerParent(LayerHandle layer, LayerHandle& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// Paths and their style

class PathSuite {
 public:
  virtual ~PathSuite() = default;
  virtual Err GetPathSegmentCount(ArtHandle path, std::int32_t& out) = 0;
  // Reads `count` segments starting at `first` into out[0..count).
  virtual Err GetPathSegments(ArtHandle path, std::int32_t first, std::int32_t count, PathSegment* out) = 0;
  // Replaces all segments.
  virtual Err SetPathSegments(ArtHandle path, std::int32_t count, const PathSegment* segments) = 0;
  virtual Err GetPathClosed(ArtHandle path, bool& out) = 0;
  virtual Err SetPathClosed(ArtHandle path, bool closed) = 0;
  virtual Err GetPathGuide(ArtHandle path, bool& out) = 0;
  virtual Err SetPathGuide(ArtHandle path, bool guide) = 0;
  // Clipping flag of a path or compound path.
  virtual Err GetPathIsClip(ArtHandle art, bool& out) = 0;
  virtual Err SetPathIsClip(ArtHandle art, bool clip) = 0;
  // Signed area in square points: positive for clockwise paths (v up), negative for counter-clockwise.
  virtual Err GetPathArea(ArtHandle path, double& out) = 0;
  // Length in points, curves flattened until no chord is farther than `flatness` from the curve.
  virtual Err GetPathLength(ArtHandle path, double& out, double flatness) = 0;
  // The Bezier from segment `index` to the next (the last to the first when closed).
  virtual Err GetPathBezier(ArtHandle path, std::int32_t index, RealBezier& out) = 0;
};

enum class ColorKind : std::int32_t { None = 0, Gray = 1, Cmyk = 2, Rgb = 3 };

// A process colour; components are 0 to 1.
struct Color {
  ColorKind kind = ColorKind::None;
  double gray = 0;
  double c = 0, m = 0, y = 0, k = 0;
  double r = 0, g = 0, b = 0;
  static Color Cmyk(double c_, double m_, double y_, double k_) {
    Color x;
    x.kind = ColorKind::Cmyk;
    x.c = c_, x.m = m_, x.y = y_, x.k = k_;
    return x;
  }
  static Color Rgb(double r_, double g_, double b_) {
    Color x;
    x.kind = ColorKind::Rgb;
    x.r = r_, x.g = g_, x.b = b_;
    return x;
  }
  friend bool operator==(const Color&, const Color&) = default;
};

enum class LineCap : std::int32_t { Butt = 0, Round = 1, Projecting = 2 };
enum class LineJoin : std::int32_t { Miter = 0, Round = 1, Bevel = 2 };

constexpr int kMaxDashes = 6;

struct FillStyle {
  Color color;
  bool overprint = false;
  friend bool operator==(const FillStyle&, const FillStyle&) = default;
};

struct StrokeStyle {
  Color color;
  bool overprint = false;
  double width = 1.0;  // points
  std::int32_t dashCount = 0;
  std::array<double, kMaxDashes> dashes{};
  double dashOffset = 0;
  LineCap cap = LineCap::Butt;
  LineJoin join = LineJoin::Miter;
  double miterLimit = 4.0;
  friend bool operator==(const StrokeStyle&, const StrokeStyle&) = default;
};

struct PathStyle {
  bool fillPaint = true;
  FillStyle fill;
  bool strokePaint = false;
  StrokeStyle stroke;
  bool evenOdd = false;
  friend bool operator==(const PathStyle&, const PathStyle&) = default;
};

class PathStyleSuite {
 public:
  virtual ~PathStyleSuite() = default;
  virtual Err GetPathStyle(ArtHandle art, PathStyle& out) = 0;
  virtual Err SetPathStyle(ArtHandle art, const PathStyle& style) = 0;
};

class BlendStyleSuite {
 public:
  virtual ~BlendStyleSuite() = default;
  // Opacity 0 to 1.
  virtual Err GetOpacity(ArtHandle art, double& out) = 0;
  virtual Err SetOpacity(ArtHandle art, double opacity) = 0;
};

class RealBezierSuite {
 public:
  virtual ~RealBezierSuite() = default;
  // The point at parameter t in [0, 1].
  virtual RealPoint PointAt(const RealBezier& b, double t) = 0;
  // Arc length in points, to within `flatness` points.
  virtual double Length(const RealBezier& b, double flatness) = 0;
};

class RealMathSuite {
 public:
  virtual ~RealMathSuite() = default;
  // True when a and b are within `tolerance` points in both h and v.
  virtual bool PointClose(const RealPoint& a, const RealPoint& b, double tolerance) = 0;
};

class ShapeConstructionSuite {
 public:
  virtual ~ShapeConstructionSuite() = default;
  // A closed ellipse path of `width` × `height` points centred on `centre`, made in the current
  // layer on top; `reversed` draws it clockwise.
  virtual Err NewEllipse(const RealPoint& centre, double width, double height, bool reversed, ArtHandle& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// Text

enum class TextFrameKind : std::int32_t { Point = 0, Area = 1, OnPath = 2 };
enum class TextOrientation : std::int32_t { Horizontal = 0, Vertical = 1 };
enum class Justification : std::int32_t { Left = 0, Right = 1, Center = 2, FullLastLineLeft = 3 };

class TextFrameSuite {
 public:
  virtual ~TextFrameSuite() = default;
  // New point text with its anchor (baseline start) at `anchor`.
  virtual Err NewPointText(PaintOrder order, ArtHandle prep, TextOrientation orientation, const RealPoint& anchor,
                           ArtHandle& out) = 0;
  virtual Err GetFrameKind(ArtHandle frame, TextFrameKind& out) = 0;
  virtual Err GetPointTextAnchor(ArtHandle frame, RealPoint& out) = 0;
};

// The whole text of one frame as a range.
class TextRangeSuite {
 public:
  virtual ~TextRangeSuite() = default;
  // Number of UTF-16 code units.
  virtual Err GetSize(ArtHandle frame, std::int32_t& out) = 0;
  virtual Err GetContents(ArtHandle frame, std::u16string& out) = 0;
  // Inserts at the end of the frame's text.
  virtual Err InsertAfter(ArtHandle frame, const std::u16string& text) = 0;
  virtual Err SetFillColor(ArtHandle frame, const Color& color) = 0;
  virtual Err GetFillColor(ArtHandle frame, Color& out) = 0;
  virtual Err SetFontSize(ArtHandle frame, double points) = 0;
  virtual Err GetFontSize(ArtHandle frame, double& out) = 0;
  virtual Err SetJustification(ArtHandle frame, Justification j) = 0;
  virtual Err GetJustification(ArtHandle frame, Justification& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// Tags: named 8-bit text values on art (the text is kept byte for byte).

class TagSuite {
 public:
  virtual ~TagSuite() = default;
  virtual Err SetTag(ArtHandle art, const std::string& name, const std::string& type, const std::string& value) = 0;
  virtual Err GetTag(ArtHandle art, const std::string& name, std::string& value) = 0;
  virtual Err GetTagType(ArtHandle art, const std::string& name, std::string& type) = 0;
  virtual Err CountTags(ArtHandle art, std::int32_t& out) = 0;
  virtual Err GetNthTag(ArtHandle art, std::int32_t index, std::string& name) = 0;
  virtual Err RemoveTag(ArtHandle art, const std::string& name) = 0;
};

// Makes new dictionaries and arrays that belong to no art yet.
class DictionarySuite {
 public:
  virtual ~DictionarySuite() = default;
  virtual Err NewDictionary(DictionaryRef& out) = 0;
  virtual Err NewArray(ArrayRef& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// Document

class DocumentSuite {
 public:
  virtual ~DocumentSuite() = default;
  // The current document; kNoDocument (and nullptr) when none is open.
  virtual Err GetDocument(DocumentHandle& out) = 0;
  // The artboard in document points.
  virtual Err GetDocumentBounds(RealRect& out) = 0;
  // The document's file; empty when it was never saved.
  virtual Err GetDocumentFile(std::filesystem::path& out) = 0;
  virtual Err SuspendTextReflow() = 0;
  virtual Err ResumeTextReflow() = 0;
};

// ---------------------------------------------------------------------------------------------
// Menus, panels, notifiers

enum MenuOption : std::uint32_t { kMenuWantsUpdate = 1u << 0 };

class MenuSuite {
 public:
  virtual ~MenuSuite() = default;
  // Adds an item to the named group; `keyName` may be empty.
  virtual Err AddMenuItem(PluginRef plugin, const std::string& keyName, const std::string& group,
                          const std::string& text, std::uint32_t options, MenuItemHandle& out) = 0;
  // Makes a new group that is the submenu of `item`.
  virtual Err AddMenuGroupAsSubMenu(const std::string& name, MenuItemHandle item, MenuGroupHandle& out) = 0;
  virtual Err CountMenuGroups(std::int32_t& out) = 0;
  virtual Err GetNthMenuGroup(std::int32_t index, MenuGroupHandle& out) = 0;
  virtual Err GetMenuGroupName(MenuGroupHandle group, std::string& out) = 0;
  virtual Err CheckItem(MenuItemHandle item, bool checked) = 0;
  virtual Err IsItemChecked(MenuItemHandle item, bool& out) = 0;
  virtual Err GetItemText(MenuItemHandle item, std::string& out) = 0;
};

class PanelFlyoutMenuSuite {
 public:
  virtual ~PanelFlyoutMenuSuite() = default;
  virtual Err Create(FlyoutMenuHandle& out) = 0;
  virtual Err Destroy(FlyoutMenuHandle menu) = 0;
  virtual Err AppendItem(FlyoutMenuHandle menu, std::int32_t id, const std::string& text) = 0;
  virtual Err AppendSeparator(FlyoutMenuHandle menu, std::int32_t id) = 0;
  virtual Err SetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool enabled) = 0;
  virtual Err GetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool& out) = 0;
};

struct PanelSize {
  double width = 0;
  double height = 0;
};

// Plain functions: the host keeps them, and a callable object made by the plug-in would lead back
// into the plug-in's code after its module is gone. They throw nothing.
using PanelFlyoutDisplayProc = void (*)(PanelHandle);
using PanelFlyoutCommandProc = void (*)(PanelHandle, std::int32_t itemId);
using PanelSizeChangeProc = void (*)(PanelHandle);

class PanelSuite {
 public:
  virtual ~PanelSuite() = default;
  virtual Err Create(PluginRef plugin, const std::string& id, const std::string& title, std::int32_t stateCount,
                     const PanelSize& size, bool resizable, FlyoutMenuHandle flyout, void* userData,
                     PanelHandle& out) = 0;
  virtual Err Destroy(PanelHandle panel) = 0;
  virtual Err Show(PanelHandle panel, bool show) = 0;
  virtual Err IsShown(PanelHandle panel, bool& out) = 0;
  virtual Err SetUserData(PanelHandle panel, void* data) = 0;
  virtual Err GetUserData(PanelHandle panel, void*& out) = 0;
  virtual Err GetSize(PanelHandle panel, PanelSize& out) = 0;
  virtual Err SetSize(PanelHandle panel, const PanelSize& size) = 0;
  // Size settings: minimum, maximum, preferred constrained and unconstrained sizes.
  virtual Err SetMinimumSize(PanelHandle panel, const PanelSize& size) = 0;
  virtual Err SetMaximumSize(PanelHandle panel, const PanelSize& size) = 0;
  virtual Err SetPreferredSize(PanelHandle panel, const PanelSize& size) = 0;
  // The panel's platform window, which holds the panel's own controls (platform.h).
  virtual Err GetPlatformWindow(PanelHandle panel, WindowHandle& out) = 0;
  virtual Err SetFlyoutMenuPreVisibilityProc(PanelHandle panel, PanelFlyoutDisplayProc proc) = 0;
  virtual Err SetFlyoutMenuProc(PanelHandle panel, PanelFlyoutCommandProc proc) = 0;
  virtual Err SetSizeChangeProc(PanelHandle panel, PanelSizeChangeProc proc) = 0;
};

class NotifierSuite {
 public:
  virtual ~NotifierSuite() = default;
  // The host sends "AI Notifier"/"AI Notify" messages of `type` to the plug-in from now on.
  virtual Err AddNotifier(PluginRef plugin, const std::string& name, const std::string& type, NotifierHandle& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// Preferences, by prefix and key

class PreferenceSuite {
 public:
  virtual ~PreferenceSuite() = default;
  // Each getter answers kNotFound (and leaves `out` alone) when the key is not stored or holds
  // another type.
  virtual Err GetInteger(const std::string& prefix, const std::string& key, std::int32_t& out) = 0;
  virtual Err PutInteger(const std::string& prefix, const std::string& key, std::int32_t value) = 0;
  virtual Err GetBoolean(const std::string& prefix, const std::string& key, bool& out) = 0;
  virtual Err PutBoolean(const std::string& prefix, const std::string& key, bool value) = 0;
  virtual Err GetReal(const std::string& prefix, const std::string& key, double& out) = 0;
  virtual Err PutReal(const std::string& prefix, const std::string& key, double value) = 0;
  virtual Err GetString(const std::string& prefix, const std::string& key, std::string& utf8) = 0;
  virtual Err PutString(const std::string& prefix, const std::string& key, const std::string& utf8) = 0;
  virtual Err GetFilePath(const std::string& prefix, const std::string& key, std::filesystem::path& out) = 0;
  virtual Err PutFilePath(const std::string& prefix, const std::string& key, const std::filesystem::path& value) = 0;
};

// ---------------------------------------------------------------------------------------------
// The user

struct FileFilter {
  std::string label;    // "Shapefiles(*.shp)"
  std::string pattern;  // "*.shp"; several patterns separated by ';'
};

class DialogHandler;

struct OpenFileRequest {
  std::string title;
  std::vector<FileFilter> filters;
  std::string defaultExtension;  // without the dot
  bool allowMultiple = false;
  std::filesystem::path folder;  // start here when it exists
  // A child area added below the dialog, built from a dialog template of the plug-in; its handler
  // sees Init when the dialog opens and FileOk (a command with id kIdFileOk) when the user confirms.
  std::int32_t childTemplate = 0;
  DialogHandler* childHandler = nullptr;
};

struct SaveFileRequest {
  std::string title;
  std::vector<FileFilter> filters;
  std::string defaultExtension;
  std::filesystem::path folder;
  std::string defaultName;
};

class UserSuite {
 public:
  virtual ~UserSuite() = default;
  // Alerts are parented to the open modal dialog, if any, else to the application window.
  virtual Err MessageAlert(const std::string& utf8) = 0;
  virtual Err WarningAlert(const std::string& utf8) = 0;
  virtual Err ErrorAlert(const std::string& utf8) = 0;
  // True for yes.
  virtual bool YesNoAlert(const std::string& utf8) = 0;
  virtual Err SetProgressText(const std::string& utf8) = 0;
  // Progress `current` of `max`.
  virtual Err UpdateProgress(std::int64_t current, std::int64_t max) = 0;
  virtual Err CloseProgress() = 0;
  // True once the user has asked to cancel the running command.
  virtual bool Cancelled() = 0;
  // Open-file dialog; kStop when cancelled. `out` receives the chosen files in dialog order.
  virtual Err GetOpenFiles(const OpenFileRequest& request, std::vector<std::filesystem::path>& out) = 0;
  virtual Err GetSaveFile(const SaveFileRequest& request, std::filesystem::path& out) = 0;
  virtual Err ChooseFolder(const std::string& title, const std::filesystem::path& start,
                           std::filesystem::path& out) = 0;
  // Opens a web address with the system's default handler ("open").
  virtual Err OpenUrl(const std::string& url) = 0;
};

class ModalParentSuite {
 public:
  virtual ~ModalParentSuite() = default;
  // The window alerts and dialogs are parented to: the open modal dialog, or the application.
  virtual Err GetModalParent(WindowHandle& out) = 0;
  virtual Err GetApplicationWindow(WindowHandle& out) = 0;
};

class ContextSuite {
 public:
  virtual ~ContextSuite() = default;
  virtual Err PushAppContext(PluginRef plugin, ContextHandle& out) = 0;
  virtual Err PopAppContext(ContextHandle context) = 0;
};

// A theme colour: an unused first component, then red, green, blue, each 0 to 1.
using ThemeColor = std::array<double, 4>;

class UIThemeSuite {
 public:
  virtual ~UIThemeSuite() = default;
  virtual Err GetUIThemeColor(std::int32_t selector, std::int32_t kind, ThemeColor& out) = 0;
};

// ---------------------------------------------------------------------------------------------
// The plug-in itself

class AccessSuite {
 public:
  virtual ~AccessSuite() = default;
  // Keeps the plug-in's module loaded while the access handle is held.
  virtual Err AcquirePlugin(PluginRef plugin, AccessRef& out) = 0;
  virtual Err ReleasePlugin(AccessRef access) = 0;
};

class PluginsSuite {
 public:
  virtual ~PluginsSuite() = default;
  virtual Err SetPluginName(PluginRef plugin, const std::string& name) = 0;
  virtual Err GetPluginName(PluginRef plugin, std::string& out) = 0;
  // The plug-in's own file; its folder holds the files that ship with it.
  virtual Err GetPluginFileSpecification(PluginRef plugin, std::filesystem::path& out) = 0;
};

}  // namespace vx::host
