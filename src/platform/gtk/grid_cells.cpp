#include "platform/gtk/grid_cells.h"

#include <algorithm>
#include <cstddef>

namespace quorvix::gtk {
namespace {

// Closer than this, two edges are one boundary: a gap between neighbours,
// or a few twips of drawing slack. Middles closer than this share a row.
constexpr int kEdgeSlack = 120;
constexpr int kRowSlack = 150;

// The first value of each cluster of sorted values that lie within `slack`
// of their neighbour.
std::vector<int> Clusters(std::vector<int> values, int slack) {
  std::sort(values.begin(), values.end());
  std::vector<int> starts;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i == 0 || values[i] - values[i - 1] > slack) {
      starts.push_back(values[i]);
    }
  }
  return starts;
}

// The index of the cluster that holds `value`.
int ClusterOf(const std::vector<int>& starts, int value) {
  const auto after = std::upper_bound(starts.begin(), starts.end(), value);
  return std::max(0, static_cast<int>(after - starts.begin()) - 1);
}

int Middle(const TwipRect& rect) { return rect.top + rect.height / 2; }

}  // namespace

std::vector<GridCell> GridCells(std::span<const TwipRect> bounds) {
  std::vector<int> edges;
  std::vector<int> middles;
  for (const TwipRect& rect : bounds) {
    edges.push_back(rect.left);
    edges.push_back(rect.left + rect.width);
    middles.push_back(Middle(rect));
  }
  // Middle clusters are bounded on both sides, so a tall control does not
  // swallow the rows beside it.
  const std::vector<int> columns = Clusters(edges, kEdgeSlack);
  const std::vector<int> rows = Clusters(middles, kRowSlack);
  std::vector<GridCell> cells;
  cells.reserve(bounds.size());
  for (const TwipRect& rect : bounds) {
    GridCell cell;
    cell.column = ClusterOf(columns, rect.left);
    cell.columns =
        std::max(1, ClusterOf(columns, rect.left + rect.width) - cell.column);
    cell.row = ClusterOf(rows, Middle(rect));
    cells.push_back(cell);
  }
  return cells;
}

}  // namespace quorvix::gtk
