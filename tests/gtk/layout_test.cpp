// How the GTK view turns the twips table into grids, and the layout's texts
// into GTK's: no display needed.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/gtk/captions.h"
#include "platform/gtk/grid_cells.h"
#include "ui/config_layout.h"

namespace quorvix::test {
namespace {

using namespace quorvix::gtk;

// "column,row+columns" of each control of one container of the real table.
std::map<std::string, std::string> CellsOf(ControlId container) {
  const DialogLayout& layout = ConfigLayout();
  std::vector<TwipRect> bounds;
  std::vector<std::string> names;
  for (const ControlSpec& spec : layout.controls) {
    if (spec.container != container) continue;
    bounds.push_back(spec.bounds);
    names.emplace_back(spec.name);
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

}  // namespace
}  // namespace quorvix::test
