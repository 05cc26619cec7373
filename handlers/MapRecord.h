// What the map panel shows: which run placed its points and on how many
// axes. A run forgets it as it starts and records it once its map is
// placed, so that a refused run leaves no map to save.
#pragma once

enum class MapKind { None, MrpMds, Soc, Reload };

struct MapRecord {
    MapKind kind = MapKind::None;
    int axes = 0;  // the map axes of an MRP-MDS run
};

MapRecord& ShownMap();
