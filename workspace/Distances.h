// Item distances and their statistics.
#pragma once

#include <string>

#include "form/Form.h"

// The distance of two vectors over components 1..dim: Euclidean over the
// components both have (a missing one is not a number), scaled up to all of
// them, sqrt(dim / present x sum); not a number when they have none in
// common. Summed in DistanceUnit (DistanceUnit.h).
float VectorDistance(const float* a, const float* b, int dim);

// DistMatrix[i][j], i, j = 1..N: VectorDistance of InputVectors rows i and
// j over components 1..n, with DistanceUnit chosen for the items first; a
// pair with no component in common gets the largest distance of the others.
// Returns the number of such pairs.
int BuildDistanceMatrix(int n, int dim);

// Mean of the entries below the diagonal (0 when there is no pair).
float MeanDistance(int n);

// Scales DistMatrix so that its largest entry equals AxisSize[1] x
// MapEnlargement; sets MaxDist and DistScale. Returns the factor, or 0 with
// "gaz" in Memo1 when every distance is 0.
float NormaliseDistances(Form& form, int n);

// Both of the above for a SOC run or a reload, which may hold more items
// than DistMatrix: the first 400 are stored, while the factor comes from all
// pairs. Returns the factor as NormaliseDistances does.
float BuildItemDistances(Form& form, int n, int dim);

// distances.dat: ItemCount rows of "\t%8.3f" fields. The text is taken
// from DistMatrix as it stands, so that a run can write it later, once it
// knows it will go on. False when the file could not be written.
std::string DistanceDumpText();
bool WriteDistanceDump(Form& form, const char* path, const std::string& text);
