// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/MacKeyCodes.h"

#include <utility>

namespace {

// macOS virtual key codes of the ANSI, ISO and JIS layouts and the function block, by physical position.
constexpr std::pair<quint32, std::string_view> table[] = {
    {0x00, "AC01"}, {0x01, "AC02"}, {0x02, "AC03"}, {0x03, "AC04"}, {0x04, "AC06"}, {0x05, "AC05"}, {0x06, "AB01"},
    {0x07, "AB02"}, {0x08, "AB03"}, {0x09, "AB04"}, {0x0A, "LSGT"}, {0x0B, "AB05"}, {0x0C, "AD01"}, {0x0D, "AD02"},
    {0x0E, "AD03"}, {0x0F, "AD04"}, {0x10, "AD06"}, {0x11, "AD05"}, {0x12, "AE01"}, {0x13, "AE02"}, {0x14, "AE03"},
    {0x15, "AE04"}, {0x16, "AE06"}, {0x17, "AE05"}, {0x18, "AE12"}, {0x19, "AE09"}, {0x1A, "AE07"}, {0x1B, "AE11"},
    {0x1C, "AE08"}, {0x1D, "AE10"}, {0x1E, "AD12"}, {0x1F, "AD09"}, {0x20, "AD07"}, {0x21, "AD11"}, {0x22, "AD08"},
    {0x23, "AD10"}, {0x24, "RTRN"}, {0x25, "AC09"}, {0x26, "AC07"}, {0x27, "AC11"}, {0x28, "AC08"}, {0x29, "AC10"},
    {0x2A, "BKSL"}, {0x2B, "AB08"}, {0x2C, "AB10"}, {0x2D, "AB06"}, {0x2E, "AB07"}, {0x2F, "AB09"}, {0x30, "TAB"},
    {0x31, "SPCE"}, {0x32, "TLDE"}, {0x33, "BKSP"}, {0x35, "ESC"},  {0x40, "FK17"}, {0x41, "KPDL"}, {0x43, "KPMU"},
    {0x45, "KPAD"}, {0x47, "NMLK"}, {0x48, "VOL+"}, {0x49, "VOL-"}, {0x4A, "MUTE"}, {0x4B, "KPDV"}, {0x4C, "KPEN"},
    {0x4E, "KPSU"}, {0x4F, "FK18"}, {0x50, "FK19"}, {0x51, "KPEQ"}, {0x52, "KP0"},  {0x53, "KP1"},  {0x54, "KP2"},
    {0x55, "KP3"},  {0x56, "KP4"},  {0x57, "KP5"},  {0x58, "KP6"},  {0x59, "KP7"},  {0x5A, "FK20"}, {0x5B, "KP8"},
    {0x5C, "KP9"},  {0x5D, "AE13"}, {0x5E, "AB11"}, {0x5F, "KPCO"}, {0x60, "FK05"}, {0x61, "FK06"}, {0x62, "FK07"},
    {0x63, "FK03"}, {0x64, "FK08"}, {0x65, "FK09"}, {0x67, "FK11"}, {0x69, "FK13"}, {0x6A, "FK16"}, {0x6B, "FK14"},
    {0x6D, "FK10"}, {0x6F, "FK12"}, {0x71, "FK15"}, {0x72, "INS"},  {0x73, "HOME"}, {0x74, "PGUP"}, {0x75, "DELE"},
    {0x76, "FK04"}, {0x77, "END"},  {0x78, "FK02"}, {0x79, "PGDN"}, {0x7A, "FK01"}, {0x7B, "LEFT"}, {0x7C, "RGHT"},
    {0x7D, "DOWN"}, {0x7E, "UP"},
};

// X11 key codes of the standard evdev keymap and their XKB key names.
constexpr std::pair<quint32, std::string_view> evdevNames[] = {
    {9, "ESC"},    {10, "AE01"},  {11, "AE02"},  {12, "AE03"},  {13, "AE04"},  {14, "AE05"},  {15, "AE06"},
    {16, "AE07"},  {17, "AE08"},  {18, "AE09"},  {19, "AE10"},  {20, "AE11"},  {21, "AE12"},  {22, "BKSP"},
    {23, "TAB"},   {24, "AD01"},  {25, "AD02"},  {26, "AD03"},  {27, "AD04"},  {28, "AD05"},  {29, "AD06"},
    {30, "AD07"},  {31, "AD08"},  {32, "AD09"},  {33, "AD10"},  {34, "AD11"},  {35, "AD12"},  {36, "RTRN"},
    {38, "AC01"},  {39, "AC02"},  {40, "AC03"},  {41, "AC04"},  {42, "AC05"},  {43, "AC06"},  {44, "AC07"},
    {45, "AC08"},  {46, "AC09"},  {47, "AC10"},  {48, "AC11"},  {49, "TLDE"},  {51, "BKSL"},  {52, "AB01"},
    {53, "AB02"},  {54, "AB03"},  {55, "AB04"},  {56, "AB05"},  {57, "AB06"},  {58, "AB07"},  {59, "AB08"},
    {60, "AB09"},  {61, "AB10"},  {63, "KPMU"},  {65, "SPCE"},  {67, "FK01"},  {68, "FK02"},  {69, "FK03"},
    {70, "FK04"},  {71, "FK05"},  {72, "FK06"},  {73, "FK07"},  {74, "FK08"},  {75, "FK09"},  {76, "FK10"},
    {77, "NMLK"},  {79, "KP7"},   {80, "KP8"},   {81, "KP9"},   {82, "KPSU"},  {83, "KP4"},   {84, "KP5"},
    {85, "KP6"},   {86, "KPAD"},  {87, "KP1"},   {88, "KP2"},   {89, "KP3"},   {90, "KP0"},   {91, "KPDL"},
    {94, "LSGT"},  {95, "FK11"},  {96, "FK12"},  {104, "KPEN"}, {106, "KPDV"}, {110, "HOME"}, {111, "UP"},
    {112, "PGUP"}, {113, "LEFT"}, {114, "RGHT"}, {115, "END"},  {116, "DOWN"}, {117, "PGDN"}, {118, "INS"},
    {119, "DELE"}, {121, "MUTE"}, {122, "VOL-"}, {123, "VOL+"}, {125, "KPEQ"}, {191, "FK13"}, {192, "FK14"},
    {193, "FK15"}, {194, "FK16"}, {195, "FK17"}, {196, "FK18"}, {197, "FK19"}, {198, "FK20"},
};

} // namespace

namespace MacKeyCodes {

std::string_view xkbKeyName(quint32 macKeyCode)
{
    for (const auto& [code, name] : table)
        if (code == macKeyCode)
            return name;
    return {};
}

int macKeyCode(std::string_view xkbKeyName)
{
    for (const auto& [code, name] : table)
        if (name == xkbKeyName)
            return int(code);
    return -1;
}

std::optional<quint32> fromX11Keycode(quint32 keycode)
{
    for (const auto& [x11, name] : evdevNames) {
        if (x11 == keycode) {
            const int code = macKeyCode(name);
            if (code < 0)
                return std::nullopt;
            return quint32(code);
        }
    }
    return std::nullopt;
}

} // namespace MacKeyCodes
