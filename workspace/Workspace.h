// The one process-wide store of the tool's working data.
//
// Every computation reads and writes these arrays and scalars directly; a run
// leaves its results here and later actions (redraw, rotation, picking, the
// minimum tree, reload) work on whatever the last run left. All arrays are
// 1-based (index 0 exists and carries no data), two-dimensional arrays are
// row-major with fixed row lengths, and nothing is ever resized or freed.
#pragma once

#include <cstdint>
#include <type_traits>

// Capacities the arrays below are shaped for.
inline constexpr int kMaxMapItems = 400;     // items of an MRP-MDS map, prototypes
inline constexpr int kMaxSocVectors = 1000;  // input vectors of a SOC run or reload
inline constexpr int kInputRows = 1500;      // rows of InputVectors
inline constexpr int kMaxDim = 64;           // vector components
inline constexpr int kFileBufferSize = 1000000;
inline constexpr int kPathCapacity = 4096;  // any path the file system accepts
inline constexpr int kNameSize = 1001;      // an item's, class's or feature's name, its end included
inline constexpr int kMaxClasses = 20;      // the values of a class column

// The rows of the map arrays (1..n) a count of n may reach: n held to 0..400.
constexpr int MapRows(int n) {
    return n < 0 ? 0 : n > kMaxMapItems ? kMaxMapItems : n;
}

struct Workspace {
    // Items and input
    int ItemCount;
    int VectorDim;
    float InputVectors[kInputRows + 1][66];
    int ItemNumber[kInputRows + 1];
    std::uint8_t FileBuffer[kFileBufferSize + 1];  // + room for a missing last line end
    std::uint8_t* FileBufferPtr;
    const char* ChosenFileName;
    char InputFileName[kPathCapacity];
    char SocFileName[kPathCapacity + 16];
    char WeightsFileName[kPathCapacity + 16];
    char ClustersFileName[kPathCapacity + 16];
    char DistancesFileName[kPathCapacity + 16];

    // Distances
    float DistMatrix[kMaxMapItems + 1][kMaxMapItems + 1];
    float DistScale;
    float MaxDist;
    float MapEnlargement;
    // The power of two distances divide the values by (DistanceUnit.h); 1
    // for most tables.
    float DistanceUnit;

    // MRP clustering
    float CharDistance;
    float NoiseLimit;
    float NeighbourLimit;
    float LinkProb[kInputRows + 1][kInputRows + 1];
    float ProtoProb[kMaxMapItems + 1];
    int ClusterOf[kMaxMapItems + 1];
    int ClusterCentres[kMaxMapItems + 1];
    int ClusterCount;
    int ItemFlag[kInputRows + 1];

    // Map
    float MapCoords[kMaxMapItems + 1][5];
    int AxisSize[10];
    int MapSize1, MapSize2, MapSize3, MapSize4;

    // View state
    double ViewMatrix[5][5];
    double RotStep1[5][5], RotStep2[5][5], RotStep3[5][5];
    double ViewCentre[6];
    double ProjCoords[kInputRows][3];
    int FirstItem;
    int ProjectedCount;
    double ZoomStep;
    float ViewZoom;
    float ViewAngle;
    int ViewMode;
    int ShowEdges;
    float EdgeFactor;
    float MarkScale;
    int PickEnabled;
    int PickedItem;
    float SimilarityDist;
    int ItemMark[kInputRows + 1];
    int PanelItem;
    int ColourByClass;  // 1: marks in their class's colour; every run starts with the clusters'
    int ShowLegend;     // 1: the legend box over the map
    int PrototypeClass[kMaxMapItems + 1];    // after SOC: the class most of a prototype's members hold
    float PrototypeShare[kMaxMapItems + 1];  // and their share of its members
    float
        PrototypeScore[kMaxMapItems + 1];  // a prototype's win score as its run left it, whatever picks write

    // SOC
    int VectorCount;
    float Prototypes[kMaxMapItems + 1][3][66];
    int WinnerIndex;
    float ItemScore[kInputRows + 1];  // one entry per input row, so a pick over 1000 vectors fits
    float LearnRate;
    float AvgKeep, AvgGain;
    int SocMode;
    float SocScale;  // what the SOC training's vectors are against the file's: 10, or 1 when item 1's sum is
                     // over 2

    // What the table says about its items besides their vectors. A missing
    // component of InputVectors is not a number; ItemMissing counts them per
    // row, so that complete rows take the plain paths.
    char ItemName[kInputRows + 1][kNameSize];  // empty when the table names no items
    int ItemClass[kInputRows + 1];             // 1..ClassCount, 0 for none
    int ItemMissing[kInputRows + 1];
    char ClassName[kMaxClasses + 1][kNameSize];
    int ClassCount;
    char ClassHeader[kNameSize];               // the class column's name, "" without a header
    char FeatureName[kMaxDim + 1][kNameSize];  // from the header, "" without one
    float FeatureOffset[kMaxDim + 1];          // a component was read as (value - offset) x factor:
    float FeatureFactor[kMaxDim + 1];          // the column scale, undone for what a user reads

    // Run control
    int IterationLimit;
    int StopRequested;
    int TreeLinks[kMaxMapItems + 1][kMaxMapItems + 1];

    // Puts every object back to its program-start value, including the two
    // values derived at start-up, and with it what the parts above keep
    // beside it (ResetWithWorkspace).
    void Reset();

    // What every run clears at its start: the numbers shown for items 1..1500
    // set to the items' own, their vectors to 0, and what the table said of
    // them (ClearTable: names, classes, feature names, column scale).
    void ClearItems();
    void ClearTable();
    // No link of the minimum tree.
    void ClearTreeLinks();
    // Whether the table named its items, and had a class column.
    bool HasNames() const;
    bool HasClasses() const { return ClassCount > 0; }
    // Component q of a prototype (or of an item after SOC or reload) in the
    // file's units: the training's factor and the column scale undone.
    float InFileUnits(int q, float v) const;
    // No MRP cluster marks: every map point drawn black, without a bar, and
    // no prototype classes.
    void ClearClusterMarks();

    // The map rows that hold placed points: ItemCount (items or prototypes),
    // and ProjectedCount for the view, each 0 when out of the arrays' range.
    // Before the first run ItemCount is 2403 and nothing has been placed.
    int MapItems() const;
    int ProjectedItems() const;
    // The components of a vector: VectorDim held to 0..64.
    int Components() const;
};

static_assert(std::is_trivially_copyable_v<Workspace>);

// State the parts above the Workspace keep beside it (the runs' plans, the
// record of the shown map, the random generator, the command line's
// settings) goes back to its start with it: each part registers how, once,
// while the program starts.
void ResetWithWorkspace(void (*reset)());

extern Workspace ws;
