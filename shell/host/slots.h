// The suites the plug-in acquires, as two tables of {name, version, slot}, and typed access to
// the slots. The slots are process-wide; the plug-in's start-up fills them (frame table first, then
// the program table) and its shut-down or unload clears them.
#pragma once

#include "shell/host/platform.h"
#include "shell/host/suite_list.h"
#include "shell/host/suites.h"

#include <span>

namespace vx::host {

struct SuiteEntry {
  const char* name;
  std::int32_t version;
  const void** slot;  // nullptr: the entry is skipped
};

std::span<const SuiteEntry> FrameSuiteTable();    // 7 entries
std::span<const SuiteEntry> ProgramSuiteTable();  // 123 entries

// A suite's name and version, for acquiring one outside the tables.
struct SuiteId {
  const char* name;
  std::int32_t version;
};

namespace suite {
#define VX_SUITE_ID(id, name, version) inline constexpr SuiteId id{name, version};
VX_FRAME_SUITES(VX_SUITE_ID)
VX_PROGRAM_SUITES(VX_SUITE_ID)
#undef VX_SUITE_ID
}  // namespace suite

// The platform's user interface is not one of the host's suites; it is acquired by this name
// after the tables.
inline constexpr const char* kPlatformSuiteName = "VX Platform UI Suite";
inline constexpr std::int32_t kPlatformSuiteVersion = 1;

namespace slot {
#define VX_SLOT_DECLARATION(id, name, version) extern const void* id;
VX_FRAME_SUITES(VX_SLOT_DECLARATION)
VX_PROGRAM_SUITES(VX_SLOT_DECLARATION)
#undef VX_SLOT_DECLARATION
extern const void* kPlatform;
}  // namespace slot

// Typed access to the acquired suites; nullptr while not held.
inline AccessSuite* sAccess() { return static_cast<AccessSuite*>(const_cast<void*>(slot::kSPAccessSuite)); }
inline PluginsSuite* sPlugins() { return static_cast<PluginsSuite*>(const_cast<void*>(slot::kSPPluginsSuite)); }
inline NotifierSuite* sNotifier() { return static_cast<NotifierSuite*>(const_cast<void*>(slot::kAINotifierSuite)); }
inline ContextSuite* sContext() { return static_cast<ContextSuite*>(const_cast<void*>(slot::kAIContextSuite)); }
inline UserSuite* sUser() { return static_cast<UserSuite*>(const_cast<void*>(slot::kAIUserSuite)); }
inline DictionarySuite* sDictionary() { return static_cast<DictionarySuite*>(const_cast<void*>(slot::kAIDictionarySuite)); }
inline ArtSuite* sArt() { return static_cast<ArtSuite*>(const_cast<void*>(slot::kAIArtSuite)); }
inline ArtSetSuite* sArtSet() { return static_cast<ArtSetSuite*>(const_cast<void*>(slot::kAIArtSetSuite)); }
inline BlendStyleSuite* sBlendStyle() { return static_cast<BlendStyleSuite*>(const_cast<void*>(slot::kAIBlendStyleSuite)); }
inline DocumentSuite* sDocument() { return static_cast<DocumentSuite*>(const_cast<void*>(slot::kAIDocumentSuite)); }
inline LayerSuite* sLayer() { return static_cast<LayerSuite*>(const_cast<void*>(slot::kAILayerSuite)); }
inline MenuSuite* sMenu() { return static_cast<MenuSuite*>(const_cast<void*>(slot::kAIMenuSuite)); }
inline ModalParentSuite* sModalParent() { return static_cast<ModalParentSuite*>(const_cast<void*>(slot::kAIModalParentSuite)); }
inline PanelSuite* sPanel() { return static_cast<PanelSuite*>(const_cast<void*>(slot::kAIPanelSuite)); }
inline PanelFlyoutMenuSuite* sFlyoutMenu() { return static_cast<PanelFlyoutMenuSuite*>(const_cast<void*>(slot::kAIPanelFlyoutMenuSuite)); }
inline PathSuite* sPath() { return static_cast<PathSuite*>(const_cast<void*>(slot::kAIPathSuite)); }
inline PathStyleSuite* sPathStyle() { return static_cast<PathStyleSuite*>(const_cast<void*>(slot::kAIPathStyleSuite)); }
inline PreferenceSuite* sPreference() { return static_cast<PreferenceSuite*>(const_cast<void*>(slot::kAIPreferenceSuite)); }
inline RealBezierSuite* sBezier() { return static_cast<RealBezierSuite*>(const_cast<void*>(slot::kAIRealBezierSuite)); }
inline RealMathSuite* sMath() { return static_cast<RealMathSuite*>(const_cast<void*>(slot::kAIRealMathSuite)); }
inline ShapeConstructionSuite* sShapeConstruction() { return static_cast<ShapeConstructionSuite*>(const_cast<void*>(slot::kAIShapeConstructionSuite)); }
inline TagSuite* sTag() { return static_cast<TagSuite*>(const_cast<void*>(slot::kAITagSuite)); }
inline TextFrameSuite* sTextFrame() { return static_cast<TextFrameSuite*>(const_cast<void*>(slot::kAITextFrameSuite)); }
inline UIThemeSuite* sUITheme() { return static_cast<UIThemeSuite*>(const_cast<void*>(slot::kAIUserInterfaceThemeSuite)); }
inline TextRangeSuite* sTextRange() { return static_cast<TextRangeSuite*>(const_cast<void*>(slot::kATETextRangeSuite)); }
inline PlatformSuite* sPlatform() { return static_cast<PlatformSuite*>(const_cast<void*>(slot::kPlatform)); }

}  // namespace vx::host
