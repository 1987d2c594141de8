#pragma once
// The twips table turned into grid cells: controls whose vertical middles
// lie close share a row, edges that lie close (a control's end and its
// neighbour's start included) make one column boundary. The grid keeps the
// table's rows and order and lets the toolkit size them.

#include <span>
#include <vector>

#include "platform/dialog_view.h"

namespace quorvix::gtk {

struct GridCell {
  int column = 0;
  int row = 0;
  int columns = 1;  // spanned
  int rows = 1;
};

// One cell per rectangle, in the same order.
std::vector<GridCell> GridCells(std::span<const TwipRect> bounds);

}  // namespace quorvix::gtk
