#include "shell/host/c_adapters.h"

#include "shell/host/c_handlers.h"
#include "shell/host/slots.h"

#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace vx::host {

// The entry's messages are C records.
static_assert(sizeof(MessageData) == sizeof(VxMessageData) &&
              offsetof(MessageData, basic) == offsetof(VxMessageData, basic));
static_assert(sizeof(NotifierMessage) == sizeof(VxNotifierMessage) &&
              offsetof(NotifierMessage, type) == offsetof(VxNotifierMessage, type) &&
              offsetof(NotifierMessage, notifyData) == offsetof(VxNotifierMessage, notifyData));
static_assert(sizeof(MenuMessage) == sizeof(VxMenuMessage) &&
              offsetof(MenuMessage, menuItem) == offsetof(VxMenuMessage, menuItem));
static_assert(std::is_standard_layout_v<PathSegment> && std::is_standard_layout_v<ControlTemplate> &&
              std::is_trivially_copyable_v<PathSegment> && std::is_trivially_copyable_v<ControlTemplate>);

namespace cabi {

// ----- records

VxColor ColorToC(const Color& c) {
  return VxColor{static_cast<std::int32_t>(c.kind), c.gray, c.c, c.m, c.y, c.k, c.r, c.g, c.b};
}

Color ColorFromC(const VxColor& c) {
  Color x;
  x.kind = static_cast<ColorKind>(c.kind);
  x.gray = c.gray;
  x.c = c.c, x.m = c.m, x.y = c.y, x.k = c.k;
  x.r = c.r, x.g = c.g, x.b = c.b;
  return x;
}

VxPathStyle PathStyleToC(const PathStyle& s) {
  VxPathStyle c{};
  c.fillPaint = s.fillPaint;
  c.fillColor = ColorToC(s.fill.color);
  c.fillOverprint = s.fill.overprint;
  c.strokePaint = s.strokePaint;
  c.strokeColor = ColorToC(s.stroke.color);
  c.strokeOverprint = s.stroke.overprint;
  c.width = s.stroke.width;
  c.dashCount = s.stroke.dashCount;
  for (int i = 0; i < kMaxDashes; ++i) c.dashes[i] = s.stroke.dashes[static_cast<std::size_t>(i)];
  c.dashOffset = s.stroke.dashOffset;
  c.cap = static_cast<std::int32_t>(s.stroke.cap);
  c.join = static_cast<std::int32_t>(s.stroke.join);
  c.miterLimit = s.stroke.miterLimit;
  c.evenOdd = s.evenOdd;
  return c;
}

PathStyle PathStyleFromC(const VxPathStyle& c) {
  PathStyle s;
  s.fillPaint = c.fillPaint;
  s.fill.color = ColorFromC(c.fillColor);
  s.fill.overprint = c.fillOverprint;
  s.strokePaint = c.strokePaint;
  s.stroke.color = ColorFromC(c.strokeColor);
  s.stroke.overprint = c.strokeOverprint;
  s.stroke.width = c.width;
  s.stroke.dashCount = c.dashCount;
  for (int i = 0; i < kMaxDashes; ++i) s.stroke.dashes[static_cast<std::size_t>(i)] = c.dashes[i];
  s.stroke.dashOffset = c.dashOffset;
  s.stroke.cap = static_cast<LineCap>(c.cap);
  s.stroke.join = static_cast<LineJoin>(c.join);
  s.stroke.miterLimit = c.miterLimit;
  s.evenOdd = c.evenOdd;
  return s;
}

namespace {

// ----- dictionaries and arrays: the host's handles, one reference each

// The operations of the host's dictionaries, known once the dictionary suite is acquired.
const VxDictionarySuite* gDictionaries = nullptr;

template <class F>
F DictionaryFn(F VxDictionarySuite::*f) {
  return gDictionaries ? gDictionaries->*f : nullptr;
}

Entry EntryFromC(const VxEntry& e);
DictionaryRef AdoptDictionary(VxDict h);
ArrayRef AdoptArray(VxArray h);
// The host's handle of a dictionary or array the plug-in got from the host; nullptr for others.
VxDict HandleOf(const Dictionary* d);
VxArray HandleOf(const Array* a);

}  // namespace

// Dictionaries and arrays coming out hold one reference, which the plug-in's object takes over.
template <class Ref, class H, Ref (*Adopt)(H)>
struct AdoptingToC {
  explicit AdoptingToC(Ref& r) : r_(r) {}
  H* c() { return &h_; }
  void Done(bool ok) {
    if (h_)
      r_ = Adopt(h_);
    else if (ok)
      r_ = nullptr;
  }
  bool Failed() const { return false; }
  Ref& r_;
  H h_ = nullptr;
};
template <>
struct ToC<DictionaryRef&, VxDict*> : AdoptingToC<DictionaryRef, VxDict, &AdoptDictionary> {
  using AdoptingToC::AdoptingToC;
};
template <>
struct ToC<ArrayRef&, VxArray*> : AdoptingToC<ArrayRef, VxArray, &AdoptArray> {
  using AdoptingToC::AdoptingToC;
};

// An entry going in lends the host its text and handles. A dictionary or array the host did not
// make has no handle: the host refuses the null one.
template <>
struct ToC<const Entry&, const VxEntry*> {
  explicit ToC(const Entry& e) {
    struct Handles {
      VxArray operator()(const ArrayRef& a) const { return HandleOf(a.get()); }
      VxDict operator()(const DictionaryRef& d) const { return HandleOf(d.get()); }
    };
    v_ = EntryToC(e, text_, Handles{});
  }
  const VxEntry* c() const { return &v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  VxEntry v_{};
  std::string text_;
};
template <>
struct ToC<Entry&, const VxEntrySink*> : SinkBase {
  explicit ToC(Entry& r) : r_(r), sink_{this, &Thunk} {}
  ToC(const ToC&) = delete;
  ToC& operator=(const ToC&) = delete;
  const VxEntrySink* c() const { return &sink_; }
  void Done(bool) {}
  static void Thunk(void* ctx, const VxEntry* e) noexcept {
    auto* self = static_cast<ToC*>(ctx);
    try {
      if (e) self->r_ = EntryFromC(*e);
    } catch (...) {
      self->failed = true;
    }
  }
  Entry& r_;
  VxEntrySink sink_;
};

namespace {

class DictionaryOverC final : public Dictionary {
 public:
  explicit DictionaryOverC(VxDict h) : h_(h) {}
  ~DictionaryOverC() override {
    if (auto release = DictionaryFn(&VxDictionarySuite::ReleaseDictionary)) release(h_);
  }
  DictionaryOverC(const DictionaryOverC&) = delete;
  DictionaryOverC& operator=(const DictionaryOverC&) = delete;
  VxDict Handle() const { return h_; }

  bool IsKnown(const std::string& key) const override {
    return CallOn<&Dictionary::IsKnown>(DictionaryFn(&VxDictionarySuite::IsKnown), h_, key);
  }
  Err Get(const std::string& key, Entry& out) const override {
    return CallOn<&Dictionary::Get>(DictionaryFn(&VxDictionarySuite::Get), h_, key, out);
  }
  Err Set(const std::string& key, const Entry& e) override {
    return CallOn<&Dictionary::Set>(DictionaryFn(&VxDictionarySuite::Set), h_, key, e);
  }
  Err Delete(const std::string& key) override {
    return CallOn<&Dictionary::Delete>(DictionaryFn(&VxDictionarySuite::Delete), h_, key);
  }
  std::vector<std::string> Keys() const override {
    std::vector<std::string> keys;
    auto keysFn = DictionaryFn(&VxDictionarySuite::Keys);
    if (!keysFn) return keys;
    struct Sink : TextSinkOf<Sink, char, VxTextSink> {
      explicit Sink(std::vector<std::string>& k) : keys(k) {}
      void Put(const char* d, std::size_t n) { keys.emplace_back(d, n); }
      std::vector<std::string>& keys;
    } sink(keys);
    if (keysFn(h_, sink.c()) != kNoErr || sink.Failed()) keys.clear();
    return keys;
  }

 private:
  VxDict h_;
};

class ArrayOverC final : public Array {
 public:
  explicit ArrayOverC(VxArray h) : h_(h) {}
  ~ArrayOverC() override {
    if (auto release = DictionaryFn(&VxDictionarySuite::ReleaseArray)) release(h_);
  }
  ArrayOverC(const ArrayOverC&) = delete;
  ArrayOverC& operator=(const ArrayOverC&) = delete;
  VxArray Handle() const { return h_; }

  std::int32_t Count() const override {
    auto count = DictionaryFn(&VxDictionarySuite::ArrayCount);
    return count ? count(h_) : 0;
  }
  Err Get(std::int32_t index, Entry& out) const override {
    return CallOn<&Array::Get>(DictionaryFn(&VxDictionarySuite::ArrayGet), h_, index, out);
  }
  Err Set(std::int32_t index, const Entry& e) override {
    return CallOn<&Array::Set>(DictionaryFn(&VxDictionarySuite::ArraySet), h_, index, e);
  }
  Err Insert(std::int32_t index, const Entry& e) override {
    return CallOn<&Array::Insert>(DictionaryFn(&VxDictionarySuite::ArrayInsert), h_, index, e);
  }
  Err Append(const Entry& e) override {
    return CallOn<&Array::Append>(DictionaryFn(&VxDictionarySuite::ArrayAppend), h_, e);
  }
  Err Remove(std::int32_t index) override {
    return CallOn<&Array::Remove>(DictionaryFn(&VxDictionarySuite::ArrayRemove), h_, index);
  }
  Err Clear() override { return CallOn<&Array::Clear>(DictionaryFn(&VxDictionarySuite::ArrayClear), h_); }

 private:
  VxArray h_;
};

VxDict HandleOf(const Dictionary* d) {
  auto* c = dynamic_cast<const DictionaryOverC*>(d);
  return c ? c->Handle() : nullptr;
}
VxArray HandleOf(const Array* a) {
  auto* c = dynamic_cast<const ArrayOverC*>(a);
  return c ? c->Handle() : nullptr;
}

// Takes over the reference `h` holds.
DictionaryRef AdoptDictionary(VxDict h) {
  if (!h) return nullptr;
  try {
    return std::make_shared<DictionaryOverC>(h);
  } catch (...) {
    if (auto release = DictionaryFn(&VxDictionarySuite::ReleaseDictionary)) release(h);
    throw;
  }
}
ArrayRef AdoptArray(VxArray h) {
  if (!h) return nullptr;
  try {
    return std::make_shared<ArrayOverC>(h);
  } catch (...) {
    if (auto release = DictionaryFn(&VxDictionarySuite::ReleaseArray)) release(h);
    throw;
  }
}

// An entry the host lent: the handles in it are retained for the plug-in's own.
Entry EntryFromC(const VxEntry& e) {
  switch (static_cast<EntryType>(e.type)) {
    case EntryType::Integer:
      return Entry::Integer(e.integer);
    case EntryType::Boolean:
      return Entry::Boolean(e.boolean);
    case EntryType::Real:
      return Entry::Real(e.real);
    case EntryType::String:
      return Entry::String(StringOf(e.string));
    case EntryType::Array: {
      auto retain = DictionaryFn(&VxDictionarySuite::RetainArray);
      return Entry::FromArray(AdoptArray(retain && e.array ? retain(e.array) : nullptr));
    }
    case EntryType::Dictionary: {
      auto retain = DictionaryFn(&VxDictionarySuite::RetainDictionary);
      return Entry::FromDictionary(AdoptDictionary(retain && e.dictionary ? retain(e.dictionary) : nullptr));
    }
  }
  return Entry();
}

}  // namespace

namespace {

// ----- windows and dialog handlers

const VxPlatformSuite* gPlatform = nullptr;

class WindowOverC;
// The plug-in's object for a window of the host; made on first sight, kept while the module is.
Window* WindowFor(WindowHandle h);

// The plug-in's handlers lent to the host, and the host's as the plug-in's.
using OwnHandler = HandlerThunks<&WindowFor>;
struct NoScope {
  explicit NoScope(Window&) {}
};
using HandlerOverC = HandlerOverCOf<NoScope>;

VxDialogHandler HandlerToC(DialogHandler* h) {
  if (auto* c = dynamic_cast<HandlerOverC*>(h)) return c->C();  // back to the host as it came
  return OwnHandler::Lend(h);
}

struct ModuleObjects {
  std::mutex lock;
  std::map<WindowHandle, std::unique_ptr<Window>> windows;
  std::vector<std::unique_ptr<HandlerOverC>> handlers;
};
ModuleObjects& Objects() {
  static ModuleObjects objects;
  return objects;
}

DialogHandler* HandlerFromC(const VxDialogHandler& c) {
  if (IsNoHandler(&c)) return nullptr;
  if (DialogHandler* own = OwnHandler::Own(c)) return own;
  ModuleObjects& o = Objects();
  std::lock_guard<std::mutex> hold(o.lock);
  for (const auto& h : o.handlers)
    if (std::memcmp(&h->C(), &c, sizeof c) == 0) return h.get();
  o.handlers.push_back(std::make_unique<HandlerOverC>(c));
  return o.handlers.back().get();
}

}  // namespace

template <>
struct ToC<DialogHandler&, const VxDialogHandler*> {
  explicit ToC(DialogHandler& h) : v_(HandlerToC(&h)) {}
  const VxDialogHandler* c() const { return &v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  VxDialogHandler v_;
};
template <>
struct ToC<DialogHandler*, const VxDialogHandler*> {
  explicit ToC(DialogHandler* h) : v_(HandlerToC(h)) {}
  const VxDialogHandler* c() const { return v_.ctx ? &v_ : nullptr; }
  void Done(bool) {}
  bool Failed() const { return false; }
  VxDialogHandler v_;
};
template <>
struct ToC<DialogHandler*&, VxDialogHandler*> {
  explicit ToC(DialogHandler*& r) : r_(r) {}
  VxDialogHandler* c() { return &v_; }
  void Done(bool ok) {
    if (ok) r_ = HandlerFromC(v_);
  }
  bool Failed() const { return false; }
  DialogHandler*& r_;
  VxDialogHandler v_{};
};
template <>
struct ToC<Window*&, VxWindow*> {
  explicit ToC(Window*& r) : r_(r) {}
  VxWindow* c() { return &h_; }
  void Done(bool ok) { r_ = ok && h_ ? WindowFor(h_) : nullptr; }
  bool Failed() const { return false; }
  Window*& r_;
  VxWindow h_ = nullptr;
};

// The requests of the file dialogs, lent to the host for the call.
struct FiltersToC {
  explicit FiltersToC(const std::vector<FileFilter>& filters) {
    items.reserve(filters.size());
    for (const FileFilter& f : filters) items.push_back(VxFileFilter{StrOf(f.label), StrOf(f.pattern)});
  }
  std::vector<VxFileFilter> items;
};
template <>
struct ToC<const OpenFileRequest&, const VxOpenFileRequest*> {
  explicit ToC(const OpenFileRequest& r)
      : filters_(r.filters), folder_(PathToUtf8(r.folder)), handler_(HandlerToC(r.childHandler)) {
    v_.title = StrOf(r.title);
    v_.filters = filters_.items.data();
    v_.filterCount = filters_.items.size();
    v_.defaultExtension = StrOf(r.defaultExtension);
    v_.allowMultiple = r.allowMultiple;
    v_.folder = StrOf(folder_);
    v_.childTemplate = r.childTemplate;
    v_.childHandler = r.childHandler ? &handler_ : nullptr;
  }
  ToC(const ToC&) = delete;
  ToC& operator=(const ToC&) = delete;
  const VxOpenFileRequest* c() const { return &v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  FiltersToC filters_;
  std::string folder_;
  VxDialogHandler handler_;
  VxOpenFileRequest v_{};
};
template <>
struct ToC<const SaveFileRequest&, const VxSaveFileRequest*> {
  explicit ToC(const SaveFileRequest& r) : filters_(r.filters), folder_(PathToUtf8(r.folder)) {
    v_.title = StrOf(r.title);
    v_.filters = filters_.items.data();
    v_.filterCount = filters_.items.size();
    v_.defaultExtension = StrOf(r.defaultExtension);
    v_.folder = StrOf(folder_);
    v_.defaultName = StrOf(r.defaultName);
  }
  ToC(const ToC&) = delete;
  ToC& operator=(const ToC&) = delete;
  const VxSaveFileRequest* c() const { return &v_; }
  void Done(bool) {}
  bool Failed() const { return false; }
  FiltersToC filters_;
  std::string folder_;
  VxSaveFileRequest v_{};
};

namespace {

// ----- the suites

// A member function of the suite's class as a call of the table's function of the same name.
#define VX_CALL(f, ...) Call<&Interface::f>(t_->f __VA_OPT__(, ) __VA_ARGS__)
#define VX_CALL_ON(f, ...) CallOn<&Interface::f>(t_->f, h_ __VA_OPT__(, ) __VA_ARGS__)

class ArtSuiteOverC final : public ArtSuite {
 public:
  using Interface = ArtSuite;
  const VxArtSuite* t_ = nullptr;
  Err NewArt(ArtType type, PaintOrder order, ArtHandle prep, ArtHandle& out) override {
    return VX_CALL(NewArt, type, order, prep, out);
  }
  Err DisposeArt(ArtHandle art) override { return VX_CALL(DisposeArt, art); }
  Err ReorderArt(ArtHandle art, PaintOrder order, ArtHandle prep) override {
    return VX_CALL(ReorderArt, art, order, prep);
  }
  Err GetArtType(ArtHandle art, ArtType& out) override { return VX_CALL(GetArtType, art, out); }
  Err GetArtParent(ArtHandle art, ArtHandle& out) override { return VX_CALL(GetArtParent, art, out); }
  Err GetArtFirstChild(ArtHandle art, ArtHandle& out) override { return VX_CALL(GetArtFirstChild, art, out); }
  Err GetArtSibling(ArtHandle art, ArtHandle& out) override { return VX_CALL(GetArtSibling, art, out); }
  Err GetArtBounds(ArtHandle art, RealRect& out) override { return VX_CALL(GetArtBounds, art, out); }
  Err GetArtUserAttr(ArtHandle art, std::uint32_t which, std::uint32_t& out) override {
    return VX_CALL(GetArtUserAttr, art, which, out);
  }
  Err SetArtUserAttr(ArtHandle art, std::uint32_t which, std::uint32_t value) override {
    return VX_CALL(SetArtUserAttr, art, which, value);
  }
  Err GetDictionary(ArtHandle art, DictionaryRef& out) override { return VX_CALL(GetDictionary, art, out); }
  bool HasDictionary(ArtHandle art) override { return VX_CALL(HasDictionary, art); }
  Err GetLayerOfArt(ArtHandle art, LayerHandle& out) override { return VX_CALL(GetLayerOfArt, art, out); }
  Err IsLayerGroup(ArtHandle art, bool& out) override { return VX_CALL(IsLayerGroup, art, out); }
  bool ValidArt(ArtHandle art) override { return VX_CALL(ValidArt, art); }
};

class ArtSetSuiteOverC final : public ArtSetSuite {
 public:
  using Interface = ArtSetSuite;
  const VxArtSetSuite* t_ = nullptr;
  Err NewArtSet(ArtSetHandle& out) override { return VX_CALL(NewArtSet, out); }
  Err DisposeArtSet(ArtSetHandle& set) override { return VX_CALL(DisposeArtSet, set); }
  Err SelectedArtSet(ArtSetHandle set) override { return VX_CALL(SelectedArtSet, set); }
  Err LayerArtSet(LayerHandle layer, ArtSetHandle set) override { return VX_CALL(LayerArtSet, layer, set); }
  Err CountArtSet(ArtSetHandle set, std::int32_t& out) override { return VX_CALL(CountArtSet, set, out); }
  Err IndexArtSet(ArtSetHandle set, std::int32_t index, ArtHandle& out) override {
    return VX_CALL(IndexArtSet, set, index, out);
  }
};

class LayerSuiteOverC final : public LayerSuite {
 public:
  using Interface = LayerSuite;
  const VxLayerSuite* t_ = nullptr;
  Err CountLayers(std::int32_t& out) override { return VX_CALL(CountLayers, out); }
  Err GetFirstLayer(LayerHandle& out) override { return VX_CALL(GetFirstLayer, out); }
  Err GetNextLayer(LayerHandle layer, LayerHandle& out) override { return VX_CALL(GetNextLayer, layer, out); }
  Err GetNextPreorderLayer(LayerHandle layer, LayerHandle& out) override {
    return VX_CALL(GetNextPreorderLayer, layer, out);
  }
  Err GetCurrentLayer(LayerHandle& out) override { return VX_CALL(GetCurrentLayer, out); }
  Err SetCurrentLayer(LayerHandle layer) override { return VX_CALL(SetCurrentLayer, layer); }
  Err InsertLayer(LayerHandle prep, PaintOrder order, LayerHandle& out) override {
    return VX_CALL(InsertLayer, prep, order, out);
  }
  Err DeleteLayer(LayerHandle layer) override { return VX_CALL(DeleteLayer, layer); }
  Err GetLayerTitle(LayerHandle layer, std::string& utf8) override { return VX_CALL(GetLayerTitle, layer, utf8); }
  Err SetLayerTitle(LayerHandle layer, const std::string& utf8) override { return VX_CALL(SetLayerTitle, layer, utf8); }
  Err GetLayerVisible(LayerHandle layer, bool& out) override { return VX_CALL(GetLayerVisible, layer, out); }
  Err SetLayerVisible(LayerHandle layer, bool visible) override { return VX_CALL(SetLayerVisible, layer, visible); }
  Err GetLayerEditable(LayerHandle layer, bool& out) override { return VX_CALL(GetLayerEditable, layer, out); }
  Err SetLayerEditable(LayerHandle layer, bool editable) override { return VX_CALL(SetLayerEditable, layer, editable); }
  Err LayerHasSelectedArt(LayerHandle layer, bool& out) override { return VX_CALL(LayerHasSelectedArt, layer, out); }
  Err DeselectArtOnLayer(LayerHandle layer) override { return VX_CALL(DeselectArtOnLayer, layer); }
  Err GetLayerGroup(LayerHandle layer, ArtHandle& out) override { return VX_CALL(GetLayerGroup, layer, out); }
  Err GetLayerParent(LayerHandle layer, LayerHandle& out) override { return VX_CALL(GetLayerParent, layer, out); }
};

class PathSuiteOverC final : public PathSuite {
 public:
  using Interface = PathSuite;
  const VxPathSuite* t_ = nullptr;
  Err GetPathSegmentCount(ArtHandle path, std::int32_t& out) override {
    return VX_CALL(GetPathSegmentCount, path, out);
  }
  Err GetPathSegments(ArtHandle path, std::int32_t first, std::int32_t count, PathSegment* out) override {
    return VX_CALL(GetPathSegments, path, first, count, out);
  }
  Err SetPathSegments(ArtHandle path, std::int32_t count, const PathSegment* segments) override {
    return VX_CALL(SetPathSegments, path, count, segments);
  }
  Err GetPathClosed(ArtHandle path, bool& out) override { return VX_CALL(GetPathClosed, path, out); }
  Err SetPathClosed(ArtHandle path, bool closed) override { return VX_CALL(SetPathClosed, path, closed); }
  Err GetPathGuide(ArtHandle path, bool& out) override { return VX_CALL(GetPathGuide, path, out); }
  Err SetPathGuide(ArtHandle path, bool guide) override { return VX_CALL(SetPathGuide, path, guide); }
  Err GetPathIsClip(ArtHandle art, bool& out) override { return VX_CALL(GetPathIsClip, art, out); }
  Err SetPathIsClip(ArtHandle art, bool clip) override { return VX_CALL(SetPathIsClip, art, clip); }
  Err GetPathArea(ArtHandle path, double& out) override { return VX_CALL(GetPathArea, path, out); }
  Err GetPathLength(ArtHandle path, double& out, double flatness) override {
    return VX_CALL(GetPathLength, path, out, flatness);
  }
  Err GetPathBezier(ArtHandle path, std::int32_t index, RealBezier& out) override {
    return VX_CALL(GetPathBezier, path, index, out);
  }
};

class PathStyleSuiteOverC final : public PathStyleSuite {
 public:
  using Interface = PathStyleSuite;
  const VxPathStyleSuite* t_ = nullptr;
  Err GetPathStyle(ArtHandle art, PathStyle& out) override { return VX_CALL(GetPathStyle, art, out); }
  Err SetPathStyle(ArtHandle art, const PathStyle& style) override { return VX_CALL(SetPathStyle, art, style); }
};

class BlendStyleSuiteOverC final : public BlendStyleSuite {
 public:
  using Interface = BlendStyleSuite;
  const VxBlendStyleSuite* t_ = nullptr;
  Err GetOpacity(ArtHandle art, double& out) override { return VX_CALL(GetOpacity, art, out); }
  Err SetOpacity(ArtHandle art, double opacity) override { return VX_CALL(SetOpacity, art, opacity); }
};

class RealBezierSuiteOverC final : public RealBezierSuite {
 public:
  using Interface = RealBezierSuite;
  const VxRealBezierSuite* t_ = nullptr;
  RealPoint PointAt(const RealBezier& b, double t) override {
    RealPoint p;
    t_->PointAt(&b, t, &p);
    return p;
  }
  double Length(const RealBezier& b, double flatness) override { return VX_CALL(Length, b, flatness); }
};

class RealMathSuiteOverC final : public RealMathSuite {
 public:
  using Interface = RealMathSuite;
  const VxRealMathSuite* t_ = nullptr;
  bool PointClose(const RealPoint& a, const RealPoint& b, double tolerance) override {
    return VX_CALL(PointClose, a, b, tolerance);
  }
};

class ShapeConstructionSuiteOverC final : public ShapeConstructionSuite {
 public:
  using Interface = ShapeConstructionSuite;
  const VxShapeConstructionSuite* t_ = nullptr;
  Err NewEllipse(const RealPoint& centre, double width, double height, bool reversed, ArtHandle& out) override {
    return VX_CALL(NewEllipse, centre, width, height, reversed, out);
  }
};

class TextFrameSuiteOverC final : public TextFrameSuite {
 public:
  using Interface = TextFrameSuite;
  const VxTextFrameSuite* t_ = nullptr;
  Err NewPointText(PaintOrder order, ArtHandle prep, TextOrientation orientation, const RealPoint& anchor,
                   ArtHandle& out) override {
    return VX_CALL(NewPointText, order, prep, orientation, anchor, out);
  }
  Err GetFrameKind(ArtHandle frame, TextFrameKind& out) override { return VX_CALL(GetFrameKind, frame, out); }
  Err GetPointTextAnchor(ArtHandle frame, RealPoint& out) override { return VX_CALL(GetPointTextAnchor, frame, out); }
};

class TextRangeSuiteOverC final : public TextRangeSuite {
 public:
  using Interface = TextRangeSuite;
  const VxTextRangeSuite* t_ = nullptr;
  Err GetSize(ArtHandle frame, std::int32_t& out) override { return VX_CALL(GetSize, frame, out); }
  Err GetContents(ArtHandle frame, std::u16string& out) override { return VX_CALL(GetContents, frame, out); }
  Err InsertAfter(ArtHandle frame, const std::u16string& text) override { return VX_CALL(InsertAfter, frame, text); }
  Err SetFillColor(ArtHandle frame, const Color& color) override { return VX_CALL(SetFillColor, frame, color); }
  Err GetFillColor(ArtHandle frame, Color& out) override { return VX_CALL(GetFillColor, frame, out); }
  Err SetFontSize(ArtHandle frame, double points) override { return VX_CALL(SetFontSize, frame, points); }
  Err GetFontSize(ArtHandle frame, double& out) override { return VX_CALL(GetFontSize, frame, out); }
  Err SetJustification(ArtHandle frame, Justification j) override { return VX_CALL(SetJustification, frame, j); }
  Err GetJustification(ArtHandle frame, Justification& out) override { return VX_CALL(GetJustification, frame, out); }
};

class TagSuiteOverC final : public TagSuite {
 public:
  using Interface = TagSuite;
  const VxTagSuite* t_ = nullptr;
  Err SetTag(ArtHandle art, const std::string& name, const std::string& type, const std::string& value) override {
    return VX_CALL(SetTag, art, name, type, value);
  }
  Err GetTag(ArtHandle art, const std::string& name, std::string& value) override {
    return VX_CALL(GetTag, art, name, value);
  }
  Err GetTagType(ArtHandle art, const std::string& name, std::string& type) override {
    return VX_CALL(GetTagType, art, name, type);
  }
  Err CountTags(ArtHandle art, std::int32_t& out) override { return VX_CALL(CountTags, art, out); }
  Err GetNthTag(ArtHandle art, std::int32_t index, std::string& name) override {
    return VX_CALL(GetNthTag, art, index, name);
  }
  Err RemoveTag(ArtHandle art, const std::string& name) override { return VX_CALL(RemoveTag, art, name); }
};

class DictionarySuiteOverC final : public DictionarySuite {
 public:
  using Interface = DictionarySuite;
  const VxDictionarySuite* t_ = nullptr;
  Err NewDictionary(DictionaryRef& out) override { return VX_CALL(NewDictionary, out); }
  Err NewArray(ArrayRef& out) override { return VX_CALL(NewArray, out); }
};

class DocumentSuiteOverC final : public DocumentSuite {
 public:
  using Interface = DocumentSuite;
  const VxDocumentSuite* t_ = nullptr;
  Err GetDocument(DocumentHandle& out) override { return VX_CALL(GetDocument, out); }
  Err GetDocumentBounds(RealRect& out) override { return VX_CALL(GetDocumentBounds, out); }
  Err GetDocumentFile(std::filesystem::path& out) override { return VX_CALL(GetDocumentFile, out); }
  Err SuspendTextReflow() override { return VX_CALL(SuspendTextReflow); }
  Err ResumeTextReflow() override { return VX_CALL(ResumeTextReflow); }
};

class MenuSuiteOverC final : public MenuSuite {
 public:
  using Interface = MenuSuite;
  const VxMenuSuite* t_ = nullptr;
  Err AddMenuItem(PluginRef plugin, const std::string& keyName, const std::string& group, const std::string& text,
                  std::uint32_t options, MenuItemHandle& out) override {
    return VX_CALL(AddMenuItem, plugin, keyName, group, text, options, out);
  }
  Err AddMenuGroupAsSubMenu(const std::string& name, MenuItemHandle item, MenuGroupHandle& out) override {
    return VX_CALL(AddMenuGroupAsSubMenu, name, item, out);
  }
  Err CountMenuGroups(std::int32_t& out) override { return VX_CALL(CountMenuGroups, out); }
  Err GetNthMenuGroup(std::int32_t index, MenuGroupHandle& out) override {
    return VX_CALL(GetNthMenuGroup, index, out);
  }
  Err GetMenuGroupName(MenuGroupHandle group, std::string& out) override {
    return VX_CALL(GetMenuGroupName, group, out);
  }
  Err CheckItem(MenuItemHandle item, bool checked) override { return VX_CALL(CheckItem, item, checked); }
  Err IsItemChecked(MenuItemHandle item, bool& out) override { return VX_CALL(IsItemChecked, item, out); }
  Err GetItemText(MenuItemHandle item, std::string& out) override { return VX_CALL(GetItemText, item, out); }
};

class PanelFlyoutMenuSuiteOverC final : public PanelFlyoutMenuSuite {
 public:
  using Interface = PanelFlyoutMenuSuite;
  const VxPanelFlyoutMenuSuite* t_ = nullptr;
  Err Create(FlyoutMenuHandle& out) override { return VX_CALL(Create, out); }
  Err Destroy(FlyoutMenuHandle menu) override { return VX_CALL(Destroy, menu); }
  Err AppendItem(FlyoutMenuHandle menu, std::int32_t id, const std::string& text) override {
    return VX_CALL(AppendItem, menu, id, text);
  }
  Err AppendSeparator(FlyoutMenuHandle menu, std::int32_t id) override { return VX_CALL(AppendSeparator, menu, id); }
  Err SetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool enabled) override {
    return VX_CALL(SetItemEnabled, menu, id, enabled);
  }
  Err GetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool& out) override {
    return VX_CALL(GetItemEnabled, menu, id, out);
  }
};

class PanelSuiteOverC final : public PanelSuite {
 public:
  using Interface = PanelSuite;
  const VxPanelSuite* t_ = nullptr;
  Err Create(PluginRef plugin, const std::string& id, const std::string& title, std::int32_t stateCount,
             const PanelSize& size, bool resizable, FlyoutMenuHandle flyout, void* userData,
             PanelHandle& out) override {
    return VX_CALL(Create, plugin, id, title, stateCount, size, resizable, flyout, userData, out);
  }
  Err Destroy(PanelHandle panel) override { return VX_CALL(Destroy, panel); }
  Err Show(PanelHandle panel, bool show) override { return VX_CALL(Show, panel, show); }
  Err IsShown(PanelHandle panel, bool& out) override { return VX_CALL(IsShown, panel, out); }
  Err SetUserData(PanelHandle panel, void* data) override { return VX_CALL(SetUserData, panel, data); }
  Err GetUserData(PanelHandle panel, void*& out) override { return VX_CALL(GetUserData, panel, out); }
  Err GetSize(PanelHandle panel, PanelSize& out) override { return VX_CALL(GetSize, panel, out); }
  Err SetSize(PanelHandle panel, const PanelSize& size) override { return VX_CALL(SetSize, panel, size); }
  Err SetMinimumSize(PanelHandle panel, const PanelSize& size) override { return VX_CALL(SetMinimumSize, panel, size); }
  Err SetMaximumSize(PanelHandle panel, const PanelSize& size) override { return VX_CALL(SetMaximumSize, panel, size); }
  Err SetPreferredSize(PanelHandle panel, const PanelSize& size) override {
    return VX_CALL(SetPreferredSize, panel, size);
  }
  Err GetPlatformWindow(PanelHandle panel, WindowHandle& out) override {
    return VX_CALL(GetPlatformWindow, panel, out);
  }
  Err SetFlyoutMenuPreVisibilityProc(PanelHandle panel, PanelFlyoutDisplayProc proc) override {
    return VX_CALL(SetFlyoutMenuPreVisibilityProc, panel, proc);
  }
  Err SetFlyoutMenuProc(PanelHandle panel, PanelFlyoutCommandProc proc) override {
    return VX_CALL(SetFlyoutMenuProc, panel, proc);
  }
  Err SetSizeChangeProc(PanelHandle panel, PanelSizeChangeProc proc) override {
    return VX_CALL(SetSizeChangeProc, panel, proc);
  }
};

class NotifierSuiteOverC final : public NotifierSuite {
 public:
  using Interface = NotifierSuite;
  const VxNotifierSuite* t_ = nullptr;
  Err AddNotifier(PluginRef plugin, const std::string& name, const std::string& type, NotifierHandle& out) override {
    return VX_CALL(AddNotifier, plugin, name, type, out);
  }
};

class PreferenceSuiteOverC final : public PreferenceSuite {
 public:
  using Interface = PreferenceSuite;
  const VxPreferenceSuite* t_ = nullptr;
  Err GetInteger(const std::string& prefix, const std::string& key, std::int32_t& out) override {
    return VX_CALL(GetInteger, prefix, key, out);
  }
  Err PutInteger(const std::string& prefix, const std::string& key, std::int32_t value) override {
    return VX_CALL(PutInteger, prefix, key, value);
  }
  Err GetBoolean(const std::string& prefix, const std::string& key, bool& out) override {
    return VX_CALL(GetBoolean, prefix, key, out);
  }
  Err PutBoolean(const std::string& prefix, const std::string& key, bool value) override {
    return VX_CALL(PutBoolean, prefix, key, value);
  }
  Err GetReal(const std::string& prefix, const std::string& key, double& out) override {
    return VX_CALL(GetReal, prefix, key, out);
  }
  Err PutReal(const std::string& prefix, const std::string& key, double value) override {
    return VX_CALL(PutReal, prefix, key, value);
  }
  Err GetString(const std::string& prefix, const std::string& key, std::string& utf8) override {
    return VX_CALL(GetString, prefix, key, utf8);
  }
  Err PutString(const std::string& prefix, const std::string& key, const std::string& utf8) override {
    return VX_CALL(PutString, prefix, key, utf8);
  }
  Err GetFilePath(const std::string& prefix, const std::string& key, std::filesystem::path& out) override {
    return VX_CALL(GetFilePath, prefix, key, out);
  }
  Err PutFilePath(const std::string& prefix, const std::string& key, const std::filesystem::path& value) override {
    return VX_CALL(PutFilePath, prefix, key, value);
  }
};

class UserSuiteOverC final : public UserSuite {
 public:
  using Interface = UserSuite;
  const VxUserSuite* t_ = nullptr;
  Err MessageAlert(const std::string& utf8) override { return VX_CALL(MessageAlert, utf8); }
  Err WarningAlert(const std::string& utf8) override { return VX_CALL(WarningAlert, utf8); }
  Err ErrorAlert(const std::string& utf8) override { return VX_CALL(ErrorAlert, utf8); }
  bool YesNoAlert(const std::string& utf8) override { return VX_CALL(YesNoAlert, utf8); }
  Err SetProgressText(const std::string& utf8) override { return VX_CALL(SetProgressText, utf8); }
  Err UpdateProgress(std::int64_t current, std::int64_t max) override { return VX_CALL(UpdateProgress, current, max); }
  Err CloseProgress() override { return VX_CALL(CloseProgress); }
  bool Cancelled() override { return VX_CALL(Cancelled); }
  Err GetOpenFiles(const OpenFileRequest& request, std::vector<std::filesystem::path>& out) override {
    return VX_CALL(GetOpenFiles, request, out);
  }
  Err GetSaveFile(const SaveFileRequest& request, std::filesystem::path& out) override {
    return VX_CALL(GetSaveFile, request, out);
  }
  Err ChooseFolder(const std::string& title, const std::filesystem::path& start, std::filesystem::path& out) override {
    return VX_CALL(ChooseFolder, title, start, out);
  }
  Err OpenUrl(const std::string& url) override { return VX_CALL(OpenUrl, url); }
};

class ModalParentSuiteOverC final : public ModalParentSuite {
 public:
  using Interface = ModalParentSuite;
  const VxModalParentSuite* t_ = nullptr;
  Err GetModalParent(WindowHandle& out) override { return VX_CALL(GetModalParent, out); }
  Err GetApplicationWindow(WindowHandle& out) override { return VX_CALL(GetApplicationWindow, out); }
};

class ContextSuiteOverC final : public ContextSuite {
 public:
  using Interface = ContextSuite;
  const VxContextSuite* t_ = nullptr;
  Err PushAppContext(PluginRef plugin, ContextHandle& out) override { return VX_CALL(PushAppContext, plugin, out); }
  Err PopAppContext(ContextHandle context) override { return VX_CALL(PopAppContext, context); }
};

class UIThemeSuiteOverC final : public UIThemeSuite {
 public:
  using Interface = UIThemeSuite;
  const VxUIThemeSuite* t_ = nullptr;
  Err GetUIThemeColor(std::int32_t selector, std::int32_t kind, ThemeColor& out) override {
    return VX_CALL(GetUIThemeColor, selector, kind, out);
  }
};

class AccessSuiteOverC final : public AccessSuite {
 public:
  using Interface = AccessSuite;
  const VxAccessSuite* t_ = nullptr;
  Err AcquirePlugin(PluginRef plugin, AccessRef& out) override { return VX_CALL(AcquirePlugin, plugin, out); }
  Err ReleasePlugin(AccessRef access) override { return VX_CALL(ReleasePlugin, access); }
};

class PluginsSuiteOverC final : public PluginsSuite {
 public:
  using Interface = PluginsSuite;
  const VxPluginsSuite* t_ = nullptr;
  Err SetPluginName(PluginRef plugin, const std::string& name) override { return VX_CALL(SetPluginName, plugin, name); }
  Err GetPluginName(PluginRef plugin, std::string& out) override { return VX_CALL(GetPluginName, plugin, out); }
  Err GetPluginFileSpecification(PluginRef plugin, std::filesystem::path& out) override {
    return VX_CALL(GetPluginFileSpecification, plugin, out);
  }
};

class WindowOverC final : public Window {
 public:
  using Interface = Window;
  explicit WindowOverC(WindowHandle h) : h_(h) {}
  const VxPlatformSuite* t_ = nullptr;
  WindowHandle h_;
  WindowHandle Handle() override { return h_; }
  Err CreateControl(const ControlTemplate& control) override { return VX_CALL_ON(CreateControl, control); }
  Err MoveControl(std::int32_t id, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override {
    return VX_CALL_ON(MoveControl, id, x, y, width, height);
  }
  bool HasControl(std::int32_t id) override { return VX_CALL_ON(HasControl, id); }
  Err SetText(std::int32_t id, const std::string& utf8) override { return VX_CALL_ON(SetText, id, utf8); }
  Err GetText(std::int32_t id, std::string& utf8) override { return VX_CALL_ON(GetText, id, utf8); }
  Err SetChecked(std::int32_t id, bool checked) override { return VX_CALL_ON(SetChecked, id, checked); }
  Err GetChecked(std::int32_t id, bool& out) override { return VX_CALL_ON(GetChecked, id, out); }
  Err SetEnabled(std::int32_t id, bool enabled) override { return VX_CALL_ON(SetEnabled, id, enabled); }
  Err GetEnabled(std::int32_t id, bool& out) override { return VX_CALL_ON(GetEnabled, id, out); }
  Err SetVisible(std::int32_t id, bool visible) override { return VX_CALL_ON(SetVisible, id, visible); }
  Err GetVisible(std::int32_t id, bool& out) override { return VX_CALL_ON(GetVisible, id, out); }
  Err SetFocus(std::int32_t id) override { return VX_CALL_ON(SetFocus, id); }
  Err SetTextLimit(std::int32_t id, std::int32_t chars) override { return VX_CALL_ON(SetTextLimit, id, chars); }
  Err ClearItems(std::int32_t id) override { return VX_CALL_ON(ClearItems, id); }
  Err AddItem(std::int32_t id, const std::string& utf8, std::intptr_t data) override {
    return VX_CALL_ON(AddItem, id, utf8, data);
  }
  Err CountItems(std::int32_t id, std::int32_t& out) override { return VX_CALL_ON(CountItems, id, out); }
  Err GetItemData(std::int32_t id, std::int32_t index, std::intptr_t& out) override {
    return VX_CALL_ON(GetItemData, id, index, out);
  }
  Err GetItemText(std::int32_t id, std::int32_t index, std::string& out) override {
    return VX_CALL_ON(GetItemText, id, index, out);
  }
  Err SetSelectedItem(std::int32_t id, std::int32_t index) override { return VX_CALL_ON(SetSelectedItem, id, index); }
  Err GetSelectedItem(std::int32_t id, std::int32_t& out) override { return VX_CALL_ON(GetSelectedItem, id, out); }
  Err SetRange(std::int32_t id, std::int32_t min, std::int32_t max) override {
    return VX_CALL_ON(SetRange, id, min, max);
  }
  Err SetPosition(std::int32_t id, std::int32_t pos) override { return VX_CALL_ON(SetPosition, id, pos); }
  Err GetPosition(std::int32_t id, std::int32_t& out) override { return VX_CALL_ON(GetPosition, id, out); }
  Err AddColumn(std::int32_t id, const std::string& utf8, std::int32_t width, Align align) override {
    return VX_CALL_ON(AddColumn, id, utf8, width, align);
  }
  Err GetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t& out) override {
    return VX_CALL_ON(GetColumnWidth, id, column, out);
  }
  Err SetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t width) override {
    return VX_CALL_ON(SetColumnWidth, id, column, width);
  }
  Err DeleteAllRows(std::int32_t id) override { return VX_CALL_ON(DeleteAllRows, id); }
  Err AddRow(std::int32_t id, const std::vector<std::string>& cells) override { return VX_CALL_ON(AddRow, id, cells); }
  Err SetCell(std::int32_t id, std::int32_t row, std::int32_t column, const std::string& utf8) override {
    return VX_CALL_ON(SetCell, id, row, column, utf8);
  }
  Err GetCell(std::int32_t id, std::int32_t row, std::int32_t column, std::string& out) override {
    return VX_CALL_ON(GetCell, id, row, column, out);
  }
  Err CountRows(std::int32_t id, std::int32_t& out) override { return VX_CALL_ON(CountRows, id, out); }
  Err SetRowSelected(std::int32_t id, std::int32_t row, bool selected) override {
    return VX_CALL_ON(SetRowSelected, id, row, selected);
  }
  Err GetSelectedRows(std::int32_t id, std::vector<std::int32_t>& out) override {
    return VX_CALL_ON(GetSelectedRows, id, out);
  }
  Err EndDialog(std::int32_t code) override { return VX_CALL_ON(EndDialog, code); }
};

class PlatformSuiteOverC final : public PlatformSuite {
 public:
  using Interface = PlatformSuite;
  const VxPlatformSuite* t_ = nullptr;
  Err RunModalDialog(PluginRef plugin, std::int32_t templateId, WindowHandle parent, DialogHandler& handler,
                     std::int32_t& result) override {
    return VX_CALL(RunModalDialog, plugin, templateId, parent, handler, result);
  }
  Err GetWindow(WindowHandle handle, Window*& out) override { return VX_CALL(GetWindow, handle, out); }
  Err SetWindowHandler(WindowHandle handle, DialogHandler* handler) override {
    return VX_CALL(SetWindowHandler, handle, handler);
  }
  Err GetWindowHandler(WindowHandle handle, DialogHandler*& out) override {
    return VX_CALL(GetWindowHandler, handle, out);
  }
};

#undef VX_CALL
#undef VX_CALL_ON

Window* WindowFor(WindowHandle h) {
  if (!h) return nullptr;
  ModuleObjects& o = Objects();
  std::lock_guard<std::mutex> hold(o.lock);
  auto& w = o.windows[h];
  if (!w) {
    auto made = std::make_unique<WindowOverC>(h);
    made->t_ = gPlatform;
    w = std::move(made);
  }
  return w.get();
}

// One object per suite class, over the table the host handed out last.
template <class Object, class Interface, class Table>
const void* Adapt(const void* table) {
  static Object object;
  object.t_ = static_cast<const Table*>(table);
  return static_cast<const Interface*>(&object);
}

struct Adapter {
  const SuiteId& id;
  const void* (*adapt)(const void* table);
};

#define VX_ADAPTER(id, cls) \
  { id, &Adapt<cls##OverC, cls, Vx##cls> }
const Adapter kAdapters[] = {
    VX_ADAPTER(suite::kSPAccessSuite, AccessSuite),
    VX_ADAPTER(suite::kSPPluginsSuite, PluginsSuite),
    VX_ADAPTER(suite::kAINotifierSuite, NotifierSuite),
    VX_ADAPTER(suite::kAIContextSuite, ContextSuite),
    VX_ADAPTER(suite::kAIUserSuite, UserSuite),
    VX_ADAPTER(suite::kAIDictionarySuite, DictionarySuite),
    VX_ADAPTER(suite::kAIArtSuite, ArtSuite),
    VX_ADAPTER(suite::kAIArtSetSuite, ArtSetSuite),
    VX_ADAPTER(suite::kAIBlendStyleSuite, BlendStyleSuite),
    VX_ADAPTER(suite::kAIDocumentSuite, DocumentSuite),
    VX_ADAPTER(suite::kAILayerSuite, LayerSuite),
    VX_ADAPTER(suite::kAIMenuSuite, MenuSuite),
    VX_ADAPTER(suite::kAIModalParentSuite, ModalParentSuite),
    VX_ADAPTER(suite::kAIPanelSuite, PanelSuite),
    VX_ADAPTER(suite::kAIPanelFlyoutMenuSuite, PanelFlyoutMenuSuite),
    VX_ADAPTER(suite::kAIPathSuite, PathSuite),
    VX_ADAPTER(suite::kAIPathStyleSuite, PathStyleSuite),
    VX_ADAPTER(suite::kAIPreferenceSuite, PreferenceSuite),
    VX_ADAPTER(suite::kAIRealBezierSuite, RealBezierSuite),
    VX_ADAPTER(suite::kAIRealMathSuite, RealMathSuite),
    VX_ADAPTER(suite::kAIShapeConstructionSuite, ShapeConstructionSuite),
    VX_ADAPTER(suite::kAITagSuite, TagSuite),
    VX_ADAPTER(suite::kAITextFrameSuite, TextFrameSuite),
    VX_ADAPTER(suite::kAIUserInterfaceThemeSuite, UIThemeSuite),
    VX_ADAPTER(suite::kATETextRangeSuite, TextRangeSuite),
};
#undef VX_ADAPTER

}  // namespace
}  // namespace cabi

Err AcquireSuiteObject(const BasicSuite& basic, const char* name, std::int32_t version, const void** slot) {
  if (!slot) return kBadParameter;
  *slot = nullptr;
  if (!basic.AcquireSuite || !name) return kBadParameter;
  const void* table = nullptr;
  if (Err err = basic.AcquireSuite(name, version, &table)) return err;
  if (!table) return kNotFound;
  try {
    if (std::strcmp(name, kPlatformSuiteName) == 0 && version == kPlatformSuiteVersion) {
      cabi::gPlatform = static_cast<const VxPlatformSuite*>(table);
      *slot = cabi::Adapt<cabi::PlatformSuiteOverC, PlatformSuite, VxPlatformSuite>(table);
      return kNoErr;
    }
    for (const cabi::Adapter& a : cabi::kAdapters) {
      if (std::strcmp(a.id.name, name) != 0 || a.id.version != version) continue;
      if (&a.id == &suite::kAIDictionarySuite) cabi::gDictionaries = static_cast<const VxDictionarySuite*>(table);
      *slot = a.adapt(table);
      return kNoErr;
    }
  } catch (...) {
    // Only the first use of an object can fail (a function-local static); the suite goes back.
    if (basic.ReleaseSuite) basic.ReleaseSuite(name, version);
    return kCant;
  }
  *slot = table;  // a suite no operation calls
  return kNoErr;
}

}  // namespace vx::host
