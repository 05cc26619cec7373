// What the map panel shows: which run placed its points and on how many
// axes. A run forgets it as it starts and records it once its map is
// placed, so that a refused run leaves no map to save.
#pragma once

#include <string>

enum class MapKind { None, MrpMds, Soc, Reload };

struct MapRecord {
    MapKind kind = MapKind::None;
    int axes = 0;      // the map axes of an MRP-MDS run
    std::string file;   // the input file's name, without its folder
    std::string input;  // and with it: where no saved picture or coordinates may go
};

MapRecord& ShownMap();

// A run starts: the map on show is no longer a record of results. The
// earlier record is kept for a refusal to say whose map it clears.
void ForgetShownMap();
MapRecord TakeEarlierMap();

// The figures of the map on show, as the status line and a picture's caption
// give them: Stress-1 and the neighbours kept, with the clusters' agreement
// with the table's classes, after MRP-MDS; the quantisation error, the empty
// prototypes and the class purity after SOC or reload. Empty without a map.
std::string ShownMapFigures();

// A picture's caption: "iris.txt · MRP-MDS, 2 axes · Stress-1 0.062 (fair),
// neighbours kept 50% · clusters vs class: ARI 0.73".
std::string ShownMapCaption();
