// Suite slots and tables.
#include "shell/host/slots.h"

#include <array>

namespace vx::host {
namespace slot {
const void* kSPAccessSuite = nullptr;
const void* kSPPluginsSuite = nullptr;
const void* kAINotifierSuite = nullptr;
const void* kAIContextSuite = nullptr;
const void* kAIUserSuite = nullptr;
const void* kAIFilePathSuite = nullptr;
const void* kAIFoldersSuite = nullptr;
const void* kSPBlocksSuite = nullptr;
const void* kSPFilesSuite = nullptr;
const void* kAIUnicodeStringSuite = nullptr;
const void* kAIActionManagerSuite = nullptr;
const void* kAIArraySuite = nullptr;
const void* kAIArtSuite = nullptr;
const void* kAIArtSetSuite = nullptr;
const void* kAIArtStyleSuite = nullptr;
const void* kAIATEPaintSuite = nullptr;
const void* kAIBlendStyleSuite = nullptr;
const void* kAIDictionarySuite = nullptr;
const void* kAIDictionaryIteratorSuite = nullptr;
const void* kAIDocumentSuite = nullptr;
const void* kAIDocumentViewSuite = nullptr;
const void* kAIEntrySuite = nullptr;
const void* kAIGroupSuite = nullptr;
const void* kAIHitTestSuite = nullptr;
const void* kAILayerSuite = nullptr;
const void* kAIMdMemorySuite = nullptr;
const void* kAIMenuSuite = nullptr;
const void* kAIModalParentSuite = nullptr;
const void* kAIPanelSuite = nullptr;
const void* kAIPanelFlyoutMenuSuite = nullptr;
const void* kAIPathSuite = nullptr;
const void* kAIPathStyleSuite = nullptr;
const void* kAIPluginSuite = nullptr;
const void* kAIPluginGroupSuite = nullptr;
const void* kAIPreferenceSuite = nullptr;
const void* kAIRealBezierSuite = nullptr;
const void* kAIRealMathSuite = nullptr;
const void* kAIShapeConstructionSuite = nullptr;
const void* kAITagSuite = nullptr;
const void* kAITextFrameSuite = nullptr;
const void* kAITransformArtSuite = nullptr;
const void* kAIUserInterfaceThemeSuite = nullptr;
const void* kAIURLSuite = nullptr;
const void* kATEApplicationPaintSuite = nullptr;
const void* kATECompFontSuite = nullptr;
const void* kATECompFontClassSuite = nullptr;
const void* kATECompFontClassSetSuite = nullptr;
const void* kATECompFontComponentSuite = nullptr;
const void* kATECompFontSetSuite = nullptr;
const void* kATEGlyphRunSuite = nullptr;
const void* kATEGlyphRunsIteratorSuite = nullptr;
const void* kATEMojiKumiSuite = nullptr;
const void* kATEMojiKumiSetSuite = nullptr;
const void* kATETextFrameSuite = nullptr;
const void* kATETextFramesIteratorSuite = nullptr;
const void* kATETextLineSuite = nullptr;
const void* kATETextLinesIteratorSuite = nullptr;
const void* kATETextResourcesSuite = nullptr;
const void* kATEApplicationTextResourcesSuite = nullptr;
const void* kATEDocumentTextResourcesSuite = nullptr;
const void* kATEVersionInfoSuite = nullptr;
const void* kATEArrayApplicationPaintRefSuite = nullptr;
const void* kATEArrayRealSuite = nullptr;
const void* kATEArrayBoolSuite = nullptr;
const void* kATEArrayIntegerSuite = nullptr;
const void* kATEArrayLineCapTypeSuite = nullptr;
const void* kATEArrayFigureStyleSuite = nullptr;
const void* kATEArrayLineJoinTypeSuite = nullptr;
const void* kATEArrayWariChuJustificationSuite = nullptr;
const void* kATEArrayStyleRunAlignmentSuite = nullptr;
const void* kATEArrayAutoKernTypeSuite = nullptr;
const void* kATEArrayBaselineDirectionSuite = nullptr;
const void* kATEArrayLanguageSuite = nullptr;
const void* kATEArrayFontCapsOptionSuite = nullptr;
const void* kATEArrayFontBaselineOptionSuite = nullptr;
const void* kATEArrayFontOpenTypePositionOptionSuite = nullptr;
const void* kATEArrayUnderlinePositionSuite = nullptr;
const void* kATEArrayStrikethroughPositionSuite = nullptr;
const void* kATEArrayParagraphJustificationSuite = nullptr;
const void* kATEArrayArrayRealSuite = nullptr;
const void* kATEArrayBurasagariTypeSuite = nullptr;
const void* kATEArrayPreferredKinsokuOrderSuite = nullptr;
const void* kATEArrayKinsokuRefSuite = nullptr;
const void* kATEArrayMojiKumiRefSuite = nullptr;
const void* kATEArrayMojiKumiSetRefSuite = nullptr;
const void* kATEArrayTabStopsRefSuite = nullptr;
const void* kATEArrayLeadingTypeSuite = nullptr;
const void* kATEArrayFontRefSuite = nullptr;
const void* kATEArrayGlyphIDSuite = nullptr;
const void* kATEArrayRealPointSuite = nullptr;
const void* kATEArrayRealMatrixSuite = nullptr;
const void* kATEArrayParagraphDirectionSuite = nullptr;
const void* kATEArrayJustificationMethodSuite = nullptr;
const void* kATEArrayKashidaWidthSuite = nullptr;
const void* kATEArrayKashidasSuite = nullptr;
const void* kATEArrayDirOverrideSuite = nullptr;
const void* kATEArrayDigitSetSuite = nullptr;
const void* kATEArrayDiacVPosSuite = nullptr;
const void* kATECharFeaturesSuite = nullptr;
const void* kATECharInspectorSuite = nullptr;
const void* kATECharStyleSuite = nullptr;
const void* kATECharStylesSuite = nullptr;
const void* kATECharStylesIteratorSuite = nullptr;
const void* kATEFindSuite = nullptr;
const void* kATEFontSuite = nullptr;
const void* kATEGlyphSuite = nullptr;
const void* kATEGlyphsSuite = nullptr;
const void* kATEGlyphsIteratorSuite = nullptr;
const void* kATEKinsokuSuite = nullptr;
const void* kATEKinsokuSetSuite = nullptr;
const void* kATEParaFeaturesSuite = nullptr;
const void* kATEParagraphSuite = nullptr;
const void* kATEParagraphsIteratorSuite = nullptr;
const void* kATEParaInspectorSuite = nullptr;
const void* kATEParaStyleSuite = nullptr;
const void* kATEParaStylesSuite = nullptr;
const void* kATEParaStylesIteratorSuite = nullptr;
const void* kATESpellSuite = nullptr;
const void* kATEStoriesSuite = nullptr;
const void* kATEStorySuite = nullptr;
const void* kATETabStopSuite = nullptr;
const void* kATETabStopsSuite = nullptr;
const void* kATETabStopsIteratorSuite = nullptr;
const void* kATETextRangeSuite = nullptr;
const void* kATETextRangesSuite = nullptr;
const void* kATETextRangesIteratorSuite = nullptr;
const void* kATETextRunsIteratorSuite = nullptr;
const void* kATEWordsIteratorSuite = nullptr;
const void* kATEArrayLineSuite = nullptr;
const void* kATEArrayComposerEngineSuite = nullptr;
const void* kPlatform = nullptr;
}  // namespace slot

namespace {
const std::array<SuiteEntry, 7> kFrameTable{{
    {"SP Access Suite", 3, &slot::kSPAccessSuite},
    {"SP Plug-ins Suite", 4, &slot::kSPPluginsSuite},
    {"AI Notifier Suite", 4, &slot::kAINotifierSuite},
    {"AI Context Suite", 7, &slot::kAIContextSuite},
    {"AI User Suite", 11, &slot::kAIUserSuite},
    {"AI File Path Suite", 4, &slot::kAIFilePathSuite},
    {"AI Folders Suite", 5, &slot::kAIFoldersSuite},
}};

const std::array<SuiteEntry, 123> kProgramTable{{
    {"SP Blocks Suite", 2, &slot::kSPBlocksSuite},
    {"SP Files Suite", 3, &slot::kSPFilesSuite},
    {"AI Unicode String Suite", 8, &slot::kAIUnicodeStringSuite},
    {"AI Action Manager Suite", 5, &slot::kAIActionManagerSuite},
    {"AI Array Suite", 6, &slot::kAIArraySuite},
    {"AI Art Suite", 17, &slot::kAIArtSuite},
    {"AI Art Set Suite", 8, &slot::kAIArtSetSuite},
    {"AI Art Style Suite", 7, &slot::kAIArtStyleSuite},
    {"AIATE Paint Suite", 3, &slot::kAIATEPaintSuite},
    {"AI Blend Style Suite", 5, &slot::kAIBlendStyleSuite},
    {"AI Dictionary Suite", 8, &slot::kAIDictionarySuite},
    {"AI Dictionary Iterator Suite", 3, &slot::kAIDictionaryIteratorSuite},
    {"AI Document Suite", 14, &slot::kAIDocumentSuite},
    {"AI Document View Suite", 12, &slot::kAIDocumentViewSuite},
    {"AI Entry Suite", 7, &slot::kAIEntrySuite},
    {"AI Group Suite", 5, &slot::kAIGroupSuite},
    {"AI Hit Test Suite", 6, &slot::kAIHitTestSuite},
    {"AI Layer Suite", 13, &slot::kAILayerSuite},
    {"AI MdMemory Suite", 3, &slot::kAIMdMemorySuite},
    {"AI Menu Suite", 11, &slot::kAIMenuSuite},
    {"AI Modal Parent Suite", 2, &slot::kAIModalParentSuite},
    {"AI Panel Suite", 2, &slot::kAIPanelSuite},
    {"AI Panel Flyout Menu Suite", 2, &slot::kAIPanelFlyoutMenuSuite},
    {"AI Path Suite", 11, &slot::kAIPathSuite},
    {"AI Path Style Suite", 13, &slot::kAIPathStyleSuite},
    {"AI Plugin Suite", 5, &slot::kAIPluginSuite},
    {"AI Plugin Group Suite", 6, &slot::kAIPluginGroupSuite},
    {"AI Preference Suite", 6, &slot::kAIPreferenceSuite},
    {"AI Real Bezier Suite", 4, &slot::kAIRealBezierSuite},
    {"AI Real Math Suite", 3, &slot::kAIRealMathSuite},
    {"AI Shape Construction Suite", 6, &slot::kAIShapeConstructionSuite},
    {"AI Tag Suite", 4, &slot::kAITagSuite},
    {"AI Text Frame Suite", 4, &slot::kAITextFrameSuite},
    {"AI Transform Art Suite", 3, &slot::kAITransformArtSuite},
    {"AI User Interface Theme Suite", 2, &slot::kAIUserInterfaceThemeSuite},
    {"AI URL Suite", 3, &slot::kAIURLSuite},
    {"ATE ApplicationPaint Suite", 1, &slot::kATEApplicationPaintSuite},
    {"ATE CompFont Suite", 1, &slot::kATECompFontSuite},
    {"ATE CompFontClass Suite", 1, &slot::kATECompFontClassSuite},
    {"ATE CompFontClassSet Suite", 1, &slot::kATECompFontClassSetSuite},
    {"ATE CompFontComponent Suite", 1, &slot::kATECompFontComponentSuite},
    {"ATE CompFontSet Suite", 1, &slot::kATECompFontSetSuite},
    {"ATE GlyphRun Suite", 1, &slot::kATEGlyphRunSuite},
    {"ATE GlyphRunsIterator Suite", 1, &slot::kATEGlyphRunsIteratorSuite},
    {"ATE MojiKumi Suite", 1, &slot::kATEMojiKumiSuite},
    {"ATE MojiKumiSet Suite", 1, &slot::kATEMojiKumiSetSuite},
    {"ATE TextFrame Suite", 101, &slot::kATETextFrameSuite},
    {"ATE TextFramesIterator Suite", 1, &slot::kATETextFramesIteratorSuite},
    {"ATE TextLine Suite", 1, &slot::kATETextLineSuite},
    {"ATE TextLinesIterator Suite", 1, &slot::kATETextLinesIteratorSuite},
    {"ATE TextResources Suite", 1, &slot::kATETextResourcesSuite},
    {"ATE ApplicationTextResources Suite", 1, &slot::kATEApplicationTextResourcesSuite},
    {"ATE DocumentTextResources Suite", 101, &slot::kATEDocumentTextResourcesSuite},
    {"ATE VersionInfo Suite", 1, &slot::kATEVersionInfoSuite},
    {"ATE ArrayApplicationPaintRef Suite", 1, &slot::kATEArrayApplicationPaintRefSuite},
    {"ATE ArrayReal Suite", 1, &slot::kATEArrayRealSuite},
    {"ATE ArrayBool Suite", 1, &slot::kATEArrayBoolSuite},
    {"ATE ArrayInteger Suite", 1, &slot::kATEArrayIntegerSuite},
    {"ATE ArrayLineCapType Suite", 1, &slot::kATEArrayLineCapTypeSuite},
    {"ATE ArrayFigureStyle Suite", 1, &slot::kATEArrayFigureStyleSuite},
    {"ATE ArrayLineJoinType Suite", 1, &slot::kATEArrayLineJoinTypeSuite},
    {"ATE ArrayWariChuJustification Suite", 1, &slot::kATEArrayWariChuJustificationSuite},
    {"ATE ArrayStyleRunAlignment Suite", 1, &slot::kATEArrayStyleRunAlignmentSuite},
    {"ATE ArrayAutoKernType Suite", 1, &slot::kATEArrayAutoKernTypeSuite},
    {"ATE ArrayBaselineDirection Suite", 1, &slot::kATEArrayBaselineDirectionSuite},
    {"ATE ArrayLanguage Suite", 1, &slot::kATEArrayLanguageSuite},
    {"ATE ArrayFontCapsOption Suite", 1, &slot::kATEArrayFontCapsOptionSuite},
    {"ATE ArrayFontBaselineOption Suite", 1, &slot::kATEArrayFontBaselineOptionSuite},
    {"ATE ArrayFontOpenTypePositionOption Suite", 1, &slot::kATEArrayFontOpenTypePositionOptionSuite},
    {"ATE ArrayUnderlinePosition Suite", 1, &slot::kATEArrayUnderlinePositionSuite},
    {"ATE ArrayStrikethroughPosition Suite", 1, &slot::kATEArrayStrikethroughPositionSuite},
    {"ATE ArrayParagraphJustification Suite", 1, &slot::kATEArrayParagraphJustificationSuite},
    {"ATE ArrayArrayReal Suite", 1, &slot::kATEArrayArrayRealSuite},
    {"ATE ArrayBurasagariType Suite", 1, &slot::kATEArrayBurasagariTypeSuite},
    {"ATE ArrayPreferredKinsokuOrder Suite", 1, &slot::kATEArrayPreferredKinsokuOrderSuite},
    {"ATE ArrayKinsokuRef Suite", 1, &slot::kATEArrayKinsokuRefSuite},
    {"ATE ArrayMojiKumiRef Suite", 1, &slot::kATEArrayMojiKumiRefSuite},
    {"ATE ArrayMojiKumiSetRef Suite", 1, &slot::kATEArrayMojiKumiSetRefSuite},
    {"ATE ArrayTabStopsRef Suite", 1, &slot::kATEArrayTabStopsRefSuite},
    {"ATE ArrayLeadingType Suite", 1, &slot::kATEArrayLeadingTypeSuite},
    {"ATE ArrayFontRef Suite", 1, &slot::kATEArrayFontRefSuite},
    {"ATE ArrayGlyphID Suite", 1, &slot::kATEArrayGlyphIDSuite},
    {"ATE ArrayRealPoint Suite", 1, &slot::kATEArrayRealPointSuite},
    {"ATE ArrayRealMatrix Suite", 1, &slot::kATEArrayRealMatrixSuite},
    {"ATE ArrayParagraphDirection Suite", 1, &slot::kATEArrayParagraphDirectionSuite},
    {"ATE ArrayJustificationMethod Suite", 1, &slot::kATEArrayJustificationMethodSuite},
    {"ATE ArrayKashidaWidth Suite", 1, &slot::kATEArrayKashidaWidthSuite},
    {"ATE ArrayKashidas Suite", 1, &slot::kATEArrayKashidasSuite},
    {"ATE ArrayDirOverride Suite", 1, &slot::kATEArrayDirOverrideSuite},
    {"ATE ArrayDigitSet Suite", 1, &slot::kATEArrayDigitSetSuite},
    {"ATE ArrayDiacVPos Suite", 1, &slot::kATEArrayDiacVPosSuite},
    {"ATE CharFeatures Suite", 101, &slot::kATECharFeaturesSuite},
    {"ATE CharInspector Suite", 101, &slot::kATECharInspectorSuite},
    {"ATE CharStyle Suite", 1, &slot::kATECharStyleSuite},
    {"ATE CharStyles Suite", 1, &slot::kATECharStylesSuite},
    {"ATE CharStylesIterator Suite", 1, &slot::kATECharStylesIteratorSuite},
    {"ATE Find Suite", 101, &slot::kATEFindSuite},
    {"ATE Font Suite", 1, &slot::kATEFontSuite},
    {"ATE Glyph Suite", 1, &slot::kATEGlyphSuite},
    {"ATE Glyphs Suite", 1, &slot::kATEGlyphsSuite},
    {"ATE GlyphsIterator Suite", 1, &slot::kATEGlyphsIteratorSuite},
    {"ATE Kinsoku Suite", 1, &slot::kATEKinsokuSuite},
    {"ATE KinsokuSet Suite", 1, &slot::kATEKinsokuSetSuite},
    {"ATE ParaFeatures Suite", 101, &slot::kATEParaFeaturesSuite},
    {"ATE Paragraph Suite", 1, &slot::kATEParagraphSuite},
    {"ATE ParagraphsIterator Suite", 1, &slot::kATEParagraphsIteratorSuite},
    {"ATE ParaInspector Suite", 101, &slot::kATEParaInspectorSuite},
    {"ATE ParaStyle Suite", 1, &slot::kATEParaStyleSuite},
    {"ATE ParaStyles Suite", 1, &slot::kATEParaStylesSuite},
    {"ATE ParaStylesIterator Suite", 1, &slot::kATEParaStylesIteratorSuite},
    {"ATE Spell Suite", 101, &slot::kATESpellSuite},
    {"ATE Stories Suite", 1, &slot::kATEStoriesSuite},
    {"ATE Story Suite", 1, &slot::kATEStorySuite},
    {"ATE TabStop Suite", 1, &slot::kATETabStopSuite},
    {"ATE TabStops Suite", 1, &slot::kATETabStopsSuite},
    {"ATE TabStopsIterator Suite", 1, &slot::kATETabStopsIteratorSuite},
    {"ATE TextRange Suite", 1, &slot::kATETextRangeSuite},
    {"ATE TextRanges Suite", 1, &slot::kATETextRangesSuite},
    {"ATE TextRangesIterator Suite", 1, &slot::kATETextRangesIteratorSuite},
    {"ATE TextRunsIterator Suite", 1, &slot::kATETextRunsIteratorSuite},
    {"ATE WordsIterator Suite", 1, &slot::kATEWordsIteratorSuite},
    {"ATE ArrayLine Suite", 1, &slot::kATEArrayLineSuite},
    {"ATE ArrayComposerEngine Suite", 1, &slot::kATEArrayComposerEngineSuite},
}};
}  // namespace

std::span<const SuiteEntry> FrameSuiteTable() { return kFrameTable; }
std::span<const SuiteEntry> ProgramSuiteTable() { return kProgramTable; }

std::string ErrText(Err e) {
  const auto u = static_cast<std::uint32_t>(e);
  char s[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8), static_cast<char>(u)};
  bool printable = true;
  for (char ch : s) printable = printable && ch >= 0x20 && ch < 0x7f;
  if (printable) return std::string("'") + std::string(s, 4) + "'";
  return std::to_string(e);
}

}  // namespace vx::host
