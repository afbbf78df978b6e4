// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/HotkeyKeys.h"

#include <QCoreApplication>

#include <utility>

namespace {

struct NamedKey
{
    quint32 code;
    const char* name;
};

// Letters and digits of the ANSI layout, then the named keys.
constexpr NamedKey names[] = {
    {0, "A"},     {1, "S"},     {2, "D"},     {3, "F"},      {4, "H"},       {5, "G"},      {6, "Z"},      {7, "X"},
    {8, "C"},     {9, "V"},     {11, "B"},    {12, "Q"},     {13, "W"},      {14, "E"},     {15, "R"},     {16, "Y"},
    {17, "T"},    {18, "1"},    {19, "2"},    {20, "3"},     {21, "4"},      {22, "6"},     {23, "5"},     {25, "9"},
    {26, "7"},    {28, "8"},    {29, "0"},    {31, "O"},     {32, "U"},      {34, "I"},     {35, "P"},     {37, "L"},
    {38, "J"},    {40, "K"},    {45, "N"},    {46, "M"},     {36, "Return"}, {48, "Tab"},   {49, "Space"}, {122, "F1"},
    {120, "F2"},  {99, "F3"},   {118, "F4"},  {96, "F5"},    {97, "F6"},     {98, "F7"},    {100, "F8"},   {101, "F9"},
    {109, "F10"}, {103, "F11"}, {111, "F12"}, {105, "F13"},  {107, "F14"},   {113, "F15"},  {106, "F16"},  {64, "F17"},
    {79, "F18"},  {80, "F19"},  {90, "F20"},  {123, "Left"}, {124, "Right"}, {125, "Down"}, {126, "Up"},
};

// Qt keys that have no letter or digit, by their US-layout position.
constexpr std::pair<int, quint32> otherQtKeys[] = {
    {Qt::Key_Return, 36},      {Qt::Key_Enter, 76},      {Qt::Key_Tab, 48},          {Qt::Key_Backtab, 48},
    {Qt::Key_Space, 49},       {Qt::Key_Escape, 53},     {Qt::Key_Backspace, 51},    {Qt::Key_Delete, 117},
    {Qt::Key_Home, 115},       {Qt::Key_End, 119},       {Qt::Key_PageUp, 116},      {Qt::Key_PageDown, 121},
    {Qt::Key_Left, 123},       {Qt::Key_Right, 124},     {Qt::Key_Down, 125},        {Qt::Key_Up, 126},
    {Qt::Key_Minus, 27},       {Qt::Key_Underscore, 27}, {Qt::Key_Equal, 24},        {Qt::Key_Plus, 24},
    {Qt::Key_BracketLeft, 33}, {Qt::Key_BraceLeft, 33},  {Qt::Key_BracketRight, 30}, {Qt::Key_BraceRight, 30},
    {Qt::Key_Semicolon, 41},   {Qt::Key_Colon, 41},      {Qt::Key_Apostrophe, 39},   {Qt::Key_QuoteDbl, 39},
    {Qt::Key_Comma, 43},       {Qt::Key_Less, 43},       {Qt::Key_Period, 47},       {Qt::Key_Greater, 47},
    {Qt::Key_Slash, 44},       {Qt::Key_Question, 44},   {Qt::Key_Backslash, 42},    {Qt::Key_Bar, 42},
    {Qt::Key_QuoteLeft, 50},   {Qt::Key_AsciiTilde, 50}, {Qt::Key_Insert, 114},
};

// Shifted digits on the US layout, so that Ctrl+Shift+1 records the 1 key rather than nothing.
constexpr std::pair<int, int> shiftedDigits[] = {
    {Qt::Key_Exclam, Qt::Key_1},     {Qt::Key_At, Qt::Key_2},       {Qt::Key_NumberSign, Qt::Key_3},
    {Qt::Key_Dollar, Qt::Key_4},     {Qt::Key_Percent, Qt::Key_5},  {Qt::Key_AsciiCircum, Qt::Key_6},
    {Qt::Key_Ampersand, Qt::Key_7},  {Qt::Key_Asterisk, Qt::Key_8}, {Qt::Key_ParenLeft, Qt::Key_9},
    {Qt::Key_ParenRight, Qt::Key_0},
};

} // namespace

namespace HotkeyKeys {

QString keyName(quint32 keyCode)
{
    for (const NamedKey& key : names) {
        if (key.code == keyCode)
            return QString::fromLatin1(key.name);
    }
    return QStringLiteral("Key") + QString::number(keyCode);
}

QString display(quint32 keyCode, quint32 modifiers)
{
    if (keyCode == 0)
        return QCoreApplication::translate("HotkeyTab", "Not set");
    QString text;
    if (modifiers & commandBit)
        text += QStringLiteral("Ctrl+");
    if (modifiers & shiftBit)
        text += QStringLiteral("Shift+");
    if (modifiers & optionBit)
        text += QStringLiteral("Alt+");
    if (modifiers & controlBit)
        text += QStringLiteral("Super+");
    return text + keyName(keyCode);
}

quint32 storedModifiers(Qt::KeyboardModifiers modifiers)
{
    quint32 bits = 0;
    if (modifiers & Qt::ControlModifier)
        bits |= commandBit;
    if (modifiers & Qt::ShiftModifier)
        bits |= shiftBit;
    if (modifiers & Qt::AltModifier)
        bits |= optionBit;
    if (modifiers & Qt::MetaModifier)
        bits |= controlBit;
    return bits;
}

std::optional<quint32> macKeyCodeForQtKey(int qtKey)
{
    for (const auto& [shifted, digit] : shiftedDigits) {
        if (qtKey == shifted)
            qtKey = digit;
    }
    QString name;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        name = QChar(u'A' + (qtKey - Qt::Key_A));
    else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        name = QChar(u'0' + (qtKey - Qt::Key_0));
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F20)
        name = QStringLiteral("F") + QString::number(qtKey - Qt::Key_F1 + 1);
    if (!name.isEmpty()) {
        for (const NamedKey& key : names) {
            if (QLatin1StringView(key.name) == name)
                return key.code;
        }
    }
    for (const auto& [key, code] : otherQtKeys) {
        if (key == qtKey)
            return code;
    }
    return std::nullopt;
}

bool isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace HotkeyKeys
