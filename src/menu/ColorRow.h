#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The new-timer window's row of colour buttons: no colour (tag -1), the ten palette colours
// (tags 0...9) and any colour (tag 999, the colour dialog). Each button is named
// "color-<tag>" and reports its tag to `onPick`.
namespace ColorRow {

inline constexpr int kNoColorTag = -1;
inline constexpr int kAnyColorTag = 999;
inline constexpr int kButtonSize = 24;
inline constexpr int kButtonStep = 30;
// Twelve buttons of 24 with gaps of 6.
inline constexpr int kNaturalWidth = 12 * kButtonSize + 11 * (kButtonStep - kButtonSize);

// A row 24 high and at least `minWidth` wide, its buttons centred; the button of the colour
// `selected` names carries the selection ring.
QWidget* makeColorRow(const std::optional<QString>& selected, std::function<void(int tag)> onPick,
                      int minWidth, QWidget* parent = nullptr);

} // namespace ColorRow
