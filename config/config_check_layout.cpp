#include "config/config_check_layout.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "config/config_keys.h"
#include "config/config_tables.h"
#include "config/layout_geometry.h"
#include "config/text_codec.h"

namespace kavrin {
namespace {

std::string Str(int64_t n) { return std::to_string(n); }

// The command buttons but "Kavrin", and the path display, show only with their switches; a
// production line that uses the switch sees them.
constexpr const char* kShownBySwitch = " (shown by its switch)";

std::string Span(const LayoutRect& r) {
  return "x " + Str(r.left) + " to " + Str(r.right) + ", y " + Str(r.top) + " to " + Str(r.bottom);
}

LayoutRect Union(const LayoutRect& a, const LayoutRect& b) {
  if (a.IsEmpty()) return b;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

const char* PartName(LayoutPart part) {
  switch (part) {
    case LayoutPart::Button:
      return "button";
    case LayoutPart::Display:
      return "path display";
    case LayoutPart::Label:
      return "label";
    case LayoutPart::List:
      return "list";
    case LayoutPart::Box:
      return "box";
    case LayoutPart::TextBox:
      return "text box";
    case LayoutPart::Result:
      return "result";
  }
  return "control";
}

// A key and the value it gave, for naming what places a control.
struct PlacingKey {
  std::u16string_view key;
  std::string value;
};

// What a finding needs to know about one group of controls.
struct GroupText {
  std::u16string section;  // the finding's subject
  std::u16string key;
  std::string name;            // before the part names: the "Kavrin" button
  std::string owner;           // after them: the label of [SNAP_CNT]
  std::string suffix;          // after everything: (shown by its switch)
  std::u16string_view layout;  // the section whose keys place the group; empty: a fixed place
  std::vector<PlacingKey> horizontal, vertical;
};

// The controls of a group that a finding is about.
struct Parts {
  std::vector<LayoutPart> parts;
  LayoutRect extent;
  void Add(const LayoutControl& control) {
    parts.push_back(control.part);
    extent = Union(extent, control.shown);
  }
  bool Empty() const { return parts.empty(); }
};

class LayoutChecker {
 public:
  LayoutChecker(const ConfigFile& config, std::vector<ConfigFinding>& findings)
      : config_(config), findings_(findings), client_(NominalClientArea(config.windowLayout)) {}

  void Run() {
    CheckWindowSize();
    const std::vector<LayoutGroup> groups = PlaceWindowControls(config_);
    for (std::size_t g = 0; g < groups.size(); ++g) {
      const GroupText text = Describe(groups[g]);
      CheckPlacement(groups[g], text);
      CheckOverlaps(groups, g, text);
    }
  }

 private:
  void Add(std::u16string_view section, std::u16string_view key, std::string message) {
    findings_.push_back(
        ConfigFinding{std::u16string(section), std::u16string(key), std::move(message)});
  }

  void CheckWindowSize() {
    const WindowLayout& w = config_.windowLayout;
    if (w.width > kToolkitCoordinateLimit)
      Add(keys::kWindowLayout, u"WIDTH",
          std::to_string(w.width) +
              " is wider than any screen; the window takes the screen's width");
    if (w.height > kToolkitCoordinateLimit)
      Add(keys::kWindowLayout, u"HEIGHT",
          std::to_string(w.height) +
              " is taller than any screen; the window takes the screen's height");
  }

  // Off the client area, or beyond any screen: one finding for the group.
  void CheckPlacement(const LayoutGroup& group, const GroupText& text) {
    Parts outside;
    bool beyondScreens = false;
    bool wholly = true;
    bool crossesX = false;
    bool crossesY = false;
    for (const LayoutControl& control : group.controls) {
      const LayoutRect& r = control.shown;
      if (r.IsEmpty() || r.Within(client_)) continue;
      // A frameless text that starts in the window shows its text; only a cut frame shows.
      if (!control.framed && r.Overlaps(client_) && !BeyondAnyScreen(r)) continue;
      outside.Add(control);
      beyondScreens = beyondScreens || BeyondAnyScreen(r);
      wholly = wholly && !r.Overlaps(client_);
      crossesX = crossesX || r.left < client_.left || r.right > client_.right;
      crossesY = crossesY || r.top < client_.top || r.bottom > client_.bottom;
    }
    if (outside.Empty()) return;

    // A control at a fixed place is outside because the window is too small.
    std::u16string key = text.key;
    if (text.layout.empty()) {
      key = crossesX == crossesY ? u"" : crossesX ? u"WIDTH" : u"HEIGHT";
    }
    const std::u16string_view section = text.layout.empty() ? keys::kWindowLayout : text.section;
    std::string message =
        What(outside, text) + " (" + Span(outside.extent) + ") " + Verb(outside, "lies", "lie");
    if (beyondScreens) {
      message += " beyond any screen, whose coordinates end at " + Str(kToolkitCoordinateLimit) +
                 "; nobody can see or reach " + Pronoun(outside);
    } else {
      message += std::string(wholly ? " wholly" : " partly") +
                 " outside the window's client area (" + Str(client_.right) + " x " +
                 Str(client_.bottom) + " for " + WindowSize() + ", less caption and frame); " +
                 (wholly ? "nobody can see or reach " : "the window's edge cuts ") +
                 Pronoun(outside);
    }
    message += text.layout.empty()
                   ? "; it has a fixed place, so the window must be larger"
                   : PlacedBy(text, crossesX || beyondScreens, crossesY || beyondScreens);
    Add(section, key, std::move(message));
  }

  // Against every control made before it, and its own label against its own field.
  void CheckOverlaps(const std::vector<LayoutGroup>& groups, std::size_t g, const GroupText& text) {
    const LayoutGroup& group = groups[g];
    for (std::size_t a = 0; a < group.controls.size(); ++a) {
      for (std::size_t b = a + 1; b < group.controls.size(); ++b) {
        if (!group.controls[a].shown.Overlaps(group.controls[b].shown)) continue;
        Parts both;
        both.Add(group.controls[a]);
        both.Add(group.controls[b]);
        Add(text.section, text.key,
            What(both, text) + " (" + Span(both.extent) + ") overlap each other" +
                PlacedBy(text, true, true));
      }
    }
    std::vector<bool> mineHit(group.controls.size(), false);
    Parts first;  // the controls of the first earlier group it covers
    std::size_t firstGroup = 0;
    std::size_t covered = 0;
    for (std::size_t other = 0; other < g; ++other) {
      const std::vector<LayoutControl>& earlier = groups[other].controls;
      std::vector<bool> theirHit(earlier.size(), false);
      for (std::size_t c = 0; c < group.controls.size(); ++c) {
        for (std::size_t e = 0; e < earlier.size(); ++e) {
          if (!group.controls[c].shown.Overlaps(earlier[e].shown)) continue;
          mineHit[c] = true;
          theirHit[e] = true;
        }
      }
      if (std::find(theirHit.begin(), theirHit.end(), true) == theirHit.end()) continue;
      if (covered++ == 0) {
        firstGroup = other;
        for (std::size_t e = 0; e < earlier.size(); ++e)
          if (theirHit[e]) first.Add(earlier[e]);
      }
    }
    Parts mine;
    for (std::size_t c = 0; c < group.controls.size(); ++c)
      if (mineHit[c]) mine.Add(group.controls[c]);
    if (covered == 0) return;
    const GroupText earlier = Describe(groups[firstGroup]);
    std::string message = What(mine, text) + " (" + Span(mine.extent) + ") " +
                          Verb(mine, "overlaps", "overlap") + " " + What(first, earlier) + " (" +
                          Span(first.extent) + ")";
    if (covered > 1) message += " (and " + Str(static_cast<int64_t>(covered - 1)) + " more)";
    message += PlacedBy(text, true, true);
    if (!earlier.layout.empty() && earlier.layout != text.layout) {
      message += " and " + KeysOf(earlier, true, true);
    } else if (earlier.layout.empty()) {
      message += "; " + What(first, earlier) + " has a fixed place";
    }
    Add(text.section, text.key, std::move(message));
  }

  static std::string Verb(const Parts& parts, const char* one, const char* many) {
    return parts.parts.size() == 1 ? one : many;
  }
  static std::string Pronoun(const Parts& parts) { return parts.parts.size() == 1 ? "it" : "them"; }

  // "the label and list of [CYCLE_TIME]", "the \"Kavrin\" button".
  static std::string What(const Parts& parts, const GroupText& text) {
    std::string names;
    for (std::size_t i = 0; i < parts.parts.size(); ++i) {
      if (i > 0) names += i + 1 == parts.parts.size() ? " and " : ", ";
      names += PartName(parts.parts[i]);
    }
    std::string what = "the ";
    if (!text.name.empty()) what += text.name + " ";
    what += names;
    if (!text.owner.empty()) what += " of " + text.owner;
    return what + text.suffix;
  }

  std::string WindowSize() const {
    const bool written = config_.HasKey(keys::kWindowLayout, u"WIDTH") ||
                         config_.HasKey(keys::kWindowLayout, u"HEIGHT");
    return "[WINDOW_LAYOUT] WIDTH=" + std::to_string(config_.windowLayout.width) +
           ", HEIGHT=" + std::to_string(config_.windowLayout.height) +
           (written ? "" : ", the built-in size");
  }

  static std::string KeysOf(const GroupText& text, bool horizontal, bool vertical) {
    std::string list;
    auto add = [&](const std::vector<PlacingKey>& keys) {
      for (const PlacingKey& k : keys) {
        if (list.find(" " + ToUtf8(k.key) + "=") != std::string::npos) continue;
        list += (list.empty() ? " " : ", ") + ToUtf8(k.key) + "=" + k.value;
      }
    };
    if (horizontal) add(text.horizontal);
    if (vertical) add(text.vertical);
    return "[" + ToUtf8(text.layout) + "]" + list;
  }

  static std::string PlacedBy(const GroupText& text, bool horizontal, bool vertical) {
    if (text.layout.empty()) return "; the window places it at a fixed place";
    return "; placed by " + KeysOf(text, horizontal, vertical);
  }

  // A number key of a layout table and the value it gave.
  template <class Record, std::size_t N>
  static PlacingKey Key(const tables::NumberKey<Record> (&table)[N], const Record& record,
                        uint32_t Record::*field) {
    return Value(tables::KeyOf(table, field), record.*field);
  }
  static PlacingKey Value(std::u16string_view key, uint32_t value) {
    return {key, Str(LayoutValue(value))};
  }
  static PlacingKey Count(std::u16string_view key, uint32_t value) {
    return {key, std::to_string(value)};
  }

  // "[CYCLE_TIME]" for the section a list entry names, or the entry's key when it names none.
  std::string NamedBy(std::u16string_view list, const std::u16string& key) const {
    const std::u16string name = config_.ReadString(list, key, u"", kItemTextRoom);
    return name.empty() ? ToUtf8(key) : "[" + ToUtf8(name) + "]";
  }

  GroupText Describe(const LayoutGroup& group) const {
    GroupText text;
    switch (group.kind) {
      case LayoutGroupKind::CommandButton: {
        const CommandButtonPlace& place = kCommandButtonPlaces[group.index];
        text.section = keys::kWindowLayout;
        text.name = "\"" + ToUtf8(place.label) + "\"";
        if (place.button != CommandButton::Kavrin) text.suffix = kShownBySwitch;
        return text;
      }
      case LayoutGroupKind::PathDisplay:
        text.section = keys::kWindowLayout;
        text.suffix = kShownBySwitch;
        return text;
      case LayoutGroupKind::ItemRow: {
        const ItemLayout& l = config_.itemLayout;
        text.section = keys::kItemList;
        text.key = keys::ListItemKey(group.index);
        text.owner = NamedBy(keys::kItemList, text.key);
        text.layout = keys::kItemLayout;
        const bool later = group.index > 0;
        const uint32_t perColumn = l.itemsPerColumn == 0 ? UINT32_MAX : l.itemsPerColumn;
        const auto& t = tables::kItemLayout;
        text.horizontal = {Key(t, l, &ItemLayout::x), Key(t, l, &ItemLayout::titleWidth),
                           Key(t, l, &ItemLayout::titleOptionGap),
                           Key(t, l, &ItemLayout::optionWidth)};
        text.vertical = {Key(t, l, &ItemLayout::y)};
        if (group.index % perColumn > 0) text.vertical.push_back(Key(t, l, &ItemLayout::lineShift));
        text.vertical.push_back(Key(t, l, &ItemLayout::titleShift));
        text.vertical.push_back(Key(t, l, &ItemLayout::itemHeight));
        if (later) {
          const std::u16string_view perColumnKey = tables::KeyOf(t, &ItemLayout::itemsPerColumn);
          text.horizontal.push_back(Count(perColumnKey, l.itemsPerColumn));
          text.vertical.push_back(Count(perColumnKey, l.itemsPerColumn));
        }
        return text;
      }
      case LayoutGroupKind::Logo: {
        const LogoPanel& p = config_.logoPanel;
        text.section = keys::kLogo;
        text.owner = "the date stamp logo";
        text.layout = keys::kLogo;
        const auto& t = tables::kLogo;
        text.horizontal = {Key(t, p, &LogoPanel::x), Key(t, p, &LogoPanel::width)};
        text.vertical = {Key(t, p, &LogoPanel::y), Key(t, p, &LogoPanel::height),
                         Key(t, p, &LogoPanel::gap)};
        return text;
      }
      case LayoutGroupKind::InfoRow: {
        const InfoPanel& p = config_.infoPanel;
        text.section = keys::kInfoLayout;
        text.key = keys::InfoTitleKey(group.index);
        const std::u16string& title = p.rows[group.index].title;
        text.owner = "information row " + ToUtf8(text.key) +
                     (title.empty() ? "" : " (\"" + ToUtf8(title) + "\")");
        text.layout = keys::kInfoLayout;
        PanelKeys(tables::kInfoLayout, p, group.index, text);
        return text;
      }
      case LayoutGroupKind::TestRow: {
        const TestPanel& p = config_.testPanel;
        text.section = keys::kTestItemList;
        text.key = keys::ListItemKey(group.index);
        text.owner = "test " + NamedBy(keys::kTestItemList, text.key);
        text.layout = keys::kTestItemLayout;
        PanelKeys(tables::kTestItemLayout, p, group.index, text);
        return text;
      }
    }
    return text;
  }

  // The information and engine-test panels share their field names, not their keys.
  template <class Panel, std::size_t N>
  static void PanelKeys(const tables::NumberKey<Panel> (&t)[N], const Panel& p, uint32_t index,
                        GroupText& text) {
    text.horizontal = {Key(t, p, &Panel::x), Key(t, p, &Panel::titleWidth), Key(t, p, &Panel::gap),
                       Key(t, p, &Panel::contentWidth)};
    text.vertical = {Key(t, p, &Panel::y)};
    if (index > 0) text.vertical.push_back(Key(t, p, &Panel::lineShift));
    text.vertical.push_back(Key(t, p, &Panel::rowHeight));
  }

  const ConfigFile& config_;
  std::vector<ConfigFinding>& findings_;
  const LayoutRect client_;
};

}  // namespace

void CheckLayout(const ConfigFile& config, std::vector<ConfigFinding>& findings) {
  LayoutChecker(config, findings).Run();
}

}  // namespace kavrin
