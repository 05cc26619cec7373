// The input side: choosing the file, the output paths beside it, and the
// three readers that load a whole text file into FileBuffer and parse it in
// place. The readers report to Memo1 and never raise errors.
#pragma once

#include <cstdint>

#include "workspace/Form.h"

inline constexpr const char* kDesignedStartFolder = "c:/qorvel/tip-10";

// Shows the open-file dialog and keeps the first chosen name in
// InputFileName, which stays empty when nothing valid was chosen.
const char* ChooseInputFile(Form& form);

// Fills SocFileName, WeightsFileName, ClustersFileName and DistancesFileName
// with the input file's folder followed by the fixed names, and lists them.
void DeriveOutputNames(Form& form, const char* inputPath);

// Loads a whole file into buffer, CR LF taken as LF and a missing last line
// end supplied. Returns the number of bytes of data, or -1 when the file
// cannot be opened or is larger than FileBuffer; a line in Memo1 says which
// unless quiet.
long LoadFile(Form& form, const char* name, std::uint8_t* buffer, bool quiet = false);

// What a reader saw besides its result.
struct ReadReport {
    bool loaded = false;    // false when the file could not be read at all
    int widestRow = 0;      // the largest number of values on one line
    int nonFiniteLine = 0;  // the first line holding a value that is not a finite number, or 0
};

// Feature vectors into InputVectors rows firstRow.., values separated by runs
// of separator. Returns the number of values of the last line read, or, when
// the data ends before `rows` lines (reported with "data No: %d,  dim: %d"),
// the number of values of the first line. Values past a row's 64 components
// and rows past InputVectors are not stored, but they are counted.
int ReadVectorFile(Form& form, const char* name, std::uint8_t* buffer, int rows, int firstRow, char separator,
                   ReadReport* report = nullptr);

// A square matrix into DistMatrix. Returns the number of values of the last
// row, or 0 when the data ends before `rows` rows.
int ReadDistanceMatrixFile(Form& form, const char* name, std::uint8_t* buffer, int rows, char separator,
                           ReadReport* report = nullptr);

// soc.dat or weights.dat read back: map positions into MapCoords, classes into
// ItemScore, the vectors into plane `plane` of Prototypes, for every line
// whose class is at least leastClass. Returns the number of rows taken (0 when
// the file cannot be opened).
int ReadResultFile(Form& form, const char* name, std::uint8_t* buffer, int vectorDim, int leastClass,
                   int plane, ReadReport* report = nullptr);

// True, with the line "not a finite number in line N of FILE" in Memo1, when
// the reader met a value that is not a finite number: the file is refused.
bool RefusedNonFinite(Form& form, const ReadReport& report, const char* name);

// The parsing halves of the three readers, over data already in memory (any
// bytes at all: they never read past length nor write past their targets).
int ParseVectors(Form& form, const std::uint8_t* data, long length, int rows, int firstRow, char separator,
                 ReadReport* report = nullptr);
int ParseDistanceMatrix(const std::uint8_t* data, long length, int rows, char separator,
                        ReadReport* report = nullptr);
int ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass, int plane,
                 ReadReport* report = nullptr);
