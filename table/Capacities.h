// What an MRP-MDS map, a SOC run and a table hold at most: items,
// vectors, components, class values, bytes of a name, rows with all rows.
#pragma once

inline constexpr int kMaxMapItems = 400;     // items of an MRP-MDS map, prototypes of SOC
inline constexpr int kMaxSocVectors = 1000;  // input vectors of a SOC run or a reload
inline constexpr int kMaxDim = 64;           // components of a vector
inline constexpr int kMaxClasses = 20;       // values of a class column
inline constexpr int kLongestName = 1000;    // bytes of a name, a class or a column's name
inline constexpr int kMostAllRows = 1000000;  // rows of a run that takes all rows of its file

// The rows of the map (1..n) a count of n may reach: n held to 0..400.
constexpr int MapRows(int n) {
    return n < 0 ? 0 : n > kMaxMapItems ? kMaxMapItems : n;
}
