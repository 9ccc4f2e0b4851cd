#include "host/c_tables.h"

#include "host/edge.h"
#include "shell/host/c_handlers.h"
#include "shell/host/slots.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// The host's dictionaries and arrays behind the handles it gives out: each handle holds one
// reference.
struct VxDictionaryOpaque {
  vx::host::DictionaryRef ref;
};
struct VxArrayOpaque {
  vx::host::ArrayRef ref;
};

namespace vx::host {
namespace cabi {
namespace {

// ----- the objects behind the handles

Dictionary* ObjectOf(VxDict h) { return h ? h->ref.get() : nullptr; }
Array* ObjectOf(VxArray h) { return h ? h->ref.get() : nullptr; }
// The windows the host shows to a handler of the plug-in's while the handler runs: an area of
// the platform's own dialog is one, though no suite lists it.
std::vector<Window*>& LentWindows() {
  static std::vector<Window*> lent;
  return lent;
}
struct Lend {
  explicit Lend(Window& w) { LentWindows().push_back(&w); }
  ~Lend() { LentWindows().pop_back(); }
  Lend(const Lend&) = delete;
  Lend& operator=(const Lend&) = delete;
};

Window* ObjectOf(VxWindow h) {
  for (auto it = LentWindows().rbegin(); h && it != LentWindows().rend(); ++it)
    if ((*it)->Handle() == h) return *it;
  PlatformSuite* platform = HostSuiteObject<PlatformSuite>();
  Window* w = nullptr;
  if (!h || !platform || platform->GetWindow(h, w) != kNoErr) return nullptr;
  return w;
}

// ----- the plug-in's dialog handlers on the host's side, and the host's on the plug-in's

// The host's handlers lent to the plug-in, and the plug-in's as the host's.
using HostHandler = HandlerThunks<&ObjectOf>;
using HandlerOverC = HandlerOverCOf<Lend>;

// The handlers the plug-in attached to windows, kept while the host is (at most one per handler
// the plug-in has).
struct Attached {
  std::mutex lock;
  std::vector<std::unique_ptr<HandlerOverC>> handlers;
};
Attached& AttachedHandlers() {
  static Attached a;
  return a;
}

DialogHandler* KeptHandler(const VxDialogHandler* c) {
  if (IsNoHandler(c)) return nullptr;
  if (DialogHandler* own = HostHandler::Own(*c)) return own;
  Attached& a = AttachedHandlers();
  std::lock_guard<std::mutex> hold(a.lock);
  for (const auto& h : a.handlers)
    if (std::memcmp(&h->C(), c, sizeof *c) == 0) return h.get();
  a.handlers.push_back(std::make_unique<HandlerOverC>(*c));
  return a.handlers.back().get();
}

VxDialogHandler HandlerToC(DialogHandler* h) {
  if (!h) return VxDialogHandler{};
  if (auto* c = dynamic_cast<HandlerOverC*>(h)) return c->C();
  return HostHandler::Lend(h);
}

// A handler for the length of one call.
struct HandlerForCall {
  explicit HandlerForCall(const VxDialogHandler* c) {
    if (IsNoHandler(c)) return;
    if (DialogHandler* mine = HostHandler::Own(*c)) {
      h = mine;
    } else {
      own = std::make_unique<HandlerOverC>(*c);
      h = own.get();
    }
  }
  std::unique_ptr<HandlerOverC> own;
  DialogHandler* h = nullptr;
};

// ----- entries

// A borrowed entry of the plug-in's as the host's; false when it names no dictionary or array of
// the host's.
bool EntryFromC(const VxEntry& e, Entry& out) {
  switch (static_cast<EntryType>(e.type)) {
    case EntryType::Integer:
      out = Entry::Integer(e.integer);
      return true;
    case EntryType::Boolean:
      out = Entry::Boolean(e.boolean);
      return true;
    case EntryType::Real:
      out = Entry::Real(e.real);
      return true;
    case EntryType::String:
      out = Entry::String(StringOf(e.string));
      return true;
    case EntryType::Array:
      if (!e.array || !e.array->ref) return false;
      out = Entry::FromArray(e.array->ref);
      return true;
    case EntryType::Dictionary:
      if (!e.dictionary || !e.dictionary->ref) return false;
      out = Entry::FromDictionary(e.dictionary->ref);
      return true;
  }
  return false;
}

// Hands an entry to the plug-in's sink, lending it the text and handles for the call.
void PutEntry(const VxEntrySink& sink, const Entry& e) {
  std::string text;
  VxDictionaryOpaque dictionary;
  VxArrayOpaque array;
  struct Handles {
    VxDictionaryOpaque& d;
    VxArrayOpaque& a;
    VxArray operator()(const ArrayRef& r) const {
      a.ref = r;
      return &a;
    }
    VxDict operator()(const DictionaryRef& r) const {
      d.ref = r;
      return &d;
    }
  };
  const VxEntry c = EntryToC(e, text, Handles{dictionary, array});
  sink.put(sink.ctx, &c);
}

}  // namespace

// ----- parameters that need the host's objects

template <>
struct FromC<DictionaryRef&, VxDict*> {
  explicit FromC(VxDict* p) : p_(p) {}
  DictionaryRef& get() { return v_; }
  void Done(bool ok) {
    if (p_) *p_ = ok && v_ ? new VxDictionaryOpaque{v_} : nullptr;
  }
  VxDict* p_;
  DictionaryRef v_;
};
template <>
struct FromC<ArrayRef&, VxArray*> {
  explicit FromC(VxArray* p) : p_(p) {}
  ArrayRef& get() { return v_; }
  void Done(bool ok) {
    if (p_) *p_ = ok && v_ ? new VxArrayOpaque{v_} : nullptr;
  }
  VxArray* p_;
  ArrayRef v_;
};
template <>
struct FromC<const Entry&, const VxEntry*> {
  explicit FromC(const VxEntry* e) : valid_(e && EntryFromC(*e, v_)) {}
  const Entry& get() const { return v_; }
  bool Valid() const { return valid_; }
  void Done(bool) {}
  Entry v_;
  bool valid_;
};
template <>
struct FromC<Entry&, const VxEntrySink*> {
  explicit FromC(const VxEntrySink* s) : s_(s) {}
  Entry& get() { return v_; }
  void Done(bool ok) {
    if (ok && s_ && s_->put) PutEntry(*s_, v_);
  }
  const VxEntrySink* s_;
  Entry v_;
};

template <>
struct FromC<DialogHandler&, const VxDialogHandler*> {
  explicit FromC(const VxDialogHandler* c) : h_(c) {}
  DialogHandler& get() { return h_.h ? *h_.h : none_; }
  bool Valid() const { return h_.h != nullptr; }
  void Done(bool) {}
  HandlerForCall h_;
  DialogHandler none_;
};
template <>
struct FromC<DialogHandler*, const VxDialogHandler*> {
  explicit FromC(const VxDialogHandler* c) : h_(KeptHandler(c)) {}
  DialogHandler* get() const { return h_; }
  void Done(bool) {}
  DialogHandler* h_;
};
template <>
struct FromC<DialogHandler*&, VxDialogHandler*> {
  explicit FromC(VxDialogHandler* p) : p_(p) {}
  DialogHandler*& get() { return h_; }
  void Done(bool ok) {
    if (p_) *p_ = ok ? HandlerToC(h_) : VxDialogHandler{};
  }
  VxDialogHandler* p_;
  DialogHandler* h_ = nullptr;
};
template <>
struct FromC<Window*&, VxWindow*> {
  explicit FromC(VxWindow* p) : p_(p) {}
  Window*& get() { return w_; }
  void Done(bool ok) {
    if (p_) *p_ = ok && w_ ? w_->Handle() : nullptr;
  }
  VxWindow* p_;
  Window* w_ = nullptr;
};

std::vector<FileFilter> FiltersFromC(const VxFileFilter* f, std::size_t n) {
  std::vector<FileFilter> out;
  for (std::size_t i = 0; f && i < n; ++i) out.push_back({StringOf(f[i].label), StringOf(f[i].pattern)});
  return out;
}

template <>
struct FromC<const OpenFileRequest&, const VxOpenFileRequest*> {
  explicit FromC(const VxOpenFileRequest* r) : h_(r ? r->childHandler : nullptr) {
    if (!r) return;
    v_.title = StringOf(r->title);
    v_.filters = FiltersFromC(r->filters, r->filterCount);
    v_.defaultExtension = StringOf(r->defaultExtension);
    v_.allowMultiple = r->allowMultiple;
    v_.folder = Utf8ToPath(StringOf(r->folder));
    v_.childTemplate = r->childTemplate;
    v_.childHandler = h_.h;
  }
  const OpenFileRequest& get() const { return v_; }
  void Done(bool) {}
  HandlerForCall h_;
  OpenFileRequest v_;
};
template <>
struct FromC<const SaveFileRequest&, const VxSaveFileRequest*> {
  explicit FromC(const VxSaveFileRequest* r) {
    if (!r) return;
    v_.title = StringOf(r->title);
    v_.filters = FiltersFromC(r->filters, r->filterCount);
    v_.defaultExtension = StringOf(r->defaultExtension);
    v_.folder = Utf8ToPath(StringOf(r->folder));
    v_.defaultName = StringOf(r->defaultName);
  }
  const SaveFileRequest& get() const { return v_; }
  void Done(bool) {}
  SaveFileRequest v_;
};

namespace {

// ----- calls

template <auto M, class Ps, class Cs>
struct Invoker;
template <auto M, class... P, class... C>
struct Invoker<M, List<P...>, List<C...>> {
  template <class Object>
  static auto Run(Object& object, C... c) {
    using R = typename Member<M>::Result;
    std::tuple<FromC<P, C>...> conv(c...);
    const bool valid = std::apply(
        [](auto&... x) {
          bool v = true;
          ((v = v &&
                [&] {
                  if constexpr (requires { x.Valid(); })
                    return x.Valid();
                  else
                    return true;
                }()),
           ...);
          return v;
        },
        conv);
    if (!valid) return Unmade<R>(kBadParameter);
    R r = std::apply([&](auto&... x) { return (object.*M)(x.get()...); }, conv);
    const bool ok = Succeeded(r);
    std::apply([&](auto&... x) { (x.Done(ok), ...); }, conv);
    return r;
  }
};

// A suite's function: the host's object of the suite's class answers.
template <auto M, class F>
struct Thunk;
template <auto M, class CR, class... C>
struct Thunk<M, CR (*)(C...)> {
  static CR Fn(C... c) noexcept {
    try {
      auto* object = HostSuiteObject<typename Member<M>::Class>();
      if (!object) return Unmade<CR>(kBadParameter);
      return Invoker<M, typename Member<M>::Params, List<C...>>::Run(*object, c...);
    } catch (...) {
      return EdgeFailure();
    }
  }
};

// An object's function: the first argument is the object's handle.
template <auto M, class F>
struct ObjThunk;
template <auto M, class CR, class H, class... C>
struct ObjThunk<M, CR (*)(H, C...)> {
  static CR Fn(H h, C... c) noexcept {
    try {
      auto* object = ObjectOf(h);
      if (!object) return Unmade<CR>(kBadParameter);
      return Invoker<M, typename Member<M>::Params, List<C...>>::Run(*object, c...);
    } catch (...) {
      return EdgeFailure();
    }
  }
};

// ----- functions of their own

VxErr PointAt(const VxRealBezier* b, double t, VxRealPoint* out) noexcept {
  try {
    auto* object = HostSuiteObject<RealBezierSuite>();
    if (!object || !b || !out) return kBadParameter;
    *out = object->PointAt(*b, t);
    return kNoErr;
  } catch (...) {
    return EdgeFailure();
  }
}

VxDict RetainDictionary(VxDict d) noexcept {
  try {
    return d ? new VxDictionaryOpaque{d->ref} : nullptr;
  } catch (...) {
    return nullptr;
  }
}
VxArray RetainArray(VxArray a) noexcept {
  try {
    return a ? new VxArrayOpaque{a->ref} : nullptr;
  } catch (...) {
    return nullptr;
  }
}
void ReleaseDictionary(VxDict d) noexcept { delete d; }
void ReleaseArray(VxArray a) noexcept { delete a; }

VxErr Keys(VxDict d, const VxTextSink* out) noexcept {
  try {
    Dictionary* object = ObjectOf(d);
    if (!object || !out || !out->put) return kBadParameter;
    for (const std::string& k : object->Keys()) out->put(out->ctx, k.data(), k.size());
    return kNoErr;
  } catch (...) {
    return EdgeFailure();
  }
}

std::int32_t ArrayCount(VxArray a) noexcept {
  try {
    Array* object = ObjectOf(a);
    return object ? object->Count() : 0;
  } catch (...) {
    return 0;
  }
}

// ----- the tables

#define VX_T(cls, f) &Thunk<&cls::f, decltype(Vx##cls::f)>::Fn
#define VX_ON(table, cls, f, cf) &ObjThunk<&cls::f, decltype(table::cf)>::Fn

const VxArtSuite kArtSuite{
    VX_T(ArtSuite, NewArt),         VX_T(ArtSuite, DisposeArt),    VX_T(ArtSuite, ReorderArt),
    VX_T(ArtSuite, GetArtType),     VX_T(ArtSuite, GetArtParent),  VX_T(ArtSuite, GetArtFirstChild),
    VX_T(ArtSuite, GetArtSibling),  VX_T(ArtSuite, GetArtBounds),  VX_T(ArtSuite, GetArtUserAttr),
    VX_T(ArtSuite, SetArtUserAttr), VX_T(ArtSuite, GetDictionary), VX_T(ArtSuite, HasDictionary),
    VX_T(ArtSuite, GetLayerOfArt),  VX_T(ArtSuite, IsLayerGroup),  VX_T(ArtSuite, ValidArt)};

const VxArtSetSuite kArtSetSuite{VX_T(ArtSetSuite, NewArtSet),      VX_T(ArtSetSuite, DisposeArtSet),
                                 VX_T(ArtSetSuite, SelectedArtSet), VX_T(ArtSetSuite, LayerArtSet),
                                 VX_T(ArtSetSuite, CountArtSet),    VX_T(ArtSetSuite, IndexArtSet)};

const VxLayerSuite kLayerSuite{
    VX_T(LayerSuite, CountLayers),          VX_T(LayerSuite, GetFirstLayer),    VX_T(LayerSuite, GetNextLayer),
    VX_T(LayerSuite, GetNextPreorderLayer), VX_T(LayerSuite, GetCurrentLayer),  VX_T(LayerSuite, SetCurrentLayer),
    VX_T(LayerSuite, InsertLayer),          VX_T(LayerSuite, DeleteLayer),      VX_T(LayerSuite, GetLayerTitle),
    VX_T(LayerSuite, SetLayerTitle),        VX_T(LayerSuite, GetLayerVisible),  VX_T(LayerSuite, SetLayerVisible),
    VX_T(LayerSuite, GetLayerEditable),     VX_T(LayerSuite, SetLayerEditable), VX_T(LayerSuite, LayerHasSelectedArt),
    VX_T(LayerSuite, DeselectArtOnLayer),   VX_T(LayerSuite, GetLayerGroup),    VX_T(LayerSuite, GetLayerParent)};

const VxPathSuite kPathSuite{
    VX_T(PathSuite, GetPathSegmentCount), VX_T(PathSuite, GetPathSegments), VX_T(PathSuite, SetPathSegments),
    VX_T(PathSuite, GetPathClosed),       VX_T(PathSuite, SetPathClosed),   VX_T(PathSuite, GetPathGuide),
    VX_T(PathSuite, SetPathGuide),        VX_T(PathSuite, GetPathIsClip),   VX_T(PathSuite, SetPathIsClip),
    VX_T(PathSuite, GetPathArea),         VX_T(PathSuite, GetPathLength),   VX_T(PathSuite, GetPathBezier)};

const VxPathStyleSuite kPathStyleSuite{VX_T(PathStyleSuite, GetPathStyle), VX_T(PathStyleSuite, SetPathStyle)};

const VxBlendStyleSuite kBlendStyleSuite{VX_T(BlendStyleSuite, GetOpacity), VX_T(BlendStyleSuite, SetOpacity)};

const VxRealBezierSuite kRealBezierSuite{&PointAt, VX_T(RealBezierSuite, Length)};

const VxRealMathSuite kRealMathSuite{VX_T(RealMathSuite, PointClose)};

const VxShapeConstructionSuite kShapeConstructionSuite{VX_T(ShapeConstructionSuite, NewEllipse)};

const VxTextFrameSuite kTextFrameSuite{VX_T(TextFrameSuite, NewPointText), VX_T(TextFrameSuite, GetFrameKind),
                                       VX_T(TextFrameSuite, GetPointTextAnchor)};

const VxTextRangeSuite kTextRangeSuite{
    VX_T(TextRangeSuite, GetSize),      VX_T(TextRangeSuite, GetContents),      VX_T(TextRangeSuite, InsertAfter),
    VX_T(TextRangeSuite, SetFillColor), VX_T(TextRangeSuite, GetFillColor),     VX_T(TextRangeSuite, SetFontSize),
    VX_T(TextRangeSuite, GetFontSize),  VX_T(TextRangeSuite, SetJustification), VX_T(TextRangeSuite, GetJustification)};

const VxTagSuite kTagSuite{VX_T(TagSuite, SetTag),    VX_T(TagSuite, GetTag),    VX_T(TagSuite, GetTagType),
                           VX_T(TagSuite, CountTags), VX_T(TagSuite, GetNthTag), VX_T(TagSuite, RemoveTag)};

const VxDictionarySuite kDictionarySuite{VX_T(DictionarySuite, NewDictionary),
                                         VX_T(DictionarySuite, NewArray),
                                         &RetainDictionary,
                                         &RetainArray,
                                         &ReleaseDictionary,
                                         &ReleaseArray,
                                         VX_ON(VxDictionarySuite, Dictionary, IsKnown, IsKnown),
                                         VX_ON(VxDictionarySuite, Dictionary, Get, Get),
                                         VX_ON(VxDictionarySuite, Dictionary, Set, Set),
                                         VX_ON(VxDictionarySuite, Dictionary, Delete, Delete),
                                         &Keys,
                                         &ArrayCount,
                                         VX_ON(VxDictionarySuite, Array, Get, ArrayGet),
                                         VX_ON(VxDictionarySuite, Array, Set, ArraySet),
                                         VX_ON(VxDictionarySuite, Array, Insert, ArrayInsert),
                                         VX_ON(VxDictionarySuite, Array, Append, ArrayAppend),
                                         VX_ON(VxDictionarySuite, Array, Remove, ArrayRemove),
                                         VX_ON(VxDictionarySuite, Array, Clear, ArrayClear)};

const VxDocumentSuite kDocumentSuite{VX_T(DocumentSuite, GetDocument), VX_T(DocumentSuite, GetDocumentBounds),
                                     VX_T(DocumentSuite, GetDocumentFile), VX_T(DocumentSuite, SuspendTextReflow),
                                     VX_T(DocumentSuite, ResumeTextReflow)};

const VxMenuSuite kMenuSuite{VX_T(MenuSuite, AddMenuItem),      VX_T(MenuSuite, AddMenuGroupAsSubMenu),
                             VX_T(MenuSuite, CountMenuGroups),  VX_T(MenuSuite, GetNthMenuGroup),
                             VX_T(MenuSuite, GetMenuGroupName), VX_T(MenuSuite, CheckItem),
                             VX_T(MenuSuite, IsItemChecked),    VX_T(MenuSuite, GetItemText)};

const VxPanelFlyoutMenuSuite kPanelFlyoutMenuSuite{
    VX_T(PanelFlyoutMenuSuite, Create),         VX_T(PanelFlyoutMenuSuite, Destroy),
    VX_T(PanelFlyoutMenuSuite, AppendItem),     VX_T(PanelFlyoutMenuSuite, AppendSeparator),
    VX_T(PanelFlyoutMenuSuite, SetItemEnabled), VX_T(PanelFlyoutMenuSuite, GetItemEnabled)};

const VxPanelSuite kPanelSuite{VX_T(PanelSuite, Create),
                               VX_T(PanelSuite, Destroy),
                               VX_T(PanelSuite, Show),
                               VX_T(PanelSuite, IsShown),
                               VX_T(PanelSuite, SetUserData),
                               VX_T(PanelSuite, GetUserData),
                               VX_T(PanelSuite, GetSize),
                               VX_T(PanelSuite, SetSize),
                               VX_T(PanelSuite, SetMinimumSize),
                               VX_T(PanelSuite, SetMaximumSize),
                               VX_T(PanelSuite, SetPreferredSize),
                               VX_T(PanelSuite, GetPlatformWindow),
                               VX_T(PanelSuite, SetFlyoutMenuPreVisibilityProc),
                               VX_T(PanelSuite, SetFlyoutMenuProc),
                               VX_T(PanelSuite, SetSizeChangeProc)};

const VxNotifierSuite kNotifierSuite{VX_T(NotifierSuite, AddNotifier)};

const VxPreferenceSuite kPreferenceSuite{VX_T(PreferenceSuite, GetInteger),  VX_T(PreferenceSuite, PutInteger),
                                         VX_T(PreferenceSuite, GetBoolean),  VX_T(PreferenceSuite, PutBoolean),
                                         VX_T(PreferenceSuite, GetReal),     VX_T(PreferenceSuite, PutReal),
                                         VX_T(PreferenceSuite, GetString),   VX_T(PreferenceSuite, PutString),
                                         VX_T(PreferenceSuite, GetFilePath), VX_T(PreferenceSuite, PutFilePath)};

const VxUserSuite kUserSuite{
    VX_T(UserSuite, MessageAlert),  VX_T(UserSuite, WarningAlert),    VX_T(UserSuite, ErrorAlert),
    VX_T(UserSuite, YesNoAlert),    VX_T(UserSuite, SetProgressText), VX_T(UserSuite, UpdateProgress),
    VX_T(UserSuite, CloseProgress), VX_T(UserSuite, Cancelled),       VX_T(UserSuite, GetOpenFiles),
    VX_T(UserSuite, GetSaveFile),   VX_T(UserSuite, ChooseFolder),    VX_T(UserSuite, OpenUrl)};

const VxModalParentSuite kModalParentSuite{VX_T(ModalParentSuite, GetModalParent),
                                           VX_T(ModalParentSuite, GetApplicationWindow)};

const VxContextSuite kContextSuite{VX_T(ContextSuite, PushAppContext), VX_T(ContextSuite, PopAppContext)};

const VxUIThemeSuite kUIThemeSuite{VX_T(UIThemeSuite, GetUIThemeColor)};

const VxAccessSuite kAccessSuite{VX_T(AccessSuite, AcquirePlugin), VX_T(AccessSuite, ReleasePlugin)};

const VxPluginsSuite kPluginsSuite{VX_T(PluginsSuite, SetPluginName), VX_T(PluginsSuite, GetPluginName),
                                   VX_T(PluginsSuite, GetPluginFileSpecification)};

const VxPlatformSuite kPlatformSuite{VX_T(PlatformSuite, RunModalDialog),
                                     VX_T(PlatformSuite, GetWindow),
                                     VX_T(PlatformSuite, SetWindowHandler),
                                     VX_T(PlatformSuite, GetWindowHandler),
                                     VX_ON(VxPlatformSuite, Window, CreateControl, CreateControl),
                                     VX_ON(VxPlatformSuite, Window, MoveControl, MoveControl),
                                     VX_ON(VxPlatformSuite, Window, HasControl, HasControl),
                                     VX_ON(VxPlatformSuite, Window, SetText, SetText),
                                     VX_ON(VxPlatformSuite, Window, GetText, GetText),
                                     VX_ON(VxPlatformSuite, Window, SetChecked, SetChecked),
                                     VX_ON(VxPlatformSuite, Window, GetChecked, GetChecked),
                                     VX_ON(VxPlatformSuite, Window, SetEnabled, SetEnabled),
                                     VX_ON(VxPlatformSuite, Window, GetEnabled, GetEnabled),
                                     VX_ON(VxPlatformSuite, Window, SetVisible, SetVisible),
                                     VX_ON(VxPlatformSuite, Window, GetVisible, GetVisible),
                                     VX_ON(VxPlatformSuite, Window, SetFocus, SetFocus),
                                     VX_ON(VxPlatformSuite, Window, SetTextLimit, SetTextLimit),
                                     VX_ON(VxPlatformSuite, Window, ClearItems, ClearItems),
                                     VX_ON(VxPlatformSuite, Window, AddItem, AddItem),
                                     VX_ON(VxPlatformSuite, Window, CountItems, CountItems),
                                     VX_ON(VxPlatformSuite, Window, GetItemData, GetItemData),
                                     VX_ON(VxPlatformSuite, Window, GetItemText, GetItemText),
                                     VX_ON(VxPlatformSuite, Window, SetSelectedItem, SetSelectedItem),
                                     VX_ON(VxPlatformSuite, Window, GetSelectedItem, GetSelectedItem),
                                     VX_ON(VxPlatformSuite, Window, SetRange, SetRange),
                                     VX_ON(VxPlatformSuite, Window, SetPosition, SetPosition),
                                     VX_ON(VxPlatformSuite, Window, GetPosition, GetPosition),
                                     VX_ON(VxPlatformSuite, Window, AddColumn, AddColumn),
                                     VX_ON(VxPlatformSuite, Window, GetColumnWidth, GetColumnWidth),
                                     VX_ON(VxPlatformSuite, Window, SetColumnWidth, SetColumnWidth),
                                     VX_ON(VxPlatformSuite, Window, DeleteAllRows, DeleteAllRows),
                                     VX_ON(VxPlatformSuite, Window, AddRow, AddRow),
                                     VX_ON(VxPlatformSuite, Window, SetCell, SetCell),
                                     VX_ON(VxPlatformSuite, Window, GetCell, GetCell),
                                     VX_ON(VxPlatformSuite, Window, CountRows, CountRows),
                                     VX_ON(VxPlatformSuite, Window, SetRowSelected, SetRowSelected),
                                     VX_ON(VxPlatformSuite, Window, GetSelectedRows, GetSelectedRows),
                                     VX_ON(VxPlatformSuite, Window, EndDialog, EndDialog)};

#undef VX_T
#undef VX_ON

struct Table {
  const SuiteId& id;
  const void* table;
};
const SuiteId kPlatformId{kPlatformSuiteName, kPlatformSuiteVersion};
const Table kTables[] = {
    {suite::kSPAccessSuite, &kAccessSuite},
    {suite::kSPPluginsSuite, &kPluginsSuite},
    {suite::kAINotifierSuite, &kNotifierSuite},
    {suite::kAIContextSuite, &kContextSuite},
    {suite::kAIUserSuite, &kUserSuite},
    {suite::kAIDictionarySuite, &kDictionarySuite},
    {suite::kAIArtSuite, &kArtSuite},
    {suite::kAIArtSetSuite, &kArtSetSuite},
    {suite::kAIBlendStyleSuite, &kBlendStyleSuite},
    {suite::kAIDocumentSuite, &kDocumentSuite},
    {suite::kAILayerSuite, &kLayerSuite},
    {suite::kAIMenuSuite, &kMenuSuite},
    {suite::kAIModalParentSuite, &kModalParentSuite},
    {suite::kAIPanelSuite, &kPanelSuite},
    {suite::kAIPanelFlyoutMenuSuite, &kPanelFlyoutMenuSuite},
    {suite::kAIPathSuite, &kPathSuite},
    {suite::kAIPathStyleSuite, &kPathStyleSuite},
    {suite::kAIPreferenceSuite, &kPreferenceSuite},
    {suite::kAIRealBezierSuite, &kRealBezierSuite},
    {suite::kAIRealMathSuite, &kRealMathSuite},
    {suite::kAIShapeConstructionSuite, &kShapeConstructionSuite},
    {suite::kAITagSuite, &kTagSuite},
    {suite::kAITextFrameSuite, &kTextFrameSuite},
    {suite::kAIUserInterfaceThemeSuite, &kUIThemeSuite},
    {suite::kATETextRangeSuite, &kTextRangeSuite},
    {kPlatformId, &kPlatformSuite},
};

}  // namespace
}  // namespace cabi

const void* CTableOf(const std::string& name, std::int32_t version) {
  for (const cabi::Table& t : cabi::kTables)
    if (name == t.id.name && version == t.id.version) return t.table;
  return nullptr;
}

void ForgetCTableObjects() {
#define VX_FORGET(cls) HostSuiteObject<cls>() = nullptr;
  VX_FORGET(ArtSuite)
  VX_FORGET(ArtSetSuite)
  VX_FORGET(LayerSuite) VX_FORGET(PathSuite) VX_FORGET(PathStyleSuite) VX_FORGET(BlendStyleSuite)
      VX_FORGET(RealBezierSuite) VX_FORGET(RealMathSuite) VX_FORGET(ShapeConstructionSuite) VX_FORGET(TextFrameSuite)
          VX_FORGET(TextRangeSuite) VX_FORGET(TagSuite) VX_FORGET(DictionarySuite) VX_FORGET(DocumentSuite)
              VX_FORGET(MenuSuite) VX_FORGET(PanelFlyoutMenuSuite) VX_FORGET(PanelSuite) VX_FORGET(NotifierSuite)
                  VX_FORGET(PreferenceSuite) VX_FORGET(UserSuite) VX_FORGET(ModalParentSuite) VX_FORGET(ContextSuite)
                      VX_FORGET(UIThemeSuite) VX_FORGET(AccessSuite) VX_FORGET(PluginsSuite) VX_FORGET(PlatformSuite)
#undef VX_FORGET
                          cabi::Attached& a = cabi::AttachedHandlers();
  std::lock_guard<std::mutex> hold(a.lock);
  a.handlers.clear();
}

}  // namespace vx::host
