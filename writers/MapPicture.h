// The map leaves the program as a picture: the map as the panel draws it
// (641 x 633, or twice that), and below it a caption (the file, the method,
// the run's figures) and the legend. PNG and every raster format Qt writes,
// SVG and PDF as vector drawings (their text as text); the name's extension
// chooses. Files are written under a temporary name and renamed over the
// target only when complete.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "view/MapScene.h"
#include "writers/SavedFile.h"

// The picture of the scene with its caption, at scale 1 or 2.
QImage MapImage(const MapScene& scene, const std::string& caption, int scale);

// The picture; a name ending @2x gives twice the panel's size. A name
// whose extension names no format this tool writes is refused.
Written WriteMapPicture(const MapScene& scene, const std::string& caption, const std::string& path);

// The extension of a name, lower case, without its point; empty without one.
std::string NameExtension(const std::string& path);

// The raster formats (lower case) that Qt writes and that hold the whole
// picture: icons and cursors stop at 256 pixels.
std::vector<std::string> RasterFormats();

// Why a name cannot hold a picture ("map.xyz: .xyz is no picture format
// this tool writes; it writes .png, .svg, .pdf, .jpg, ..."), or empty.
std::string PictureNameProblem(const std::string& path);
