// What a face keeps from one button press to the next: the map on show
// and what it was made from, how it is looked at, what a pick marked, and
// the few values a run takes from the one before it. Each face owns one
// and hands it to the handlers beside the form; the computations take its
// parts as arguments.
#pragma once

#include <string>
#include <vector>

#include "distances/DistanceMatrix.h"
#include "form/MapMethod.h"
#include "mds/MapLayout.h"
#include "mrp/Clusters.h"
#include "session/MapBasis.h"
#include "soc/Prototypes.h"
#include "soc/SocAssignment.h"
#include "table/Table.h"
#include "view/MapScene.h"
#include "view/TreeLinks.h"
#include "view/View.h"

// Which run placed the map's points.
enum class MapKind { None, MrpMds, Soc, Reload };

// What the map panel shows: which run placed its points, on how many axes,
// from which file. A run forgets it as it starts and records it once its
// map is placed, so that a refused run leaves no map to save.
struct MapRecord {
    MapKind kind = MapKind::None;
    int axes = 0;       // the map axes of an MRP-MDS run
    std::string file;   // the input file's name, without its folder
    std::string input;  // and its path, as the run opened it
    MapMethod method = MapMethod::Distances;  // which map an MRP-MDS run made
};

// At the end of a run that placed prototypes (SOC, reload), of each one:
// the class most of its vectors hold (0 for none) and their share of them,
// the vectors it holds, and its win score as the run left it, whatever a
// pick writes afterwards. During training only the scores.
struct PrototypeFacts {
    std::vector<int> classes;
    std::vector<float> shares;
    std::vector<int> members;
    std::vector<float> scores;
};

struct Session {
    // The map on show, and the map a starting run took down (for a refusal
    // to say whose map it clears).
    MapRecord shown, earlier;
    int SocMode = 0;  // 1: the map's points are prototypes (SOC, reload); 0: items (MRP-MDS)

    // What the map was made from and what it is: the items read (at the
    // run's size) and the components the runs use of them, the distances of
    // the map's points, the MRP clusters, the points' positions, the
    // prototypes and what the run said of them, the minimum tree.
    Table table;
    int VectorDim = 0;
    DistanceMatrix distances;
    Clusters clusters;
    MapLayout map;
    Prototypes prototypes;
    PrototypeFacts facts;
    Landmarks landmarks;
    TreeLinks tree;
    View view;
    // What placing a row on the map takes; none for a map of a distance
    // matrix or of prototypes.
    MapBasis basis;

    // Picking: whether it works (after SOC and reload), the prototype picked
    // and the one the feature-vector panel shows, "simil. dist" as last read,
    // and the vectors a pick marked.
    bool PickEnabled = false;
    int PickedItem = 0;
    int PanelItem = 0;
    float SimilarityDist = 50;
    std::vector<int> ItemMark;

    // A score per entry that runs carry on: a SOC run's prototypes start from
    // the scores left there (1 after an MRP-MDS run over as many items, 0 at
    // start), and a pick writes 0 or 2 for each vector.
    std::vector<float> ItemScore;

    bool StopRequested = false;      // set by "STOP", seen by a run at its next redraw
    const char* running = nullptr;   // the run going on, which lets events through: no run starts inside it

    // The vectors of the table assigned to the prototypes over components
    // 1..VectorDim (SOC, reload): made when first asked for, and again only
    // once the prototypes, the table or VectorDim changed.
    const SocAssignment& Assignment() const;
    mutable KeptSocAssignment assignment;  // what Assignment() made last, and of what

    // The map on show, for the view to draw, fit and pick from.
    MapScene Scene() const {
        return {map, view, distances, clusters, tree, table, facts.classes, facts.members, SocMode == 1, &landmarks};
    }

    // The map on show and its record cleared, as a refused run leaves them.
    void ClearMap();
    // Room for entries 1..n of the per-item vectors (ItemMark, ItemScore),
    // keeping what they hold.
    void MakeRoom(int n);
};
