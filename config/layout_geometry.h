#pragma once
// Where the main window puts every control it builds: the command buttons and the path
// display at their fixed places, the item rows, the logo, information and test panels at the
// places the configuration's layouts give. The window creates its controls from these
// rectangles and `kavrin config --check` looks at the very same ones.
//
// Layout values are 32-bit numbers in the file. Each is taken as the signed number it writes
// ("-5" places a control 5 pixels left of the edge, as the window always has) and every sum
// and product is done in 64 bits, so that no value in a file can overflow the arithmetic.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/panels.h"

namespace kavrin {

class ConfigFile;

// Client-area pixels; right and bottom exclusive.
struct LayoutRect {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
  int64_t Width() const { return right - left; }
  int64_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  // True when the two share at least one pixel.
  bool Overlaps(const LayoutRect& other) const;
  // True when every pixel lies inside `area`.
  bool Within(const LayoutRect& area) const;
  bool operator==(const LayoutRect&) const = default;
};

// A layout value as the signed 32-bit number the file writes.
int64_t LayoutValue(uint32_t value);

// Window systems take coordinates and sizes as 16-bit numbers (X11) or reject larger ones;
// nothing placed beyond this shows on any screen. What reaches a toolkit is cut into
// -limit..limit.
inline constexpr int64_t kToolkitCoordinateLimit = 32767;
int ToolkitCoordinate(int64_t value);
// True when some edge lies beyond what any screen shows.
bool BeyondAnyScreen(const LayoutRect& rect);

// The frame the configuration's window sizes were made for: a fixed dialog frame at 96 dots
// per inch, 3-pixel borders and a 23-pixel caption. WINDOW_LAYOUT is the outer size.
inline constexpr int64_t kNominalFrameBorder = 3;
inline constexpr int64_t kNominalCaptionHeight = 23;
// The client area of a window of the layout's outer size in that frame.
LayoutRect NominalClientArea(const WindowLayout& window);

// A drop-down's rectangle includes its dropped-down list; closed, it shows a box of about
// the height of one line of the default font. At least this much of it is always drawn.
inline constexpr int64_t kDropDownBoxHeight = 20;
LayoutRect ClosedDropDown(const LayoutRect& rect);

// One row of a panel: a label and the control beside it (an item's list, an information
// row's text box, a test's result), or the logo's label and box.
struct RowRects {
  LayoutRect label;
  LayoutRect field;
};

// Item i (from 0): columns of ITEM_PER_COL rows (0 means one column), the label TITLE_SHIFT
// below its list and the list TITLE_SHIFT below the row's top.
RowRects ItemRowRects(const ItemLayout& layout, uint32_t index);
RowRects InfoRowRects(const InfoPanel& panel, uint32_t index);
RowRects TestRowRects(const TestPanel& panel, uint32_t index);
// The logo's label and its editable drop-down box (dropped-down list included).
RowRects LogoRects(const LogoPanel& panel);

enum class CommandButton { Save, Load, GetKavrin, SetDefault, Kavrin };

struct CommandButtonPlace {
  CommandButton button;
  std::u16string_view label;
  LayoutRect rect;
};

// The command buttons in the order the window creates them; each is 80 x 30.
inline constexpr std::array<CommandButtonPlace, 5> kCommandButtonPlaces{{
    {CommandButton::Save, u"Save", {8, 12, 88, 42}},
    {CommandButton::Load, u"Load", {95, 12, 175, 42}},
    {CommandButton::GetKavrin, u"Get Kavrin", {8, 45, 88, 75}},
    {CommandButton::SetDefault, u"Set Def.", {95, 45, 175, 75}},
    {CommandButton::Kavrin, u"Kavrin", {410, 12, 490, 42}},
}};

inline constexpr LayoutRect kPathDisplayRect{180, 12, 400, 42};

// Every control of the window, grouped by what made it, in the order the window creates them.
enum class LayoutGroupKind { CommandButton, PathDisplay, ItemRow, Logo, InfoRow, TestRow };
enum class LayoutPart { Button, Display, Label, List, Box, TextBox, Result };

struct LayoutControl {
  LayoutPart part;
  LayoutRect rect;   // as created: a drop-down's includes its dropped-down list
  LayoutRect shown;  // what shows while nothing is dropped down
  // Drawn with a frame (buttons, drop-downs, the sunken path display): cut by the window's
  // edge it looks broken. A text without a frame (labels, the borderless information boxes,
  // test results) shows its text while its start is in the window.
  bool framed;
};

struct LayoutGroup {
  LayoutGroupKind kind;
  uint32_t index;  // the row, or the position in kCommandButtonPlaces
  std::vector<LayoutControl> controls;
};

std::vector<LayoutGroup> PlaceWindowControls(const ConfigFile& config);

}  // namespace kavrin
