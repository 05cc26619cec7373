// soc.dat and weights.dat read back: one line per prototype, fields
// separated by blanks and read whole, the value 1000000 standing for an
// absent one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/FileText.h"
#include "table/ReadReport.h"

// The prototypes of one file: each one's map position and class, and its
// components (the vector of soc.dat, the weights of weights.dat).
struct ResultRows {
    int count = 0;  // prototypes 1..count
    int dim = 0;    // components 1..dim of each
    std::vector<float> position;  // [p x 3 + a], axes a = 0, 1, 2
    std::vector<float> classes;   // of prototypes 1..count: the score soc.dat keeps
    std::vector<float> vectors;   // [p x (dim + 1) + q]: the components, 0 when absent

    const float* Vector(int p) const { return vectors.data() + static_cast<std::size_t>(p) * (dim + 1); }
};

// A result file as read: its text with plain line ends, and the
// FileChecksum of its bytes as they are stored.
struct StoredFile {
    FileBytes text;
    bool loaded = false;
    std::string failure;  // why it could not be read, when not loaded
    std::string checksum;
};
StoredFile LoadStoredFile(const std::string& name);

// Every line whose class is at least leastClass, up to 400, with vectorDim
// components. The report's `loaded` says whether the file could be read,
// `values` how many components its first line holds, `nonFiniteLine` the
// first line with a value that is not a finite number.
ResultRows ReadResultFile(const StoredFile& file, int vectorDim, int leastClass, ReadReport& report);
ResultRows ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass,
                        ReadReport& report);
