// The plug-in's dialog templates, as data: each dialog's id, title, size and controls. The host
// builds its dialogs from these, so a handler that addresses a control its template lacks fails.
#pragma once

#include "shell/host/platform.h"

#include <span>

namespace vx::resources {

// Template ids.
inline constexpr std::int32_t kAboutDialog = 107;
inline constexpr std::int32_t kImportSettingsDialog = 108;
inline constexpr std::int32_t kOpenFileEncodingArea = 110;
inline constexpr std::int32_t kTextFieldsDialog = 111;
inline constexpr std::int32_t kSearchDialog = 114;
inline constexpr std::int32_t kExportSettingsDialog = 115;

// Control ids of the About dialog.
inline constexpr std::int32_t kAboutOk = 1;
inline constexpr std::int32_t kAboutVersion = 1062;
inline constexpr std::int32_t kAboutWebSite = 1063;

// Control ids of the open-file dialog's encoding area.
inline constexpr std::int32_t kEncodingCombo = 1081;

std::span<const host::DialogTemplate> DialogTemplates();
// nullptr when the plug-in has no template of that id.
const host::DialogTemplate* FindDialogTemplate(std::int32_t id);

}  // namespace vx::resources
