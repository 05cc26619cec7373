// A window for the computations without a window: edit texts in a map, the
// message list as a vector of lines, a scripted file choice, and canvases
// that record every call.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "distances/DistanceMatrix.h"
#include "form/Form.h"
#include "soc/Prototypes.h"
#include "table/Table.h"
#include "view/MapDrawing.h"

struct CanvasCall {
    CanvasCall(std::string o, int a_ = 0, int b_ = 0, int c_ = 0, int d_ = 0, std::string t = {})
        : op(std::move(o)), a(a_), b(b_), c(c_), d(d_), text(std::move(t)) {}
    std::string op;  // "clear", "pen", "width", "brush", "rect", "ellipse", "move", "line", "text", "cursor"
    int a, b, c, d;
    std::string text;
};

class RecordingCanvas : public Canvas {
public:
    RecordingCanvas(int width, int height) : width_(width), height_(height) {}

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Shown() const override { return shown; }
    void BeginDraw() override { ++drawings; }
    void SetCrossCursor() override { calls.emplace_back("cursor"); }
    void Clear() override { calls.emplace_back("clear"); }
    void SetPenColor(std::uint32_t bgr) override { calls.emplace_back("pen", static_cast<int>(bgr)); }
    void SetPenWidth(int w) override { calls.emplace_back("width", w); }
    void SetBrushColor(std::uint32_t bgr) override { calls.emplace_back("brush", static_cast<int>(bgr)); }
    void Rectangle(int x1, int y1, int x2, int y2) override { calls.emplace_back("rect", x1, y1, x2, y2); }
    void Ellipse(int x1, int y1, int x2, int y2) override { calls.emplace_back("ellipse", x1, y1, x2, y2); }
    void MoveTo(int x, int y) override { calls.emplace_back("move", x, y); }
    void LineTo(int x, int y) override { calls.emplace_back("line", x, y); }
    void TextOut(int x, int y, std::string_view t) override {
        calls.emplace_back("text", x, y, 0, 0, std::string(t));
    }

    std::vector<CanvasCall> Calls(const std::string& op) const {
        std::vector<CanvasCall> out;
        for (const auto& c : calls)
            if (c.op == op) out.push_back(c);
        return out;
    }

    std::vector<CanvasCall> calls;
    int drawings = 0;
    bool shown = true;  // false: drawings on it are skipped, as on the command line

private:
    int width_, height_;
};

class FakeForm : public Form {
public:
    FakeForm();

    std::string EditText(EditId edit) override { return edits[edit]; }
    void SetEditText(EditId edit, std::string_view text) override { edits[edit] = std::string(text); }
    void MemoClear() override { memo.clear(); }
    void MemoAppend(std::string_view line) override { memo.emplace_back(line); }
    void MemoSetText(std::string_view text) override;
    std::string ChooseFiles() override { return chosen; }
    void ProcessEvents() override {
        ++eventPumps;
        if (onEvents) onEvents();
    }
    Canvas& MapCanvas() override { return map; }
    Canvas& PanelCanvas() override { return panel; }
    void StatusClear() override { status.clear(); }
    void StatusNote(std::string_view text) override { status.emplace_back(text); }
    void StatusProgress(const RunProgress& p) override { progress.push_back(p); }
    void StatusOutside(int marks) override { outside = marks; }
    void StatusOutcome(Outcome o, std::string_view text, std::string_view figures = {}) override {
        outcome = o;
        status.push_back(OutcomeLine(o, text, figures));
    }

    RunChoices Choices() override { return choices; }

    // The file the dialog returns (empty: cancelled).
    void Choose(const std::string& path) { chosen = path.empty() ? "" : path + "\r\n"; }

    std::map<int, std::string> edits;  // the window's default texts
    RunChoices choices;                // what a command line would say besides
    std::vector<std::string> memo;
    std::vector<std::string> status;  // notes and outcomes since the last clear
    std::vector<RunProgress> progress;
    std::optional<Outcome> outcome;  // the last one
    int outside = 0;                 // marks outside the panel at the last redraw
    std::string chosen;
    int eventPumps = 0;
    std::function<void()> onEvents;
    RecordingCanvas map{kMapPanelWidth, kMapPanelHeight};
    RecordingCanvas panel{265, 217};
};

// A fresh folder under the test temp dir, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;

private:
    std::string path_;
};


// A table of the rows given, a row's missing components not a number.
Table TableOf(const std::vector<std::vector<float>>& rows);

// Raw distances (the scale 1) of points 1..n, row i the distances of point i.
DistanceMatrix DistancesOf(const std::vector<std::vector<float>>& rows);

// Prototypes of the vectors given (as TableOf takes rows), every weight 1.
Prototypes PrototypesOf(const std::vector<std::vector<float>>& vectors);
