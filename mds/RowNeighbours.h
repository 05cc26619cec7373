// The nearest neighbours of a row among all rows of a large table, by the
// data and on the map, for the fit figures. By the data, the rows are laid
// out sixteen to a block, component by component, so that one vector step
// takes a component of sixteen rows; the blocks hold rows near one of a few
// pivot rows, and a search takes the groups of the pivots nearest to its row
// first, so that a block is soon given up as a whole: once none of its rows
// can still come among the nearest; a group is passed by when its pivot lies
// farther than its radius beyond the nearest found.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "mds/MapLayout.h"
#include "table/ReadBuffer.h"
#include "table/Table.h"

// The neighbours the figures compare per row at most.
inline constexpr int kMaxRowNeighbours = 5;

class RowNeighbours {
public:
    // Rows 1..n of the table, complete over components 1..dim (summed in
    // `unit`, as VectorDistance sums them), and the first m axes of points
    // 1..n of the map. The rows are grouped while `goOn` lets them be:
    // when it stops them first, Made() is false and nothing may be asked.
    RowNeighbours(const Table& rows, int n, int dim, float unit, const MapLayout& map, int m,
                  const std::function<bool()>& goOn);
    bool Made() const { return made_; }

    // The k rows nearest to row i (k <= kMaxRowNeighbours), i itself left
    // out, ties to the lower number: by the distances VectorDistance gives,
    // and by the squared distances on the map.
    void ByData(int i, int k, int* nearest) const;
    void OnMap(int i, int k, int* nearest) const;

    static constexpr int kPivots = 32;

private:
    bool Group(const Table& rows, float inverse, const std::function<bool()>& goOn);
    void PivotsByDistance(const float* x, std::pair<float, int>* by) const;

    int n_, dim_, m_, pivots_;
    bool made_ = false;
    float unit_;
    std::vector<float> pivot_;      // pivot g's components in the unit at [g x dim + q]
    std::vector<float> radius_;     // the largest distance of a row of group g from its pivot, in the unit
    std::vector<int> firstBlock_;   // the blocks of pivot g's group: firstBlock_[g] .. firstBlock_[g + 1] - 1
    std::vector<int> rowAt_;        // the row (1-based) in lane l of block b at [b x 16 + l], 0 for none
    std::vector<int> placeOf_;      // where row j stands: rowAt_[placeOf_[j]] == j
    std::vector<float, LargeBlocks<float>> data_;       // the value of component q of the row at place s at [(s / 16 x dim + q) x 16 + s % 16]
    std::vector<float> map_;        // point j's axes (j - 1 for s), in row order, m to a block
};
