/* The host interface as it crosses the module boundary: C structs of function pointers, one per
 * suite, taking only fixed-width integers, double, bool, UTF-8 or UTF-16 text as pointer and
 * length, opaque handles, and plain structs of those. A host and a plug-in built by different
 * compilers, with different C++ libraries and heaps, can talk through these alone.
 *
 * Ownership: text and lists going in are borrowed for the call. Text and lists coming out are
 * handed to a sink the caller gives (VxTextSink ...), called during the call with borrowed data,
 * so the callee never hands over memory it allocated. Dictionaries and arrays are handles counted
 * by the host: a handle a function gives out holds one reference, which the receiver gives back
 * with the dictionary suite's ReleaseDictionary / ReleaseArray.
 *
 * No function lets an exception out; failures answer the host's codes (types.h), functions
 * without a code an empty value. Enumerations are int32_t with the values of suites.h and
 * platform.h.
 *
 * The C++ classes of suites.h and platform.h are built on these tables on the plug-in's side
 * (c_adapters.h); the stand-in host builds the tables on its own classes (host/c_tables.cpp).
 * This header is also valid C. */
#ifndef VX_SHELL_HOST_C_SUITES_H
#define VX_SHELL_HOST_C_SUITES_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#include "shell/host/platform.h"
#include "shell/host/plugin_main.h"
#include "shell/host/suites.h"
/* In C++ the handles and the plain records are the host interface's own types: the same layout
 * as the C declarations below. */
#define VX_C_HANDLE(cname, opaque) typedef vx::host::opaque* cname;
typedef char16_t VxChar16;
typedef vx::host::RealPoint VxRealPoint;
typedef vx::host::RealRect VxRealRect;
typedef vx::host::RealBezier VxRealBezier;
typedef vx::host::PathSegment VxPathSegment;
typedef vx::host::PanelSize VxPanelSize;
typedef vx::host::ControlTemplate VxControlTemplate;
extern "C" {
#else
#define VX_C_HANDLE(cname, opaque) typedef struct opaque* cname;
typedef uint_least16_t VxChar16;
typedef struct VxRealPoint { double h, v; } VxRealPoint;  /* points; v grows upward */
typedef struct VxRealRect { double left, top, right, bottom; } VxRealRect;
typedef struct VxRealBezier { VxRealPoint p0, p1, p2, p3; } VxRealBezier;
typedef struct VxPathSegment { VxRealPoint p, in, out; bool corner; } VxPathSegment;
typedef struct VxPanelSize { double width, height; } VxPanelSize;
typedef struct VxControlTemplate {
  int32_t kind;  /* ControlKind */
  int32_t id;
  const char* text; /* UTF-8, NUL-terminated */
  int32_t x, y, width, height; /* dialog units */
  uint32_t style;
  int32_t limit;
} VxControlTemplate;
#endif

typedef int32_t VxErr;

VX_C_HANDLE(VxPlugin, PluginOpaque)
VX_C_HANDLE(VxAccess, AccessOpaque)
VX_C_HANDLE(VxDocument, DocumentOpaque)
VX_C_HANDLE(VxArt, ArtOpaque)
VX_C_HANDLE(VxLayer, LayerOpaque)
VX_C_HANDLE(VxArtSet, ArtSetOpaque)
VX_C_HANDLE(VxMenuItem, MenuItemOpaque)
VX_C_HANDLE(VxMenuGroup, MenuGroupOpaque)
VX_C_HANDLE(VxPanel, PanelOpaque)
VX_C_HANDLE(VxFlyoutMenu, FlyoutMenuOpaque)
VX_C_HANDLE(VxNotifier, NotifierOpaque)
VX_C_HANDLE(VxContext, ContextOpaque)
VX_C_HANDLE(VxWindow, WindowOpaque)
#undef VX_C_HANDLE
typedef struct VxDictionaryOpaque* VxDict;
typedef struct VxArrayOpaque* VxArray;

/* ----- text and lists */

/* Text going in: `size` bytes (UTF-8) or code units (UTF-16), not NUL-terminated. */
typedef struct VxStr { const char* data; size_t size; } VxStr;
typedef struct VxStr16 { const VxChar16* data; size_t size; } VxStr16;
typedef struct VxStrList { const VxStr* items; size_t count; } VxStrList;

/* Text coming out: the callee calls `put` once for a text, once per item for a list, and only
 * when it succeeds; the data is the callee's and valid during the call only. */
typedef struct VxTextSink { void* ctx; void (*put)(void* ctx, const char* utf8, size_t size); } VxTextSink;
typedef struct VxText16Sink { void* ctx; void (*put)(void* ctx, const VxChar16* text, size_t size); } VxText16Sink;
typedef struct VxInt32Sink { void* ctx; void (*put)(void* ctx, int32_t value); } VxInt32Sink;

/* ----- records */

typedef struct VxColor {
  int32_t kind; /* ColorKind */
  double gray, c, m, y, k, r, g, b; /* 0 to 1 */
} VxColor;

typedef struct VxPathStyle {
  bool fillPaint;
  VxColor fillColor;
  bool fillOverprint;
  bool strokePaint;
  VxColor strokeColor;
  bool strokeOverprint;
  double width; /* points */
  int32_t dashCount;
  double dashes[6]; /* points */
  double dashOffset;
  int32_t cap;  /* LineCap */
  int32_t join; /* LineJoin */
  double miterLimit;
  bool evenOdd;
} VxPathStyle;

/* A dictionary or array entry. Going in, the text and handles are borrowed; coming out (through
 * a VxEntrySink), too: the receiver retains a handle it keeps. */
typedef struct VxEntry {
  int32_t type; /* EntryType: 0 integer, 1 boolean, 2 real, 3 string, 4 array, 5 dictionary */
  int32_t integer;
  bool boolean;
  double real;
  VxStr string;
  VxArray array;
  VxDict dictionary;
} VxEntry;
typedef struct VxEntrySink { void* ctx; void (*put)(void* ctx, const VxEntry* entry); } VxEntrySink;

/* ----- dialogs and windows */

/* Receives a window's events; the plug-in's DialogHandler on the other side. `ctx` is the
 * receiver's; the functions let nothing out. Colours are 0xBBGGRR. */
typedef struct VxDialogHandler {
  void* ctx;
  void (*OnInit)(void* ctx, VxWindow w);
  void (*OnCommand)(void* ctx, VxWindow w, int32_t id, int32_t event /* ControlEvent */, int32_t detail);
  void (*OnFileSelected)(void* ctx, VxWindow w, VxStr utf8);
  bool (*OnListCellColors)(void* ctx, VxWindow w, int32_t id, int32_t row, int32_t column, uint32_t* text,
                           uint32_t* back);
  bool (*OnStaticColors)(void* ctx, VxWindow w, int32_t id, uint32_t* text, uint32_t* back);
} VxDialogHandler;

typedef struct VxFileFilter { VxStr label; VxStr pattern; } VxFileFilter;

typedef struct VxOpenFileRequest {
  VxStr title;
  const VxFileFilter* filters;
  size_t filterCount;
  VxStr defaultExtension;
  bool allowMultiple;
  VxStr folder; /* UTF-8 */
  int32_t childTemplate;
  const VxDialogHandler* childHandler; /* NULL for none; borrowed for the call */
} VxOpenFileRequest;

typedef struct VxSaveFileRequest {
  VxStr title;
  const VxFileFilter* filters;
  size_t filterCount;
  VxStr defaultExtension;
  VxStr folder;
  VxStr defaultName;
} VxSaveFileRequest;

typedef void (*VxPanelFlyoutDisplayProc)(VxPanel);
typedef void (*VxPanelFlyoutCommandProc)(VxPanel, int32_t itemId);
typedef void (*VxPanelSizeChangeProc)(VxPanel);

/* ----- the suites, by the names of suite_list.h */

typedef struct VxArtSuite {
  VxErr (*NewArt)(int32_t type, int32_t order, VxArt prep, VxArt* out);
  VxErr (*DisposeArt)(VxArt art);
  VxErr (*ReorderArt)(VxArt art, int32_t order, VxArt prep);
  VxErr (*GetArtType)(VxArt art, int32_t* out);
  VxErr (*GetArtParent)(VxArt art, VxArt* out);
  VxErr (*GetArtFirstChild)(VxArt art, VxArt* out);
  VxErr (*GetArtSibling)(VxArt art, VxArt* out);
  VxErr (*GetArtBounds)(VxArt art, VxRealRect* out);
  VxErr (*GetArtUserAttr)(VxArt art, uint32_t which, uint32_t* out);
  VxErr (*SetArtUserAttr)(VxArt art, uint32_t which, uint32_t value);
  VxErr (*GetDictionary)(VxArt art, VxDict* out);
  bool (*HasDictionary)(VxArt art);
  VxErr (*GetLayerOfArt)(VxArt art, VxLayer* out);
  VxErr (*IsLayerGroup)(VxArt art, bool* out);
  bool (*ValidArt)(VxArt art);
} VxArtSuite;

typedef struct VxArtSetSuite {
  VxErr (*NewArtSet)(VxArtSet* out);
  VxErr (*DisposeArtSet)(VxArtSet* set);
  VxErr (*SelectedArtSet)(VxArtSet set);
  VxErr (*LayerArtSet)(VxLayer layer, VxArtSet set);
  VxErr (*CountArtSet)(VxArtSet set, int32_t* out);
  VxErr (*IndexArtSet)(VxArtSet set, int32_t index, VxArt* out);
} VxArtSetSuite;

typedef struct VxLayerSuite {
  VxErr (*CountLayers)(int32_t* out);
  VxErr (*GetFirstLayer)(VxLayer* out);
  VxErr (*GetNextLayer)(VxLayer layer, VxLayer* out);
  VxErr (*GetNextPreorderLayer)(VxLayer layer, VxLayer* out);
  VxErr (*GetCurrentLayer)(VxLayer* out);
  VxErr (*SetCurrentLayer)(VxLayer layer);
  VxErr (*InsertLayer)(VxLayer prep, int32_t order, VxLayer* out);
  VxErr (*DeleteLayer)(VxLayer layer);
  VxErr (*GetLayerTitle)(VxLayer layer, const VxTextSink* utf8);
  VxErr (*SetLayerTitle)(VxLayer layer, VxStr utf8);
  VxErr (*GetLayerVisible)(VxLayer layer, bool* out);
  VxErr (*SetLayerVisible)(VxLayer layer, bool visible);
  VxErr (*GetLayerEditable)(VxLayer layer, bool* out);
  VxErr (*SetLayerEditable)(VxLayer layer, bool editable);
  VxErr (*LayerHasSelectedArt)(VxLayer layer, bool* out);
  VxErr (*DeselectArtOnLayer)(VxLayer layer);
  VxErr (*GetLayerGroup)(VxLayer layer, VxArt* out);
  VxErr (*GetLayerParent)(VxLayer layer, VxLayer* out);
} VxLayerSuite;

typedef struct VxPathSuite {
  VxErr (*GetPathSegmentCount)(VxArt path, int32_t* out);
  VxErr (*GetPathSegments)(VxArt path, int32_t first, int32_t count, VxPathSegment* out);
  VxErr (*SetPathSegments)(VxArt path, int32_t count, const VxPathSegment* segments);
  VxErr (*GetPathClosed)(VxArt path, bool* out);
  VxErr (*SetPathClosed)(VxArt path, bool closed);
  VxErr (*GetPathGuide)(VxArt path, bool* out);
  VxErr (*SetPathGuide)(VxArt path, bool guide);
  VxErr (*GetPathIsClip)(VxArt art, bool* out);
  VxErr (*SetPathIsClip)(VxArt art, bool clip);
  VxErr (*GetPathArea)(VxArt path, double* out);
  VxErr (*GetPathLength)(VxArt path, double* out, double flatness);
  VxErr (*GetPathBezier)(VxArt path, int32_t index, VxRealBezier* out);
} VxPathSuite;

typedef struct VxPathStyleSuite {
  VxErr (*GetPathStyle)(VxArt art, VxPathStyle* out);
  VxErr (*SetPathStyle)(VxArt art, const VxPathStyle* style);
} VxPathStyleSuite;

typedef struct VxBlendStyleSuite {
  VxErr (*GetOpacity)(VxArt art, double* out);
  VxErr (*SetOpacity)(VxArt art, double opacity);
} VxBlendStyleSuite;

typedef struct VxRealBezierSuite {
  VxErr (*PointAt)(const VxRealBezier* b, double t, VxRealPoint* out);
  double (*Length)(const VxRealBezier* b, double flatness);
} VxRealBezierSuite;

typedef struct VxRealMathSuite {
  bool (*PointClose)(const VxRealPoint* a, const VxRealPoint* b, double tolerance);
} VxRealMathSuite;

typedef struct VxShapeConstructionSuite {
  VxErr (*NewEllipse)(const VxRealPoint* centre, double width, double height, bool reversed, VxArt* out);
} VxShapeConstructionSuite;

typedef struct VxTextFrameSuite {
  VxErr (*NewPointText)(int32_t order, VxArt prep, int32_t orientation, const VxRealPoint* anchor, VxArt* out);
  VxErr (*GetFrameKind)(VxArt frame, int32_t* out);
  VxErr (*GetPointTextAnchor)(VxArt frame, VxRealPoint* out);
} VxTextFrameSuite;

typedef struct VxTextRangeSuite {
  VxErr (*GetSize)(VxArt frame, int32_t* out);
  VxErr (*GetContents)(VxArt frame, const VxText16Sink* out);
  VxErr (*InsertAfter)(VxArt frame, VxStr16 text);
  VxErr (*SetFillColor)(VxArt frame, const VxColor* color);
  VxErr (*GetFillColor)(VxArt frame, VxColor* out);
  VxErr (*SetFontSize)(VxArt frame, double points);
  VxErr (*GetFontSize)(VxArt frame, double* out);
  VxErr (*SetJustification)(VxArt frame, int32_t j);
  VxErr (*GetJustification)(VxArt frame, int32_t* out);
} VxTextRangeSuite;

typedef struct VxTagSuite {
  VxErr (*SetTag)(VxArt art, VxStr name, VxStr type, VxStr value);
  VxErr (*GetTag)(VxArt art, VxStr name, const VxTextSink* value);
  VxErr (*GetTagType)(VxArt art, VxStr name, const VxTextSink* type);
  VxErr (*CountTags)(VxArt art, int32_t* out);
  VxErr (*GetNthTag)(VxArt art, int32_t index, const VxTextSink* name);
  VxErr (*RemoveTag)(VxArt art, VxStr name);
} VxTagSuite;

/* Dictionaries and arrays: the suite that makes them also carries their operations. */
typedef struct VxDictionarySuite {
  VxErr (*NewDictionary)(VxDict* out);
  VxErr (*NewArray)(VxArray* out);
  /* Another reference to the same dictionary or array (NULL when it cannot be made). */
  VxDict (*RetainDictionary)(VxDict d);
  VxArray (*RetainArray)(VxArray a);
  void (*ReleaseDictionary)(VxDict d);
  void (*ReleaseArray)(VxArray a);
  bool (*IsKnown)(VxDict d, VxStr key);
  VxErr (*Get)(VxDict d, VxStr key, const VxEntrySink* out);
  VxErr (*Set)(VxDict d, VxStr key, const VxEntry* e);
  VxErr (*Delete)(VxDict d, VxStr key);
  VxErr (*Keys)(VxDict d, const VxTextSink* out);
  int32_t (*ArrayCount)(VxArray a);
  VxErr (*ArrayGet)(VxArray a, int32_t index, const VxEntrySink* out);
  VxErr (*ArraySet)(VxArray a, int32_t index, const VxEntry* e);
  VxErr (*ArrayInsert)(VxArray a, int32_t index, const VxEntry* e);
  VxErr (*ArrayAppend)(VxArray a, const VxEntry* e);
  VxErr (*ArrayRemove)(VxArray a, int32_t index);
  VxErr (*ArrayClear)(VxArray a);
} VxDictionarySuite;

typedef struct VxDocumentSuite {
  VxErr (*GetDocument)(VxDocument* out);
  VxErr (*GetDocumentBounds)(VxRealRect* out);
  VxErr (*GetDocumentFile)(const VxTextSink* out);
  VxErr (*SuspendTextReflow)(void);
  VxErr (*ResumeTextReflow)(void);
} VxDocumentSuite;

typedef struct VxMenuSuite {
  VxErr (*AddMenuItem)(VxPlugin plugin, VxStr keyName, VxStr group, VxStr text, uint32_t options, VxMenuItem* out);
  VxErr (*AddMenuGroupAsSubMenu)(VxStr name, VxMenuItem item, VxMenuGroup* out);
  VxErr (*CountMenuGroups)(int32_t* out);
  VxErr (*GetNthMenuGroup)(int32_t index, VxMenuGroup* out);
  VxErr (*GetMenuGroupName)(VxMenuGroup group, const VxTextSink* out);
  VxErr (*CheckItem)(VxMenuItem item, bool checked);
  VxErr (*IsItemChecked)(VxMenuItem item, bool* out);
  VxErr (*GetItemText)(VxMenuItem item, const VxTextSink* out);
} VxMenuSuite;

typedef struct VxPanelFlyoutMenuSuite {
  VxErr (*Create)(VxFlyoutMenu* out);
  VxErr (*Destroy)(VxFlyoutMenu menu);
  VxErr (*AppendItem)(VxFlyoutMenu menu, int32_t id, VxStr text);
  VxErr (*AppendSeparator)(VxFlyoutMenu menu, int32_t id);
  VxErr (*SetItemEnabled)(VxFlyoutMenu menu, int32_t id, bool enabled);
  VxErr (*GetItemEnabled)(VxFlyoutMenu menu, int32_t id, bool* out);
} VxPanelFlyoutMenuSuite;

typedef struct VxPanelSuite {
  VxErr (*Create)(VxPlugin plugin, VxStr id, VxStr title, int32_t stateCount, const VxPanelSize* size, bool resizable,
                  VxFlyoutMenu flyout, void* userData, VxPanel* out);
  VxErr (*Destroy)(VxPanel panel);
  VxErr (*Show)(VxPanel panel, bool show);
  VxErr (*IsShown)(VxPanel panel, bool* out);
  VxErr (*SetUserData)(VxPanel panel, void* data);
  VxErr (*GetUserData)(VxPanel panel, void** out);
  VxErr (*GetSize)(VxPanel panel, VxPanelSize* out);
  VxErr (*SetSize)(VxPanel panel, const VxPanelSize* size);
  VxErr (*SetMinimumSize)(VxPanel panel, const VxPanelSize* size);
  VxErr (*SetMaximumSize)(VxPanel panel, const VxPanelSize* size);
  VxErr (*SetPreferredSize)(VxPanel panel, const VxPanelSize* size);
  VxErr (*GetPlatformWindow)(VxPanel panel, VxWindow* out);
  VxErr (*SetFlyoutMenuPreVisibilityProc)(VxPanel panel, VxPanelFlyoutDisplayProc proc);
  VxErr (*SetFlyoutMenuProc)(VxPanel panel, VxPanelFlyoutCommandProc proc);
  VxErr (*SetSizeChangeProc)(VxPanel panel, VxPanelSizeChangeProc proc);
} VxPanelSuite;

typedef struct VxNotifierSuite {
  VxErr (*AddNotifier)(VxPlugin plugin, VxStr name, VxStr type, VxNotifier* out);
} VxNotifierSuite;

typedef struct VxPreferenceSuite {
  VxErr (*GetInteger)(VxStr prefix, VxStr key, int32_t* out);
  VxErr (*PutInteger)(VxStr prefix, VxStr key, int32_t value);
  VxErr (*GetBoolean)(VxStr prefix, VxStr key, bool* out);
  VxErr (*PutBoolean)(VxStr prefix, VxStr key, bool value);
  VxErr (*GetReal)(VxStr prefix, VxStr key, double* out);
  VxErr (*PutReal)(VxStr prefix, VxStr key, double value);
  VxErr (*GetString)(VxStr prefix, VxStr key, const VxTextSink* utf8);
  VxErr (*PutString)(VxStr prefix, VxStr key, VxStr utf8);
  VxErr (*GetFilePath)(VxStr prefix, VxStr key, const VxTextSink* out);
  VxErr (*PutFilePath)(VxStr prefix, VxStr key, VxStr value);
} VxPreferenceSuite;

typedef struct VxUserSuite {
  VxErr (*MessageAlert)(VxStr utf8);
  VxErr (*WarningAlert)(VxStr utf8);
  VxErr (*ErrorAlert)(VxStr utf8);
  bool (*YesNoAlert)(VxStr utf8);
  VxErr (*SetProgressText)(VxStr utf8);
  VxErr (*UpdateProgress)(int64_t current, int64_t max);
  VxErr (*CloseProgress)(void);
  bool (*Cancelled)(void);
  /* The chosen files, one put each, in dialog order. */
  VxErr (*GetOpenFiles)(const VxOpenFileRequest* request, const VxTextSink* out);
  VxErr (*GetSaveFile)(const VxSaveFileRequest* request, const VxTextSink* out);
  VxErr (*ChooseFolder)(VxStr title, VxStr start, const VxTextSink* out);
  VxErr (*OpenUrl)(VxStr url);
} VxUserSuite;

typedef struct VxModalParentSuite {
  VxErr (*GetModalParent)(VxWindow* out);
  VxErr (*GetApplicationWindow)(VxWindow* out);
} VxModalParentSuite;

typedef struct VxContextSuite {
  VxErr (*PushAppContext)(VxPlugin plugin, VxContext* out);
  VxErr (*PopAppContext)(VxContext context);
} VxContextSuite;

typedef struct VxUIThemeSuite {
  VxErr (*GetUIThemeColor)(int32_t selector, int32_t kind, double* out /* [4] */);
} VxUIThemeSuite;

typedef struct VxAccessSuite {
  VxErr (*AcquirePlugin)(VxPlugin plugin, VxAccess* out);
  VxErr (*ReleasePlugin)(VxAccess access);
} VxAccessSuite;

typedef struct VxPluginsSuite {
  VxErr (*SetPluginName)(VxPlugin plugin, VxStr name);
  VxErr (*GetPluginName)(VxPlugin plugin, const VxTextSink* out);
  VxErr (*GetPluginFileSpecification)(VxPlugin plugin, const VxTextSink* out);
} VxPluginsSuite;

/* The platform's dialogs and the controls of their windows ("VX Platform UI Suite"). */
typedef struct VxPlatformSuite {
  VxErr (*RunModalDialog)(VxPlugin plugin, int32_t templateId, VxWindow parent, const VxDialogHandler* handler,
                          int32_t* result);
  /* kNoErr when the handle is a window the host has open. */
  VxErr (*GetWindow)(VxWindow handle, VxWindow* out);
  /* The host keeps a copy of `handler`; NULL detaches. */
  VxErr (*SetWindowHandler)(VxWindow handle, const VxDialogHandler* handler);
  /* ctx and functions all NULL when the window has none. */
  VxErr (*GetWindowHandler)(VxWindow handle, VxDialogHandler* out);

  VxErr (*CreateControl)(VxWindow w, const VxControlTemplate* control);
  VxErr (*MoveControl)(VxWindow w, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
  bool (*HasControl)(VxWindow w, int32_t id);
  VxErr (*SetText)(VxWindow w, int32_t id, VxStr utf8);
  VxErr (*GetText)(VxWindow w, int32_t id, const VxTextSink* utf8);
  VxErr (*SetChecked)(VxWindow w, int32_t id, bool checked);
  VxErr (*GetChecked)(VxWindow w, int32_t id, bool* out);
  VxErr (*SetEnabled)(VxWindow w, int32_t id, bool enabled);
  VxErr (*GetEnabled)(VxWindow w, int32_t id, bool* out);
  VxErr (*SetVisible)(VxWindow w, int32_t id, bool visible);
  VxErr (*GetVisible)(VxWindow w, int32_t id, bool* out);
  VxErr (*SetFocus)(VxWindow w, int32_t id);
  VxErr (*SetTextLimit)(VxWindow w, int32_t id, int32_t chars);
  VxErr (*ClearItems)(VxWindow w, int32_t id);
  VxErr (*AddItem)(VxWindow w, int32_t id, VxStr utf8, intptr_t data);
  VxErr (*CountItems)(VxWindow w, int32_t id, int32_t* out);
  VxErr (*GetItemData)(VxWindow w, int32_t id, int32_t index, intptr_t* out);
  VxErr (*GetItemText)(VxWindow w, int32_t id, int32_t index, const VxTextSink* out);
  VxErr (*SetSelectedItem)(VxWindow w, int32_t id, int32_t index);
  VxErr (*GetSelectedItem)(VxWindow w, int32_t id, int32_t* out);
  VxErr (*SetRange)(VxWindow w, int32_t id, int32_t min, int32_t max);
  VxErr (*SetPosition)(VxWindow w, int32_t id, int32_t pos);
  VxErr (*GetPosition)(VxWindow w, int32_t id, int32_t* out);
  VxErr (*AddColumn)(VxWindow w, int32_t id, VxStr utf8, int32_t width, int32_t align);
  VxErr (*GetColumnWidth)(VxWindow w, int32_t id, int32_t column, int32_t* out);
  VxErr (*SetColumnWidth)(VxWindow w, int32_t id, int32_t column, int32_t width);
  VxErr (*DeleteAllRows)(VxWindow w, int32_t id);
  VxErr (*AddRow)(VxWindow w, int32_t id, VxStrList cells);
  VxErr (*SetCell)(VxWindow w, int32_t id, int32_t row, int32_t column, VxStr utf8);
  VxErr (*GetCell)(VxWindow w, int32_t id, int32_t row, int32_t column, const VxTextSink* out);
  VxErr (*CountRows)(VxWindow w, int32_t id, int32_t* out);
  VxErr (*SetRowSelected)(VxWindow w, int32_t id, int32_t row, bool selected);
  VxErr (*GetSelectedRows)(VxWindow w, int32_t id, const VxInt32Sink* out);
  VxErr (*EndDialog)(VxWindow w, int32_t code);
} VxPlatformSuite;

/* ----- the entry's messages (plugin_main.h) */

typedef struct VxBasicSuite {
  VxErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
  VxErr (*ReleaseSuite)(const char* name, int32_t version);
} VxBasicSuite;

typedef struct VxMessageData {
  VxPlugin self;
  void* globals;
  VxBasicSuite* basic;
} VxMessageData;

typedef struct VxNotifierMessage {
  VxMessageData d;
  VxNotifier notifier;
  const char* type;
  void* notifyData;
} VxNotifierMessage;

typedef struct VxMenuMessage {
  VxMessageData d;
  VxMenuItem menuItem;
} VxMenuMessage;

typedef VxErr (*VxPluginMainProc)(const char* caller, const char* selector, void* message);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif
