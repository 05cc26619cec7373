// What the computations need from the window: the text of its edit fields,
// the message list, the file choice, the two paint panels and a way to let
// pending window events run. The Qt window implements it; tests use a fake.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "form/Canvas.h"
#include "form/MapMethod.h"
#include "form/Status.h"
#include "table/ReadOptions.h"

// Edit fields by their number (Edit1 .. Edit16).
enum EditId : int {
    Edit1 = 1,
    Edit2,
    Edit3,
    Edit4,
    Edit5,
    Edit6,
    Edit7,
    Edit8,
    Edit9,
    Edit10,
    Edit11,
    Edit12,
    Edit13,
    Edit14,
    Edit15,
    Edit16
};

// A better value that a hint names: "map enlarge." or "char. distance"
// (the value as the field is to read it), or scale z for the columns.
struct Suggestion {
    enum Field { Enlargement, CharDistance, ScaleZ } field;
    std::string value;
};

struct TableRead;

enum class MrpSource { Fields, FittedToTable };

struct RunChoices {
    ReadOptions reading;
    std::optional<unsigned> seed;  // none: the clock's
    bool settle = true;
    // Every row of the file, up to kMostAllRows, instead of "Input size":
    // MRP-MDS maps 400 of them and places the others on its map, SOC trains
    // on them all.
    bool allRows = false;
    // The file as the command line read it to learn its shape: a run that
    // asks for the same read takes it (TableRead::Answers).
    std::shared_ptr<const TableRead> readAhead;
    // The folder of the result files and their record, made when missing;
    // empty: beside the input file.
    std::string results;
    // The map an MRP-MDS run ends with.
    MapMethod map = MapMethod::Distances;
    // Where an MRP-MDS run takes "char. distance", "noise limit" and
    // "neigbbour limit" from: the fields, or fitted to the table by the run
    // (which then writes them into the fields).
    MrpSource mrp = MrpSource::Fields;
    bool seedFromClock = false;  // the run drew its seed from the clock: the status line names it
};

class Form {
public:
    virtual ~Form() = default;

    virtual std::string EditText(EditId edit) = 0;
    virtual void SetEditText(EditId edit, std::string_view text) = 0;

    // The message list Memo1.
    virtual void MemoClear() = 0;
    virtual void MemoAppend(std::string_view line) = 0;
    virtual void MemoSetText(std::string_view text) = 0;

    // Shows the open-file dialog, where the face starts it; returns the
    // chosen names, each followed by CR LF, or an empty text when the dialog
    // was cancelled.
    virtual std::string ChooseFiles() = 0;

    // Lets the window handle what is pending (clicks on STOP, repaints).
    virtual void ProcessEvents() = 0;

    virtual Canvas& MapCanvas() = 0;    // PaintBox1
    virtual Canvas& PanelCanvas() = 0;  // PaintBox2

    // The status line: everything the tool has to say that is not a line of
    // Memo1. A run starts by clearing it; notes (what was read, warnings,
    // hints) then stay until the next run, while progress and the outcome
    // replace each other.
    virtual void StatusClear() = 0;
    virtual void StatusNote(std::string_view text) = 0;
    virtual void StatusProgress(const RunProgress& progress) = 0;
    // How a run ended, and the figures of its result (fit, agreement), if any.
    virtual void StatusOutcome(Outcome outcome, std::string_view text, std::string_view figures = {}) = 0;
    // After each redraw of the map: how many marks lie outside the panel.
    virtual void StatusOutside(int marks) = 0;
    // What an action of the user's just did (a save, the tree); it leads
    // the status line until the next.
    virtual void StatusDone(std::string_view text) { StatusNote(text); }

    // What a run is to do besides what the fields say: how the next file
    // is to be read (the column scale the user chose, the columns the command
    // line names; by default the reader decides), the seed of a repeatable
    // run, and whether the map settles after its steps.
    virtual RunChoices Choices() { return {}; }

    // Whether "Input size" or "Vect. dim" is to follow the file a run
    // reads: the window's do until the user types in them, and again once
    // another file is chosen; a command line's are what it says.
    virtual bool FieldFollowsFile(EditId) { return false; }
    // Whether the user gave a field's value: typed it in the window since
    // the file was chosen, named it on the command line.
    virtual bool FieldGiven(EditId) { return false; }

    // A hint's better value, which a face may let the user apply in one
    // action; returns the words that end the hint to say how, or nothing.
    virtual std::string Suggest(const Suggestion&) { return {}; }

    // The control that gives a file's columns their roles, for hints that
    // name one: nothing where the command line's options do it.
    virtual std::string ColumnsControl() { return {}; }
    // The control that puts the result files in another folder, for an
    // error that names it: nothing in a face without one.
    virtual std::string ResultsControl() { return {}; }
};

// The text an edit field holds when the window opens: the window's design,
// and what the command line's options default to.
const char* DefaultEditText(EditId edit);

// Edit fields are read through a text area of fixed size: only the first
// maxChars characters count.
double EditReal(Form& form, EditId edit, int maxChars);
int EditInt(Form& form, EditId edit, int maxChars);
