// The command line's commands and options, and what a command line asks
// for once read: the form fields' texts, how the file is to be read, and
// what is to leave the program after the run.
#pragma once

#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "form/Form.h"
#include "session/Session.h"
#include "handlers/ViewButtons.h"

// The coordinates a command writes: of the map on show, or of the rows it
// placed on it alone.
enum class CoordinatesOf { Map, Layer };

struct Command {
    const char* name;
    void (*run)(Form&, Session&);
    const char* what;
    int items;  // the most items (rows) the run takes
    // A command on map files runs on the files named, in order, instead:
    // it reads no table first.
    void (*onFiles)(Form&, Session&, const std::vector<std::string>&) = nullptr;
    const char* files = "FILE";  // what the command line names
    CoordinatesOf coordinates = CoordinatesOf::Map;
};

// What a command line asks for.
struct Choices {
    const Command* command = nullptr;
    std::string file;                 // the first file named
    std::vector<std::string> files;   // every file named
    std::map<EditId, std::string> edits;  // the fields given; the others keep their defaults
    ReadOptions reading;
    std::optional<unsigned> seed;
    bool settle = true;
    bool allRows = false;
    MapMethod map = MapMethod::Distances;
    std::shared_ptr<const TableRead> readAhead;  // the file as read to learn its shape
    std::string results;  // the folder of the result files; empty: beside the file
    std::set<EditId> given;  // the fields the options named
    std::optional<std::string> tree;  // "Min. Tree" after the run, with this threshold
    std::vector<std::string> pictures;
    std::optional<std::string> coordinates;
    std::optional<std::string> items;  // after SOC or reload: each item's prototype
    std::optional<std::string> savedMap;  // after MRP-MDS: the map file
    PictureView view;
    MrpSource mrp = MrpSource::Fields;
};

// Reads the arguments after the program's name: a command, its FILE and
// options. On a command line that cannot be used, returns why.
std::optional<std::string> ReadChoices(const QStringList& arguments, Choices& choices);

// "Usage: ..." and every command's options with their defaults.
std::string HelpText();
