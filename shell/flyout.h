// The flyout menu's callbacks: which items are enabled, and what choosing one does.
#pragma once

#include "shell/host/types.h"

#include <cstdint>

namespace vx::shell {

// Before the menu shows: the items that need a layer are enabled only when the document has one.
void FlyoutDisplay(host::PanelHandle panel) noexcept;
// Runs the command of the chosen item.
void FlyoutCommand(host::PanelHandle panel, std::int32_t itemId) noexcept;

inline constexpr const char* kNeedDocumentMessage = "新規ドキュメントを開いた状態で実行してください";
inline constexpr const char* kImportFailedMessage = "読み込みでエラーが発生しました";

}  // namespace vx::shell
