// What the map panel shows, as the runs record it (MapRecord, in the
// Session), and the figures that say how good the map is.
#pragma once

#include <string>

#include "session/Session.h"

// A run starts: the map on show is no longer a record of results. The
// earlier record is kept for a refusal to say whose map it clears.
void ForgetShownMap(Session& session);
MapRecord TakeEarlierMap(Session& session);

// The figures of the map on show, as the status line and a picture's caption
// give them: Stress-1 and the neighbours kept, with the clusters' agreement
// with the table's classes, after MRP-MDS; the quantisation error, the empty
// prototypes and the class purity after SOC or reload. Empty without a map.
std::string ShownMapFigures(const Session& session);

// A picture's caption: "iris.txt · MRP-MDS, 2 axes · Stress-1 0.062 (fair),
// neighbours kept 50% · clusters vs class: ARI 0.73".
std::string ShownMapCaption(const Session& session);
