#include "distances/SetDistances.h"

#include <algorithm>

#include "distances/ColumnDistances.h"
#include "distances/Distances.h"
#include "table/Capacities.h"

SetDistances::SetDistances(const Table& items, const std::vector<int>& members, int dim, float unit)
    : items_(items),
      members_(members),
      n_(static_cast<int>(members.size())),
      dim_(std::clamp(dim, 0, std::min(items.width, kMaxDim))),
      stride_((n_ + 15) / 16 * 16),
      unit_(unit),
      complete_(std::all_of(members.begin(), members.end(),
                            [&](int r) { return items.missing[static_cast<std::size_t>(r)] == 0; })),
      columns_(static_cast<std::size_t>(dim_) * static_cast<std::size_t>(stride_), 0.0f) {
    const float inverse = 1.0f / unit;
    for (int j = 0; j < n_; ++j)
        for (int k = 0; k < dim_; ++k)
            columns_[static_cast<std::size_t>(k) * static_cast<std::size_t>(stride_) + static_cast<std::size_t>(j)] =
                items.Row(members[static_cast<std::size_t>(j)])[k + 1] * inverse;
}

void SetDistances::From(const float* x, bool complete, float* out) const {
    if (!complete || !complete_) {
        for (int j = 1; j <= n_; ++j)
            out[j] = VectorDistance(x, items_.Row(members_[static_cast<std::size_t>(j - 1)]), dim_, unit_);
        return;
    }
    float in[kMaxDim];
    const float inverse = 1.0f / unit_;
    for (int k = 0; k < dim_; ++k) in[k] = x[k + 1] * inverse;
    ColumnDistances(in, n_, dim_, columns_.data(), stride_, out + 1);
    for (int j = 1; j <= n_; ++j) out[j] *= unit_;
}
