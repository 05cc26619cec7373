// From map position to panel pixel: the view transform centres the map on its
// centroid, projects the four map axes onto the two screen axes, scales and
// shifts by half the map extent (ProjCoords, in map units); the pixel mapping
// turns a ProjCoords row into a pixel of the map panel.
#pragma once

#include "mds/MapLayout.h"
#include "view/View.h"

// The view angle every run sets: a right angle, in single precision.
inline constexpr float kRunViewAngle = 1.5707964f;

// Codes 1, 2, 3 rotate the view by two steps of its rotations 1, 2, 3;
// code 5 multiplies the display scale by the zoom step. Every code then
// projects the map's points anew.
void TransformView(View& view, const MapLayout& map, int code);

// The pixel scale of a panel of the given size, computed once per drawing or
// pick.
struct PixelScale {
    float sx, sy;  // pixels per map unit
    int h1;        // bottom row of the panel
    double cosAngle, sinAngle;
};
PixelScale MapPixelScale(const View& view, const MapLayout& map, int panelWidth, int panelHeight);

// X and the height above the bottom row (the panel row is h1 - yUp).
struct MapPixel {
    int x, yUp;
};
MapPixel PixelOf(const PixelScale& scale, double p1, double p2);

// Truncation toward zero of a real into the range of panel coordinates;
// values far outside any panel (and not-a-number) end up far outside it.
int TruncPixel(double v);
