// An MRP-MDS map saved as one text file and read back: the map on show
// (every point's place, cluster, name and class, the view it is seen in,
// the fit) and what placing a row on it again takes (its basis: the
// columns and their scale, the landmarks' values, how distances are made
// the map's, the placing rule). The file begins "itemmap map" and its
// version; every line is a word and its tab-separated fields, the names
// quoted as the coordinates quote them.
#pragma once

#include <string>

#include "session/Session.h"

inline constexpr int kSavedMapVersion = 1;

// Why the map on show cannot be saved, nor take new rows ("" when it can):
// it is no MRP-MDS map, one of a distance matrix, or a neighbours map,
// whose rows were not placed by the rule a new row would be.
std::string WhyNotSaved(const Session& shown);

// The map file of the map on show.
std::string SavedMapText(const Session& shown);

// A map file's text made the map on show, with its basis; or, leaving the
// session as it was, why not, naming the line: "line 7: ...".
std::string ShowSavedMap(const std::string& text, Session& session);
