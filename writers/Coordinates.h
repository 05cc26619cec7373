// The coordinates of the map's points as tab-separated text with a header
// line: after MRP-MDS a line per data row the read covered, in the file's
// order (so that they join back to the data by it), with row (its number
// among the data rows, as R and pandas count them), item, name, class (the
// last two when the table has them), cluster, probability, axis1..axisM,
// view_x, view_y, every field after the row empty for a row the map lacks
// (no value in it, or a stopped placement did not reach it); after SOC or
// reload prototype, members, class, share (when the table has classes),
// score, view_x, view_y and one column per feature, named as the table
// names them (else c1..cD), in the file's units. Numbers have up to 9
// significant digits and a point. Names are quoted where pandas'
// read_csv(sep="\t") and R's read.delim need it to read them back whole
// (numpy's genfromtxt(names=True) reads the file while none is); a name "NA"
// is written as it is, and an item without a name or class has an empty
// field, which keep_default_na=False and na.strings = "" keep apart.
#pragma once

#include <string>

#include "session/Session.h"
#include "writers/SavedFile.h"

// Of the map the Session shows. A map with a second layer (another
// table's rows placed on it) has the lines of those rows after its own, in
// their file's order, and a column `layer` that says which are which.
std::string CoordinatesText(const Session& shown);
// The lines of its second layer alone, as above: they join back to the
// layer's own file by `row`; empty without a layer.
std::string LayerCoordinatesText(const Session& shown);
Written WriteLayerCoordinates(const Session& shown, const std::string& path);
Written WriteCoordinates(const Session& shown, const std::string& path);

// After SOC or reload, a line per data row as above: row, item, name and
// class (when the table has them), the prototype it belongs to as the map
// numbers it and its distance to it as the quantisation error measures it;
// both empty for a vector in no prototype, all but the row for a row
// without values.
std::string SocItemsText(const Session& shown);
Written WriteSocItems(const Session& shown, const std::string& path);
