// The input side: choosing the file, the output paths beside it, and the
// three readers that load a whole text file into FileBuffer and parse it in
// place. The readers never raise errors: the vector reader writes its one
// line to Memo1, and a report tells the caller what else it saw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
// cannot be opened or is larger than FileBuffer; failure then says why.
long LoadFile(const char* name, std::uint8_t* buffer, std::string* failure = nullptr);

// What a reader saw besides its result: enough to tell the user what the
// file turned out to be and what in it was not read as written. Line
// numbers count the file's own lines from 1, a header and blank lines
// included.
struct ReadReport {
    bool loaded = false;    // false when the file could not be read at all
    std::string failure;    // then why: "cannot open ...", "... is a folder", ...
    int widestRow = 0;      // the largest number of values on one line
    int nonFiniteLine = 0;  // the first line holding a value that is not a finite number, or 0
    std::string nonFiniteToken;

    int rowsRead = 0;        // rows taken: items (or matrix rows), not the header nor blank lines
    int firstDataLine = 0;   // the line of the first row
    int lastDataLine = 0;    // the line of the last row taken
    int rowsLeft = 0;        // further rows in the file after the ones asked for
    int firstRowValues = 0;  // values of the first row
    char separator = '\t';
    bool separatorDetected = false;  // no tab in the first line: this separator instead
    bool decimalComma = false;       // commas in numbers and no decimal point: read as points
    int headerLine = 0;              // the line skipped as a header (no number in it), or 0
    int blankLines = 0, firstBlankLine = 0;
    int notNumbers = 0, firstNotNumberLine = 0;  // values that are no number, read as 0
    std::string firstNotNumber;
    int dropped = 0, firstDroppedLine = 0;                           // values equal to 1000, skipped
    int unevenRows = 0, firstUnevenLine = 0, firstUnevenValues = 0;  // rows unlike the first
    bool zeroDiagonal = false;  // value r of every row r is 0, as in a distance matrix
};

// How the readers take a file. In the described format values are separated
// by runs of tabs, with a decimal point. A file as people make them is read
// too: a UTF-8 byte-order mark is ignored; a first line with no number in
// it is a header and is skipped; a first data line without a tab gives the
// separator it has instead (a semicolon, a comma, or runs of spaces; a
// semicolon or a comma ends exactly one value, so an empty field is a value
// that is no number); with tabs or semicolons, commas inside numbers and no
// decimal point anywhere in the data make the comma the decimal point.
// Blank lines are skipped. A token is read whole, up to its separator or
// line end, however long.

// Feature vectors into InputVectors rows firstRow.., values separated by runs
// of separator. Returns the number of values of the last line read, or, when
// the data ends before `rows` lines (reported with "data No: %d,  dim: %d"
// and the number of rows read), the number of values of the first line.
// Values past a row's 64 components and rows past InputVectors are not
// stored, but they are counted.
int ReadVectorFile(Form& form, const char* name, std::uint8_t* buffer, int rows, int firstRow, char separator,
                   ReadReport* report = nullptr);

// A square matrix into DistMatrix. Returns the number of values of the last
// row, or 0 when the data ends before `rows` rows.
int ReadDistanceMatrixFile(Form& form, const char* name, std::uint8_t* buffer, int rows, char separator,
                           ReadReport* report = nullptr);

// soc.dat or weights.dat read back: map positions into MapCoords, classes into
// ItemScore, the vectors into plane `plane` of Prototypes, for every line
// whose class is at least leastClass. Returns the number of rows taken (0 when
// the file cannot be opened). Fields are separated by blanks and read whole.
int ReadResultFile(Form& form, const char* name, std::uint8_t* buffer, int vectorDim, int leastClass,
                   int plane, ReadReport* report = nullptr);

// Why a file that was read cannot be used, in plain words, or empty: it
// could not be read, or it holds a value that is not a finite number.
std::string Unusable(const ReadReport& report, const char* name);

// True when the rows read look like a distance matrix: as many values per
// row as rows, 0 on the diagonal.
bool LooksLikeMatrix(const ReadReport& report);

// What was read and what a user must know about it, one text each: the
// rows and values read, then every "warning:" with its line number.
// `requested` is the "Input size" the rows were asked for; `vectors` tells
// the vector reader's report from the matrix reader's.
std::vector<std::string> ReadNotes(const ReadReport& report, const char* name, int requested, bool vectors);

// The parsing halves of the three readers, over data already in memory (any
// bytes at all: they never read past length nor write past their targets).
int ParseVectors(Form& form, const std::uint8_t* data, long length, int rows, int firstRow, char separator,
                 ReadReport* report = nullptr);
int ParseDistanceMatrix(const std::uint8_t* data, long length, int rows, char separator,
                        ReadReport* report = nullptr);
int ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass, int plane,
                 ReadReport* report = nullptr);
