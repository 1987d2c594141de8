#include "ui/config_layout.h"

#include <algorithm>
#include <array>

namespace quorvix {
namespace {

using enum ControlKind;

constexpr ControlLayout Control(std::string_view name, ControlKind kind,
                                ControlId container, std::string_view caption,
                                TwipRect bounds, int tab_index) {
  ControlLayout item;
  item.name = name;
  item.kind = kind;
  item.container = container;
  item.caption = caption;
  item.bounds = bounds;
  item.tab_index = tab_index;
  return item;
}

constexpr ControlLayout Bar(std::string_view name, TwipRect bounds,
                            int tab_index, int range_min, int range_max) {
  ControlLayout item =
      Control(name, kScrollBar, cfg::frmDMXIn, "", bounds, tab_index);
  item.range_min = range_min;
  item.range_max = range_max;
  item.position = 50;
  return item;
}

constexpr ControlLayout RightAligned(ControlLayout item) {
  item.alignment = TextAlignment::kRight;
  return item;
}

constexpr ControlLayout Holding(std::string_view widest, ControlLayout item) {
  item.widest = widest;
  return item;
}

constexpr ControlLayout Default(ControlLayout item) {
  item.default_button = true;
  return item;
}

// Bounds relative to the enclosing frame, as the form was drawn.
constexpr std::array<ControlLayout, cfg::kControlCount> kDrawn{
    Control("frmCommunication", kFrame, kNoControl,
            "Kommunikationseinstellungen", {120, 120, 3975, 735}, 0),
    Control("Label1", kLabel, cfg::frmCommunication,
            "COM-Port:", {120, 300, 735, 255}, 3),
    Holding("COM8", Control("cmbCOM", kDropDownList, cfg::frmCommunication, "",
                            {960, 240, 975, 315}, 1)),
    Control("Label2", kLabel, cfg::frmCommunication,
            "Baud-Rate:", {2040, 300, 855, 255}, 4),
    Holding("38400", Control("cmbBaud", kDropDownList, cfg::frmCommunication,
                             "", {2880, 240, 975, 315}, 2)),
    Control("frmDMXIn", kFrame, kNoControl, "DMX-In", {120, 960, 3975, 1215},
            5),
    Control("chkDMXInActive", kCheckBox, cfg::frmDMXIn, "DMX-In aktiv",
            {120, 240, 3735, 255}, 6),
    Control("Label3", kLabel, cfg::frmDMXIn,
            "Anzahl zu überwachender Kanäle:", {360, 525, 2655, 255}, 7),
    Holding("255",
            RightAligned(Control("txtDMXInChannels", kTextField, cfg::frmDMXIn,
                                 "50", {3120, 480, 480, 285}, 8))),
    Bar("udDMXInChannels", {3600, 480, 255, 285}, 18, 1, 255),
    Control("Label4", kLabel, cfg::frmDMXIn,
            "Abfrageintervall (ms):", {360, 880, 2655, 255}, 9),
    Holding("1000",
            RightAligned(Control("txtDMXInInterval", kTextField, cfg::frmDMXIn,
                                 "50", {3120, 840, 480, 285}, 10))),
    Bar("udDMXInInterval", {3600, 840, 255, 285}, 19, 25, 1000),
    Control("frmTest", kFrame, kNoControl, "Verbindung",
            {120, 2280, 3975, 3015}, 11),
    Control("txtRecv", kMultiLineText, cfg::frmTest, "", {120, 240, 3735, 1335},
            13),
    Control("txtSend", kTextField, cfg::frmTest, "s", {120, 1560, 2895, 285},
            14),
    Default(Control("cmdSend", kButton, cfg::frmTest, "&Senden",
                    {3000, 1560, 855, 285}, 12)),
    Control("cmdShowSetup", kButton, cfg::frmTest, "Setupmenü anzeigen",
            {120, 2040, 1815, 375}, 16),
    Control("cmdShowInfo", kButton, cfg::frmTest, "Interfaceinfo anzeigen",
            {2040, 2040, 1815, 375}, 17),
    Control("cmdCheckConnection", kButton, cfg::frmTest,
            "Verbindung zum DMX-Transmitter &testen", {120, 2520, 3735, 375},
            15),
    // From (120, 1920) to (3840, 1920).
    Control("Line1", kLine, cfg::frmTest, "", {120, 1920, 3720, 0}, -1),
};

constexpr std::array<ControlLayout, cfg::kControlCount> InWindow(
    std::array<ControlLayout, cfg::kControlCount> controls) {
  for (ControlLayout& item : controls) {
    if (item.container == kNoControl) continue;
    const TwipRect& frame = controls[item.container].bounds;
    item.bounds.left += frame.left;
    item.bounds.top += frame.top;
  }
  return controls;
}

constexpr std::array<ControlLayout, cfg::kControlCount> kControls =
    InWindow(kDrawn);

constexpr DialogLayout kLayout{"Konfiguration", 4215, 5415, kControls};

}  // namespace

const DialogLayout& ConfigLayout() { return kLayout; }

ControlId FindControl(std::string_view name) {
  const auto found = std::find_if(
      kControls.begin(), kControls.end(),
      [name](const ControlLayout& item) { return item.name == name; });
  return found == kControls.end()
             ? kNoControl
             : static_cast<ControlId>(found - kControls.begin());
}

}  // namespace quorvix
