// The input side: choosing the file, the output paths beside it, and the
// three readers that load a whole text file into FileBuffer and parse it in
// place. The readers never raise errors: the vector reader writes its one
// line to Memo1, and a report tells the caller what else it saw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form/Form.h"
#include "table/ColumnRoles.h"
#include "table/TextTable.h"

inline constexpr const char* kDesignedStartFolder = "c:/qorvel/tip-10";

// Shows the open-file dialog and keeps the first chosen name in
// InputFileName, which stays empty when nothing valid was chosen.
const char* ChooseInputFile(Form& form);

// The result files the runs write beside their input, in the order Memo1
// lists them.
inline constexpr const char* kResultFileNames[] = {"soc.dat", "weights.dat", "clusters.dat", "distances.dat"};
// Beside them, the record of which run wrote each (ResultRecord.h).
inline constexpr const char* kRecordFileName = "itemmap-record.txt";

// The folder part of a path: up to and including its last '\' or '/';
// empty when it has neither.
std::string_view FolderOf(std::string_view path);

// Fills SocFileName, WeightsFileName, ClustersFileName and DistancesFileName
// with the input file's folder followed by the fixed names, and lists them.
void DeriveOutputNames(Form& form, const char* inputPath);

// Loads a whole file into buffer, CR LF and a lone CR taken as LF and a
// missing last line end supplied. Returns the number of bytes of data, or -1 when the file
// cannot be opened or is larger than FileBuffer; failure then says why.
long LoadFile(const char* name, std::uint8_t* buffer, std::string* failure = nullptr);

// What a reader saw besides its result: enough to tell the user what the
// file turned out to be and what in it was not read as written. Line
// numbers count the file's own lines from 1, a header and blank lines
// included.
struct ReadReport {
    bool loaded = false;    // false when the file could not be read at all
    std::string failure;    // then why: "cannot open ...", "... is a folder", ...
    std::string notText;    // why the bytes are no text table ("is binary data, ..."), or empty
    std::string problem;    // a column the user named that the file lacks, or empty
    int widestRow = 0;      // the most values on one row of the file
    int nonFiniteLine = 0;  // the first line holding a value that is not a finite number, or 0
    std::string nonFiniteToken;
    int numbers = 0;        // fields that are numbers: none means the file holds no table of numbers
    std::string firstText;  // the first field that is text, for the user to see why

    int rowsRead = 0;        // items taken (or matrix rows), not the header, blank lines nor empty rows
    int firstDataLine = 0;   // the line of the first row
    int lastDataLine = 0;    // the line of the last row taken
    int rowsLeft = 0;        // further rows in the file after the ones asked for
    int firstRowValues = 0;  // values of the first row
    int values = 0;          // the values most rows hold: the items' components
    char separator = '\t';
    bool separatorDetected = false;  // the first lines of data have this separator instead of tabs
    int outvotingLines = 0;          // and the lines that outvoted a tab on the first data line
    bool singleTabs = false;         // every tab ends one field, as the rows only line up so
    bool decimalComma = false;       // commas in numbers and no decimal point: read as points
    bool thousandsDots = false;      // and dots that group their digits in threes
    int headerLine = 0;              // the line taken as a header, or 0
    HeaderKind headerKind = HeaderKind::None;
    int blankLines = 0, firstBlankLine = 0;

    // The columns: what names the items, what gives their class, what is left out.
    ColumnPlan columns;
    int classValues = 0;
    int notNumbers = 0, firstNotNumberLine = 0;  // text among the values: read as missing
    std::string firstNotNumber;
    int dropped = 0, firstDroppedLine = 0;                        // values equal to 1000, skipped
    int shortRows = 0, firstShortLine = 0, firstShortValues = 0;  // fewer values: the last ones missing
    int longRows = 0, firstLongLine = 0, firstLongValues = 0;     // more values: the extra ones not used
    int missing = 0, missingRows = 0, firstMissingLine = 0;       // missing components of the items read
    int emptyRows = 0, firstEmptyLine = 0;                        // rows without a value: no items
    int longNames = 0, firstLongNameLine = 0;  // names, classes, feature names cut to fit kNameSize
    bool zeroDiagonal = false;                 // value r of every row r is 0, as in a distance matrix
};

// How the readers take a file: values separated by runs of tabs with a
// decimal point, and files as people make them too (TextTable.h says how a
// layout is recognised, ColumnRoles.h what the columns are).
// The items' names, classes and the features' names go to the Workspace. A
// missing value is kept as not a number. A token is read whole, however long.

// Feature vectors into InputVectors rows firstRow.., up to `rows` items:
// the feature columns of each row, the value 1000 dropped (the values after
// it move one to the left); a row with fewer values than most rows has its
// last components missing, one with more its extra values unused, and a row
// with no value is no item. Returns the components per item (the values
// most rows hold); when the data ends before `rows` items, the message list
// says so ("data No: %d,  dim: %d": the items read and the values of the
// first). Components past 64 and rows past InputVectors are not stored,
// but they are counted.
int ReadVectorFile(Form& form, const char* name, std::uint8_t* buffer, int rows, int firstRow, char separator,
                   ReadReport* report = nullptr);

// A square matrix into DistMatrix, with the items' names from a column of
// names or the header. Returns the number of values of the last row, or 0
// when the data ends before `rows` rows.
int ReadDistanceMatrixFile(Form& form, const char* name, std::uint8_t* buffer, int rows, char separator,
                           ReadReport* report = nullptr);

// What a vector file holds, without storing it: its items (up to `rows`)
// and their components, for a caller that has to choose "Input size" and
// "Vect. dim" (the command line's defaults).
struct FileShape {
    int items = 0;
    int values = 0;
    bool matrix = false;  // it looks like a distance matrix
};
FileShape InspectFile(const char* name, const ReadOptions& options, int rows, ReadReport* report = nullptr);

// soc.dat or weights.dat read back: map positions into MapCoords, classes into
// ItemScore, the vectors into plane `plane` of Prototypes, for every line
// whose class is at least leastClass. Returns the number of rows taken (0 when
// the file cannot be opened). Fields are separated by blanks and read whole.
// The report's `values` is the number of components the first line holds.
int ReadResultFile(Form& form, const char* name, std::uint8_t* buffer, int vectorDim, int leastClass,
                   int plane, ReadReport* report = nullptr);

// Why a file that was read cannot be used, in plain words, or empty: it
// could not be read, it is no text table, a column named by the user is
// not there, it holds no number, or a value that is not a finite number.
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
                 const ReadOptions& options, ReadReport* report = nullptr);
int ParseDistanceMatrix(const std::uint8_t* data, long length, int rows, char separator,
                        const ReadOptions& options, ReadReport* report = nullptr);
int ParseResults(const std::uint8_t* data, long length, int vectorDim, int leastClass, int plane,
                 ReadReport* report = nullptr);
