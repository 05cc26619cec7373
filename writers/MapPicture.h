// The map leaves the program: its picture as PNG or SVG (or an image for
// the clipboard), drawn by the map drawing itself, and the coordinates of
// its points as TSV. Files are written under a temporary name and renamed
// over the target only when complete.
#pragma once

#include <QImage>
#include <string>

// The map as the Workspace holds it, drawn at the map panel's size times
// scale (1, or 2 for a sharper picture).
QImage MapImage(int scale);

struct Written {
    std::string path;   // the file written: a name without .png or .svg gets .png
    std::string error;  // empty when it was written
};

// The map picture; the format follows the name's extension, and a name
// ending @2x.png gives twice the panel's size.
Written WriteMapPicture(const std::string& path);

// The coordinates of the points on the map, as tab-separated text: a
// comment line with the map's fit figures ("# Stress-1 ..."), then a header
// line: after MRP-MDS item, cluster, probability, axis1..axisM,
// view_x, view_y; after SOC or reload prototype, members, score, view_x,
// view_y, c1..cD. Numbers with up to 9 significant digits and a point.
Written WriteCoordinates(const std::string& path);

// What a write did, for the status line: "map picture written to PATH", or
// "error: ..." and why.
std::string WrittenText(const Written& written, const char* what);

// The coordinates' text, as WriteCoordinates writes it.
std::string CoordinatesText();
