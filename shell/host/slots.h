// The suites the plug-in acquires, as two tables of {name, version, slot}, and typed access to
// the slots. The slots are process-wide; the plug-in's start-up fills them (frame table first, then
// the program table) and its shut-down or unload clears them.
#pragma once

#include "shell/host/platform.h"
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

// The platform's user interface is not one of the host's suites; it is acquired by this name
// after the tables.
inline constexpr const char* kPlatformSuiteName = "VX Platform UI Suite";
inline constexpr std::int32_t kPlatformSuiteVersion = 1;

namespace slot {
extern const void* kSPAccessSuite;  // "SP Access Suite" 3
extern const void* kSPPluginsSuite;  // "SP Plug-ins Suite" 4
extern const void* kAINotifierSuite;  // "AI Notifier Suite" 4
extern const void* kAIContextSuite;  // "AI Context Suite" 7
extern const void* kAIUserSuite;  // "AI User Suite" 11
extern const void* kAIFilePathSuite;  // "AI File Path Suite" 4
extern const void* kAIFoldersSuite;  // "AI Folders Suite" 5
extern const void* kSPBlocksSuite;  // "SP Blocks Suite" 2
extern const void* kSPFilesSuite;  // "SP Files Suite" 3
extern const void* kAIUnicodeStringSuite;  // "AI Unicode String Suite" 8
extern const void* kAIActionManagerSuite;  // "AI Action Manager Suite" 5
extern const void* kAIArraySuite;  // "AI Array Suite" 6
extern const void* kAIArtSuite;  // "AI Art Suite" 17
extern const void* kAIArtSetSuite;  // "AI Art Set Suite" 8
extern const void* kAIArtStyleSuite;  // "AI Art Style Suite" 7
extern const void* kAIATEPaintSuite;  // "AIATE Paint Suite" 3
extern const void* kAIBlendStyleSuite;  // "AI Blend Style Suite" 5
extern const void* kAIDictionarySuite;  // "AI Dictionary Suite" 8
extern const void* kAIDictionaryIteratorSuite;  // "AI Dictionary Iterator Suite" 3
extern const void* kAIDocumentSuite;  // "AI Document Suite" 14
extern const void* kAIDocumentViewSuite;  // "AI Document View Suite" 12
extern const void* kAIEntrySuite;  // "AI Entry Suite" 7
extern const void* kAIGroupSuite;  // "AI Group Suite" 5
extern const void* kAIHitTestSuite;  // "AI Hit Test Suite" 6
extern const void* kAILayerSuite;  // "AI Layer Suite" 13
extern const void* kAIMdMemorySuite;  // "AI MdMemory Suite" 3
extern const void* kAIMenuSuite;  // "AI Menu Suite" 11
extern const void* kAIModalParentSuite;  // "AI Modal Parent Suite" 2
extern const void* kAIPanelSuite;  // "AI Panel Suite" 2
extern const void* kAIPanelFlyoutMenuSuite;  // "AI Panel Flyout Menu Suite" 2
extern const void* kAIPathSuite;  // "AI Path Suite" 11
extern const void* kAIPathStyleSuite;  // "AI Path Style Suite" 13
extern const void* kAIPluginSuite;  // "AI Plugin Suite" 5
extern const void* kAIPluginGroupSuite;  // "AI Plugin Group Suite" 6
extern const void* kAIPreferenceSuite;  // "AI Preference Suite" 6
extern const void* kAIRealBezierSuite;  // "AI Real Bezier Suite" 4
extern const void* kAIRealMathSuite;  // "AI Real Math Suite" 3
extern const void* kAIShapeConstructionSuite;  // "AI Shape Construction Suite" 6
extern const void* kAITagSuite;  // "AI Tag Suite" 4
extern const void* kAITextFrameSuite;  // "AI Text Frame Suite" 4
extern const void* kAITransformArtSuite;  // "AI Transform Art Suite" 3
extern const void* kAIUserInterfaceThemeSuite;  // "AI User Interface Theme Suite" 2
extern const void* kAIURLSuite;  // "AI URL Suite" 3
extern const void* kATEApplicationPaintSuite;  // "ATE ApplicationPaint Suite" 1
extern const void* kATECompFontSuite;  // "ATE CompFont Suite" 1
extern const void* kATECompFontClassSuite;  // "ATE CompFontClass Suite" 1
extern const void* kATECompFontClassSetSuite;  // "ATE CompFontClassSet Suite" 1
extern const void* kATECompFontComponentSuite;  // "ATE CompFontComponent Suite" 1
extern const void* kATECompFontSetSuite;  // "ATE CompFontSet Suite" 1
extern const void* kATEGlyphRunSuite;  // "ATE GlyphRun Suite" 1
extern const void* kATEGlyphRunsIteratorSuite;  // "ATE GlyphRunsIterator Suite" 1
extern const void* kATEMojiKumiSuite;  // "ATE MojiKumi Suite" 1
extern const void* kATEMojiKumiSetSuite;  // "ATE MojiKumiSet Suite" 1
extern const void* kATETextFrameSuite;  // "ATE TextFrame Suite" 101
extern const void* kATETextFramesIteratorSuite;  // "ATE TextFramesIterator Suite" 1
extern const void* kATETextLineSuite;  // "ATE TextLine Suite" 1
extern const void* kATETextLinesIteratorSuite;  // "ATE TextLinesIterator Suite" 1
extern const void* kATETextResourcesSuite;  // "ATE TextResources Suite" 1
extern const void* kATEApplicationTextResourcesSuite;  // "ATE ApplicationTextResources Suite" 1
extern const void* kATEDocumentTextResourcesSuite;  // "ATE DocumentTextResources Suite" 101
extern const void* kATEVersionInfoSuite;  // "ATE VersionInfo Suite" 1
extern const void* kATEArrayApplicationPaintRefSuite;  // "ATE ArrayApplicationPaintRef Suite" 1
extern const void* kATEArrayRealSuite;  // "ATE ArrayReal Suite" 1
extern const void* kATEArrayBoolSuite;  // "ATE ArrayBool Suite" 1
extern const void* kATEArrayIntegerSuite;  // "ATE ArrayInteger Suite" 1
extern const void* kATEArrayLineCapTypeSuite;  // "ATE ArrayLineCapType Suite" 1
extern const void* kATEArrayFigureStyleSuite;  // "ATE ArrayFigureStyle Suite" 1
extern const void* kATEArrayLineJoinTypeSuite;  // "ATE ArrayLineJoinType Suite" 1
extern const void* kATEArrayWariChuJustificationSuite;  // "ATE ArrayWariChuJustification Suite" 1
extern const void* kATEArrayStyleRunAlignmentSuite;  // "ATE ArrayStyleRunAlignment Suite" 1
extern const void* kATEArrayAutoKernTypeSuite;  // "ATE ArrayAutoKernType Suite" 1
extern const void* kATEArrayBaselineDirectionSuite;  // "ATE ArrayBaselineDirection Suite" 1
extern const void* kATEArrayLanguageSuite;  // "ATE ArrayLanguage Suite" 1
extern const void* kATEArrayFontCapsOptionSuite;  // "ATE ArrayFontCapsOption Suite" 1
extern const void* kATEArrayFontBaselineOptionSuite;  // "ATE ArrayFontBaselineOption Suite" 1
extern const void* kATEArrayFontOpenTypePositionOptionSuite;  // "ATE ArrayFontOpenTypePositionOption Suite" 1
extern const void* kATEArrayUnderlinePositionSuite;  // "ATE ArrayUnderlinePosition Suite" 1
extern const void* kATEArrayStrikethroughPositionSuite;  // "ATE ArrayStrikethroughPosition Suite" 1
extern const void* kATEArrayParagraphJustificationSuite;  // "ATE ArrayParagraphJustification Suite" 1
extern const void* kATEArrayArrayRealSuite;  // "ATE ArrayArrayReal Suite" 1
extern const void* kATEArrayBurasagariTypeSuite;  // "ATE ArrayBurasagariType Suite" 1
extern const void* kATEArrayPreferredKinsokuOrderSuite;  // "ATE ArrayPreferredKinsokuOrder Suite" 1
extern const void* kATEArrayKinsokuRefSuite;  // "ATE ArrayKinsokuRef Suite" 1
extern const void* kATEArrayMojiKumiRefSuite;  // "ATE ArrayMojiKumiRef Suite" 1
extern const void* kATEArrayMojiKumiSetRefSuite;  // "ATE ArrayMojiKumiSetRef Suite" 1
extern const void* kATEArrayTabStopsRefSuite;  // "ATE ArrayTabStopsRef Suite" 1
extern const void* kATEArrayLeadingTypeSuite;  // "ATE ArrayLeadingType Suite" 1
extern const void* kATEArrayFontRefSuite;  // "ATE ArrayFontRef Suite" 1
extern const void* kATEArrayGlyphIDSuite;  // "ATE ArrayGlyphID Suite" 1
extern const void* kATEArrayRealPointSuite;  // "ATE ArrayRealPoint Suite" 1
extern const void* kATEArrayRealMatrixSuite;  // "ATE ArrayRealMatrix Suite" 1
extern const void* kATEArrayParagraphDirectionSuite;  // "ATE ArrayParagraphDirection Suite" 1
extern const void* kATEArrayJustificationMethodSuite;  // "ATE ArrayJustificationMethod Suite" 1
extern const void* kATEArrayKashidaWidthSuite;  // "ATE ArrayKashidaWidth Suite" 1
extern const void* kATEArrayKashidasSuite;  // "ATE ArrayKashidas Suite" 1
extern const void* kATEArrayDirOverrideSuite;  // "ATE ArrayDirOverride Suite" 1
extern const void* kATEArrayDigitSetSuite;  // "ATE ArrayDigitSet Suite" 1
extern const void* kATEArrayDiacVPosSuite;  // "ATE ArrayDiacVPos Suite" 1
extern const void* kATECharFeaturesSuite;  // "ATE CharFeatures Suite" 101
extern const void* kATECharInspectorSuite;  // "ATE CharInspector Suite" 101
extern const void* kATECharStyleSuite;  // "ATE CharStyle Suite" 1
extern const void* kATECharStylesSuite;  // "ATE CharStyles Suite" 1
extern const void* kATECharStylesIteratorSuite;  // "ATE CharStylesIterator Suite" 1
extern const void* kATEFindSuite;  // "ATE Find Suite" 101
extern const void* kATEFontSuite;  // "ATE Font Suite" 1
extern const void* kATEGlyphSuite;  // "ATE Glyph Suite" 1
extern const void* kATEGlyphsSuite;  // "ATE Glyphs Suite" 1
extern const void* kATEGlyphsIteratorSuite;  // "ATE GlyphsIterator Suite" 1
extern const void* kATEKinsokuSuite;  // "ATE Kinsoku Suite" 1
extern const void* kATEKinsokuSetSuite;  // "ATE KinsokuSet Suite" 1
extern const void* kATEParaFeaturesSuite;  // "ATE ParaFeatures Suite" 101
extern const void* kATEParagraphSuite;  // "ATE Paragraph Suite" 1
extern const void* kATEParagraphsIteratorSuite;  // "ATE ParagraphsIterator Suite" 1
extern const void* kATEParaInspectorSuite;  // "ATE ParaInspector Suite" 101
extern const void* kATEParaStyleSuite;  // "ATE ParaStyle Suite" 1
extern const void* kATEParaStylesSuite;  // "ATE ParaStyles Suite" 1
extern const void* kATEParaStylesIteratorSuite;  // "ATE ParaStylesIterator Suite" 1
extern const void* kATESpellSuite;  // "ATE Spell Suite" 101
extern const void* kATEStoriesSuite;  // "ATE Stories Suite" 1
extern const void* kATEStorySuite;  // "ATE Story Suite" 1
extern const void* kATETabStopSuite;  // "ATE TabStop Suite" 1
extern const void* kATETabStopsSuite;  // "ATE TabStops Suite" 1
extern const void* kATETabStopsIteratorSuite;  // "ATE TabStopsIterator Suite" 1
extern const void* kATETextRangeSuite;  // "ATE TextRange Suite" 1
extern const void* kATETextRangesSuite;  // "ATE TextRanges Suite" 1
extern const void* kATETextRangesIteratorSuite;  // "ATE TextRangesIterator Suite" 1
extern const void* kATETextRunsIteratorSuite;  // "ATE TextRunsIterator Suite" 1
extern const void* kATEWordsIteratorSuite;  // "ATE WordsIterator Suite" 1
extern const void* kATEArrayLineSuite;  // "ATE ArrayLine Suite" 1
extern const void* kATEArrayComposerEngineSuite;  // "ATE ArrayComposerEngine Suite" 1
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

// The interface class that backs a named suite, for hosts that register suite objects: the host
// must hand out a pointer to that class (converted to const void*), not to its own derived class.
template <class F>
void ForEachTypedSuite(F&& f) {
  f.template operator()<AccessSuite>("SP Access Suite", 3);
  f.template operator()<PluginsSuite>("SP Plug-ins Suite", 4);
  f.template operator()<NotifierSuite>("AI Notifier Suite", 4);
  f.template operator()<ContextSuite>("AI Context Suite", 7);
  f.template operator()<UserSuite>("AI User Suite", 11);
  f.template operator()<DictionarySuite>("AI Dictionary Suite", 8);
  f.template operator()<ArtSuite>("AI Art Suite", 17);
  f.template operator()<ArtSetSuite>("AI Art Set Suite", 8);
  f.template operator()<BlendStyleSuite>("AI Blend Style Suite", 5);
  f.template operator()<DocumentSuite>("AI Document Suite", 14);
  f.template operator()<LayerSuite>("AI Layer Suite", 13);
  f.template operator()<MenuSuite>("AI Menu Suite", 11);
  f.template operator()<ModalParentSuite>("AI Modal Parent Suite", 2);
  f.template operator()<PanelSuite>("AI Panel Suite", 2);
  f.template operator()<PanelFlyoutMenuSuite>("AI Panel Flyout Menu Suite", 2);
  f.template operator()<PathSuite>("AI Path Suite", 11);
  f.template operator()<PathStyleSuite>("AI Path Style Suite", 13);
  f.template operator()<PreferenceSuite>("AI Preference Suite", 6);
  f.template operator()<RealBezierSuite>("AI Real Bezier Suite", 4);
  f.template operator()<RealMathSuite>("AI Real Math Suite", 3);
  f.template operator()<ShapeConstructionSuite>("AI Shape Construction Suite", 6);
  f.template operator()<TagSuite>("AI Tag Suite", 4);
  f.template operator()<TextFrameSuite>("AI Text Frame Suite", 4);
  f.template operator()<UIThemeSuite>("AI User Interface Theme Suite", 2);
  f.template operator()<TextRangeSuite>("ATE TextRange Suite", 1);
  f.template operator()<PlatformSuite>(kPlatformSuiteName, kPlatformSuiteVersion);
}

}  // namespace vx::host
