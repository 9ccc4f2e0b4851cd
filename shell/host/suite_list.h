// The suites the plug-in acquires, listed once: X(id, name, version) for each entry of the frame
// table and of the program table, in acquisition order. The slots, the tables and the suite ids
// are all made from these lists.
#pragma once

#define VX_FRAME_SUITES(X)                     \
  X(kSPAccessSuite, "SP Access Suite", 3)      \
  X(kSPPluginsSuite, "SP Plug-ins Suite", 4)   \
  X(kAINotifierSuite, "AI Notifier Suite", 4)  \
  X(kAIContextSuite, "AI Context Suite", 7)    \
  X(kAIUserSuite, "AI User Suite", 11)         \
  X(kAIFilePathSuite, "AI File Path Suite", 4) \
  X(kAIFoldersSuite, "AI Folders Suite", 5)

#define VX_PROGRAM_SUITES(X)                                                                  \
  X(kSPBlocksSuite, "SP Blocks Suite", 2)                                                     \
  X(kSPFilesSuite, "SP Files Suite", 3)                                                       \
  X(kAIUnicodeStringSuite, "AI Unicode String Suite", 8)                                      \
  X(kAIActionManagerSuite, "AI Action Manager Suite", 5)                                      \
  X(kAIArraySuite, "AI Array Suite", 6)                                                       \
  X(kAIArtSuite, "AI Art Suite", 17)                                                          \
  X(kAIArtSetSuite, "AI Art Set Suite", 8)                                                    \
  X(kAIArtStyleSuite, "AI Art Style Suite", 7)                                                \
  X(kAIATEPaintSuite, "AIATE Paint Suite", 3)                                                 \
  X(kAIBlendStyleSuite, "AI Blend Style Suite", 5)                                            \
  X(kAIDictionarySuite, "AI Dictionary Suite", 8)                                             \
  X(kAIDictionaryIteratorSuite, "AI Dictionary Iterator Suite", 3)                            \
  X(kAIDocumentSuite, "AI Document Suite", 14)                                                \
  X(kAIDocumentViewSuite, "AI Document View Suite", 12)                                       \
  X(kAIEntrySuite, "AI Entry Suite", 7)                                                       \
  X(kAIGroupSuite, "AI Group Suite", 5)                                                       \
  X(kAIHitTestSuite, "AI Hit Test Suite", 6)                                                  \
  X(kAILayerSuite, "AI Layer Suite", 13)                                                      \
  X(kAIMdMemorySuite, "AI MdMemory Suite", 3)                                                 \
  X(kAIMenuSuite, "AI Menu Suite", 11)                                                        \
  X(kAIModalParentSuite, "AI Modal Parent Suite", 2)                                          \
  X(kAIPanelSuite, "AI Panel Suite", 2)                                                       \
  X(kAIPanelFlyoutMenuSuite, "AI Panel Flyout Menu Suite", 2)                                 \
  X(kAIPathSuite, "AI Path Suite", 11)                                                        \
  X(kAIPathStyleSuite, "AI Path Style Suite", 13)                                             \
  X(kAIPluginSuite, "AI Plugin Suite", 5)                                                     \
  X(kAIPluginGroupSuite, "AI Plugin Group Suite", 6)                                          \
  X(kAIPreferenceSuite, "AI Preference Suite", 6)                                             \
  X(kAIRealBezierSuite, "AI Real Bezier Suite", 4)                                            \
  X(kAIRealMathSuite, "AI Real Math Suite", 3)                                                \
  X(kAIShapeConstructionSuite, "AI Shape Construction Suite", 6)                              \
  X(kAITagSuite, "AI Tag Suite", 4)                                                           \
  X(kAITextFrameSuite, "AI Text Frame Suite", 4)                                              \
  X(kAITransformArtSuite, "AI Transform Art Suite", 3)                                        \
  X(kAIUserInterfaceThemeSuite, "AI User Interface Theme Suite", 2)                           \
  X(kAIURLSuite, "AI URL Suite", 3)                                                           \
  X(kATEApplicationPaintSuite, "ATE ApplicationPaint Suite", 1)                               \
  X(kATECompFontSuite, "ATE CompFont Suite", 1)                                               \
  X(kATECompFontClassSuite, "ATE CompFontClass Suite", 1)                                     \
  X(kATECompFontClassSetSuite, "ATE CompFontClassSet Suite", 1)                               \
  X(kATECompFontComponentSuite, "ATE CompFontComponent Suite", 1)                             \
  X(kATECompFontSetSuite, "ATE CompFontSet Suite", 1)                                         \
  X(kATEGlyphRunSuite, "ATE GlyphRun Suite", 1)                                               \
  X(kATEGlyphRunsIteratorSuite, "ATE GlyphRunsIterator Suite", 1)                             \
  X(kATEMojiKumiSuite, "ATE MojiKumi Suite", 1)                                               \
  X(kATEMojiKumiSetSuite, "ATE MojiKumiSet Suite", 1)                                         \
  X(kATETextFrameSuite, "ATE TextFrame Suite", 101)                                           \
  X(kATETextFramesIteratorSuite, "ATE TextFramesIterator Suite", 1)                           \
  X(kATETextLineSuite, "ATE TextLine Suite", 1)                                               \
  X(kATETextLinesIteratorSuite, "ATE TextLinesIterator Suite", 1)                             \
  X(kATETextResourcesSuite, "ATE TextResources Suite", 1)                                     \
  X(kATEApplicationTextResourcesSuite, "ATE ApplicationTextResources Suite", 1)               \
  X(kATEDocumentTextResourcesSuite, "ATE DocumentTextResources Suite", 101)                   \
  X(kATEVersionInfoSuite, "ATE VersionInfo Suite", 1)                                         \
  X(kATEArrayApplicationPaintRefSuite, "ATE ArrayApplicationPaintRef Suite", 1)               \
  X(kATEArrayRealSuite, "ATE ArrayReal Suite", 1)                                             \
  X(kATEArrayBoolSuite, "ATE ArrayBool Suite", 1)                                             \
  X(kATEArrayIntegerSuite, "ATE ArrayInteger Suite", 1)                                       \
  X(kATEArrayLineCapTypeSuite, "ATE ArrayLineCapType Suite", 1)                               \
  X(kATEArrayFigureStyleSuite, "ATE ArrayFigureStyle Suite", 1)                               \
  X(kATEArrayLineJoinTypeSuite, "ATE ArrayLineJoinType Suite", 1)                             \
  X(kATEArrayWariChuJustificationSuite, "ATE ArrayWariChuJustification Suite", 1)             \
  X(kATEArrayStyleRunAlignmentSuite, "ATE ArrayStyleRunAlignment Suite", 1)                   \
  X(kATEArrayAutoKernTypeSuite, "ATE ArrayAutoKernType Suite", 1)                             \
  X(kATEArrayBaselineDirectionSuite, "ATE ArrayBaselineDirection Suite", 1)                   \
  X(kATEArrayLanguageSuite, "ATE ArrayLanguage Suite", 1)                                     \
  X(kATEArrayFontCapsOptionSuite, "ATE ArrayFontCapsOption Suite", 1)                         \
  X(kATEArrayFontBaselineOptionSuite, "ATE ArrayFontBaselineOption Suite", 1)                 \
  X(kATEArrayFontOpenTypePositionOptionSuite, "ATE ArrayFontOpenTypePositionOption Suite", 1) \
  X(kATEArrayUnderlinePositionSuite, "ATE ArrayUnderlinePosition Suite", 1)                   \
  X(kATEArrayStrikethroughPositionSuite, "ATE ArrayStrikethroughPosition Suite", 1)           \
  X(kATEArrayParagraphJustificationSuite, "ATE ArrayParagraphJustification Suite", 1)         \
  X(kATEArrayArrayRealSuite, "ATE ArrayArrayReal Suite", 1)                                   \
  X(kATEArrayBurasagariTypeSuite, "ATE ArrayBurasagariType Suite", 1)                         \
  X(kATEArrayPreferredKinsokuOrderSuite, "ATE ArrayPreferredKinsokuOrder Suite", 1)           \
  X(kATEArrayKinsokuRefSuite, "ATE ArrayKinsokuRef Suite", 1)                                 \
  X(kATEArrayMojiKumiRefSuite, "ATE ArrayMojiKumiRef Suite", 1)                               \
  X(kATEArrayMojiKumiSetRefSuite, "ATE ArrayMojiKumiSetRef Suite", 1)                         \
  X(kATEArrayTabStopsRefSuite, "ATE ArrayTabStopsRef Suite", 1)                               \
  X(kATEArrayLeadingTypeSuite, "ATE ArrayLeadingType Suite", 1)                               \
  X(kATEArrayFontRefSuite, "ATE ArrayFontRef Suite", 1)                                       \
  X(kATEArrayGlyphIDSuite, "ATE ArrayGlyphID Suite", 1)                                       \
  X(kATEArrayRealPointSuite, "ATE ArrayRealPoint Suite", 1)                                   \
  X(kATEArrayRealMatrixSuite, "ATE ArrayRealMatrix Suite", 1)                                 \
  X(kATEArrayParagraphDirectionSuite, "ATE ArrayParagraphDirection Suite", 1)                 \
  X(kATEArrayJustificationMethodSuite, "ATE ArrayJustificationMethod Suite", 1)               \
  X(kATEArrayKashidaWidthSuite, "ATE ArrayKashidaWidth Suite", 1)                             \
  X(kATEArrayKashidasSuite, "ATE ArrayKashidas Suite", 1)                                     \
  X(kATEArrayDirOverrideSuite, "ATE ArrayDirOverride Suite", 1)                               \
  X(kATEArrayDigitSetSuite, "ATE ArrayDigitSet Suite", 1)                                     \
  X(kATEArrayDiacVPosSuite, "ATE ArrayDiacVPos Suite", 1)                                     \
  X(kATECharFeaturesSuite, "ATE CharFeatures Suite", 101)                                     \
  X(kATECharInspectorSuite, "ATE CharInspector Suite", 101)                                   \
  X(kATECharStyleSuite, "ATE CharStyle Suite", 1)                                             \
  X(kATECharStylesSuite, "ATE CharStyles Suite", 1)                                           \
  X(kATECharStylesIteratorSuite, "ATE CharStylesIterator Suite", 1)                           \
  X(kATEFindSuite, "ATE Find Suite", 101)                                                     \
  X(kATEFontSuite, "ATE Font Suite", 1)                                                       \
  X(kATEGlyphSuite, "ATE Glyph Suite", 1)                                                     \
  X(kATEGlyphsSuite, "ATE Glyphs Suite", 1)                                                   \
  X(kATEGlyphsIteratorSuite, "ATE GlyphsIterator Suite", 1)                                   \
  X(kATEKinsokuSuite, "ATE Kinsoku Suite", 1)                                                 \
  X(kATEKinsokuSetSuite, "ATE KinsokuSet Suite", 1)                                           \
  X(kATEParaFeaturesSuite, "ATE ParaFeatures Suite", 101)                                     \
  X(kATEParagraphSuite, "ATE Paragraph Suite", 1)                                             \
  X(kATEParagraphsIteratorSuite, "ATE ParagraphsIterator Suite", 1)                           \
  X(kATEParaInspectorSuite, "ATE ParaInspector Suite", 101)                                   \
  X(kATEParaStyleSuite, "ATE ParaStyle Suite", 1)                                             \
  X(kATEParaStylesSuite, "ATE ParaStyles Suite", 1)                                           \
  X(kATEParaStylesIteratorSuite, "ATE ParaStylesIterator Suite", 1)                           \
  X(kATESpellSuite, "ATE Spell Suite", 101)                                                   \
  X(kATEStoriesSuite, "ATE Stories Suite", 1)                                                 \
  X(kATEStorySuite, "ATE Story Suite", 1)                                                     \
  X(kATETabStopSuite, "ATE TabStop Suite", 1)                                                 \
  X(kATETabStopsSuite, "ATE TabStops Suite", 1)                                               \
  X(kATETabStopsIteratorSuite, "ATE TabStopsIterator Suite", 1)                               \
  X(kATETextRangeSuite, "ATE TextRange Suite", 1)                                             \
  X(kATETextRangesSuite, "ATE TextRanges Suite", 1)                                           \
  X(kATETextRangesIteratorSuite, "ATE TextRangesIterator Suite", 1)                           \
  X(kATETextRunsIteratorSuite, "ATE TextRunsIterator Suite", 1)                               \
  X(kATEWordsIteratorSuite, "ATE WordsIterator Suite", 1)                                     \
  X(kATEArrayLineSuite, "ATE ArrayLine Suite", 1)                                             \
  X(kATEArrayComposerEngineSuite, "ATE ArrayComposerEngine Suite", 1)
