// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string_view>

enum class SettingType
{
    String,
    Bool,
    Integer,
    HotkeyValue,
    Bytes,
    StringList
};

// One preference: its stored name, its type and the value it has when nothing is stored.
struct SettingKey
{
    std::string_view name;
    SettingType type;
    std::string_view defaultText = {}; // String and StringList (comma-separated)
    qint64 defaultNumber = 0;          // Bool (0 or 1), Integer, HotkeyValue

    bool operator==(const SettingKey& other) const { return name == other.name; }
};

// The stored name, as Settings::changed(key) reports it.
inline QLatin1StringView settingName(const SettingKey& key)
{
    return QLatin1StringView(key.name.data(), qsizetype(key.name.size()));
}

// Every preference key Vantro reads or writes. Raw key strings appear nowhere else.
namespace SettingsKeys {

inline constexpr SettingKey openaiApiKey{"openai_api_key", SettingType::String};
inline constexpr SettingKey openaiModel{"openai_model", SettingType::String, "gpt-4o"};
inline constexpr SettingKey userProjects{"userProjects", SettingType::Bytes};
inline constexpr SettingKey userPrompts{"userPrompts", SettingType::Bytes}; // legacy: read for migration only
inline constexpr SettingKey activeProjectIndex{"active_project_index", SettingType::Integer};
inline constexpr SettingKey totalPromptsUsed{"total_prompts_used", SettingType::Integer};
inline constexpr SettingKey hasCompletedOnboarding{"has_completed_onboarding", SettingType::Bool};
inline constexpr SettingKey useDoubleCopy{"use_double_copy", SettingType::Bool, {}, 1};
inline constexpr SettingKey customHotkeyKeycode{"custom_hotkey_keycode", SettingType::HotkeyValue};
inline constexpr SettingKey customHotkeyModifiers{"custom_hotkey_modifiers", SettingType::HotkeyValue};
inline constexpr SettingKey autoMemoryEnabled{"auto_memory_enabled", SettingType::Bool, {}, 1};
inline constexpr SettingKey webSearchEnabled{"web_search_enabled", SettingType::Bool, {}, 1};
inline constexpr SettingKey appTheme{"app_theme", SettingType::String};

// Platform configuration of the Linux build.
inline constexpr SettingKey apiBaseUrl{"api_base_url", SettingType::String, "https://api.openai.com"};
// Empty: "gpt-4o-mini" on OpenAI's own host, the chat model on any other.
inline constexpr SettingKey memoryModel{"memory_model", SettingType::String};
// "auto" asks the server (or knows OpenAI's models); "yes" and "no" say it for servers that cannot tell.
inline constexpr SettingKey visionSupport{"vision_support", SettingType::String, "auto"};
inline constexpr SettingKey syncBaseUrl{"sync_base_url", SettingType::String};
inline constexpr SettingKey syncClientKey{"sync_client_key", SettingType::String};
inline constexpr SettingKey syncOwnerKey{"sync_owner_key", SettingType::String};
inline constexpr SettingKey screenshotCommand{"screenshot_command", SettingType::String};
// The custom hotkey and the desktop's shortcut take the text selected without copying (PRIMARY), if there is any.
inline constexpr SettingKey usePrimarySelection{"use_primary_selection", SettingType::Bool};
// After Replace pasted the answer, the clipboard gets back what it held before.
inline constexpr SettingKey replaceRestoresClipboard{"replace_restores_clipboard", SettingType::Bool};
inline constexpr SettingKey doubleCopyIgnoredClasses{
    "double_copy_ignored_classes", SettingType::StringList,
    "xterm,uxterm,gnome-terminal-server,gnome-terminal,konsole,xfce4-terminal,terminator,tilix,alacritty,kitty,"
    "urxvt,rxvt,st-256color,st,lxterminal,mate-terminal,qterminal,sakura,terminology,wezterm,wezterm-gui,foot,"
    "guake,tilda,yakuake,cool-retro-term,com.mitchellh.ghostty,ghostty,blackbox,kgx"};

inline constexpr SettingKey all[] = {
    openaiApiKey,
    openaiModel,
    userProjects,
    activeProjectIndex,
    totalPromptsUsed,
    hasCompletedOnboarding,
    useDoubleCopy,
    customHotkeyKeycode,
    customHotkeyModifiers,
    autoMemoryEnabled,
    webSearchEnabled,
    appTheme,
    apiBaseUrl,
    syncBaseUrl,
    syncClientKey,
    syncOwnerKey,
    screenshotCommand,
    doubleCopyIgnoredClasses,
    memoryModel,
    visionSupport,
    userPrompts,
    usePrimarySelection,
    replaceRestoresClipboard,
};

} // namespace SettingsKeys
