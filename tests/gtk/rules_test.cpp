// How the GTK view turns the twips table into grids, the layout's texts
// into GTK's, and keys into the classic dialog's meanings: no display
// needed.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/gtk/captions.h"
#include "platform/gtk/grid_cells.h"
#include "platform/gtk/keys.h"
#include "ui/config_layout.h"

namespace quorvix::test {
namespace {

using namespace quorvix::gtk;

// "column,row+columns" of each control of one container of the real table.
std::map<std::string, std::string> CellsOf(ControlId container) {
  const DialogLayout& layout = ConfigLayout();
  std::vector<TwipRect> bounds;
  std::vector<std::string> names;
  for (const ControlLayout& item : layout.controls) {
    if (item.container != container) continue;
    bounds.push_back(item.bounds);
    names.emplace_back(item.name);
  }
  const std::vector<GridCell> cells = GridCells(bounds);
  std::map<std::string, std::string> shown;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    EXPECT_EQ(cells[i].rows, 1) << names[i];
    shown[names[i]] = std::to_string(cells[i].column) + "," +
                      std::to_string(cells[i].row) + "+" +
                      std::to_string(cells[i].columns);
  }
  return shown;
}

TEST(GtkGrid, KeepsTheTablesGroupsRowsAndOrder) {
  EXPECT_EQ(CellsOf(kNoControl),
            (std::map<std::string, std::string>{{"frmCommunication", "0,0+1"},
                                                {"frmDMXIn", "0,1+1"},
                                                {"frmTest", "0,2+1"}}));
  // One row; a label's end and the next list's start are one boundary.
  EXPECT_EQ(CellsOf(cfg::frmCommunication),
            (std::map<std::string, std::string>{{"Label1", "0,0+1"},
                                                {"cmbCOM", "1,0+1"},
                                                {"Label2", "2,0+1"},
                                                {"cmbBaud", "3,0+1"}}));
  // The check box spans the indented labels, fields and arrows below it.
  EXPECT_EQ(CellsOf(cfg::frmDMXIn),
            (std::map<std::string, std::string>{{"chkDMXInActive", "0,0+4"},
                                                {"Label3", "1,1+1"},
                                                {"txtDMXInChannels", "2,1+1"},
                                                {"udDMXInChannels", "3,1+1"},
                                                {"Label4", "1,2+1"},
                                                {"txtDMXInInterval", "2,2+1"},
                                                {"udDMXInInterval", "3,2+1"}}));
  // The tall receive field keeps its own row; the line one of its own.
  EXPECT_EQ(CellsOf(cfg::frmTest), (std::map<std::string, std::string>{
                                       {"txtRecv", "0,0+3"},
                                       {"txtSend", "0,1+2"},
                                       {"cmdSend", "2,1+1"},
                                       {"Line1", "0,2+3"},
                                       {"cmdShowSetup", "0,3+1"},
                                       {"cmdShowInfo", "1,3+2"},
                                       {"cmdCheckConnection", "0,4+3"}}));
}

TEST(GtkGrid, EdgesApartMakeColumnsAndAnEmptyTableNoCells) {
  const std::vector<TwipRect> apart{{0, 0, 300, 100}, {900, 0, 300, 100}};
  const std::vector<GridCell> cells = GridCells(apart);
  ASSERT_EQ(cells.size(), 2U);
  EXPECT_EQ(cells[0].column, 0);
  EXPECT_EQ(cells[1].column, 2) << "the gap between them is a column";
  EXPECT_TRUE(GridCells({}).empty());
}

TEST(GtkCaptions, AcceleratorsBecomeMnemonicsAndLineBreaksLf) {
  EXPECT_EQ(MnemonicCaption("&Senden"), "_Senden");
  EXPECT_EQ(MnemonicCaption("Verbindung zum DMX-Transmitter &testen"),
            "Verbindung zum DMX-Transmitter _testen");
  EXPECT_EQ(MnemonicCaption("A&&B_C"), "A&B__C");
  EXPECT_EQ(MnemonicCaption("Setupmenü anzeigen"), "Setupmenü anzeigen");
  EXPECT_TRUE(HasAccelerator("&Senden"));
  EXPECT_FALSE(HasAccelerator("A&&B"));
  EXPECT_FALSE(HasAccelerator("trailing&"));
  EXPECT_EQ(UnixLineBreaks("a\r\nb\rc\nd"), "a\nb\nc\nd");
}

TEST(GtkKeys, TypedLikeTheClassicKeyFilterAndNamedForTheDialog) {
  EXPECT_EQ(TypedCode(GDK_KEY_a, 0), static_cast<std::uint32_t>('a'));
  EXPECT_EQ(TypedCode(GDK_KEY_7, 0), static_cast<std::uint32_t>('7'));
  EXPECT_EQ(TypedCode(GDK_KEY_KP_1, 0), static_cast<std::uint32_t>('1'));
  EXPECT_EQ(TypedCode(GDK_KEY_udiaeresis, 0), 0xFCU);
  EXPECT_EQ(TypedCode(GDK_KEY_BackSpace, 0), 8U);
  EXPECT_EQ(TypedCode(GDK_KEY_BackSpace, GDK_CONTROL_MASK), 0x7FU);
  EXPECT_EQ(TypedCode(GDK_KEY_v, GDK_CONTROL_MASK), 22U);
  EXPECT_EQ(TypedCode(GDK_KEY_V, GDK_CONTROL_MASK | GDK_SHIFT_MASK), 22U);
  EXPECT_EQ(TypedCode(GDK_KEY_1, GDK_CONTROL_MASK), 0U);
  EXPECT_EQ(TypedCode(GDK_KEY_s, GDK_MOD1_MASK), 0U) << "an accelerator";
  for (const guint keyval : {GDK_KEY_Return, GDK_KEY_Tab, GDK_KEY_Escape,
                             GDK_KEY_Delete, GDK_KEY_Left}) {
    EXPECT_EQ(TypedCode(keyval, 0), 0U) << gdk_keyval_name(keyval);
  }
  EXPECT_TRUE(IsTabKey(GDK_KEY_ISO_Left_Tab));
  EXPECT_TRUE(IsEnterKey(GDK_KEY_KP_Enter));
  EXPECT_TRUE(IsArrowKey(GDK_KEY_Left));
  EXPECT_FALSE(IsArrowKey(GDK_KEY_Home));
  EXPECT_EQ(UpDownKeyAction(GDK_KEY_Up), ScrollAction::kLineUp);
  EXPECT_EQ(UpDownKeyAction(GDK_KEY_KP_Page_Down), ScrollAction::kPageDown);
  EXPECT_EQ(UpDownKeyAction(GDK_KEY_Home), ScrollAction::kTop);
  EXPECT_EQ(UpDownKeyAction(GDK_KEY_End), ScrollAction::kBottom);
  EXPECT_EQ(UpDownKeyAction(GDK_KEY_Left), std::nullopt);
}

}  // namespace
}  // namespace quorvix::test
