// A window that shows nothing, for timing or fuzzing the computations alone.
#pragma once

#include "workspace/Form.h"

class NullCanvas : public Canvas {
public:
    explicit NullCanvas(bool shown = true) : shown_(shown) {}
    bool Shown() const override { return shown_; }
    int Width() const override { return 641; }
    int Height() const override { return 633; }
    void Clear() override {}
    void SetPenColor(std::uint32_t) override {}
    void SetPenWidth(int) override {}
    void SetBrushColor(std::uint32_t) override {}
    void Rectangle(int, int, int, int) override {}
    void Ellipse(int, int, int, int) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void TextOut(int, int, std::string_view) override {}

private:
    bool shown_;
};

class NullForm : public Form {
public:
    // A canvas that is not shown skips the drawing, as on the command line.
    explicit NullForm(bool shown = true) : canvas_(shown) {}
    std::string EditText(EditId) override { return {}; }
    void SetEditText(EditId, std::string_view) override {}
    void MemoClear() override {}
    void MemoAppend(std::string_view) override {}
    void MemoSetText(std::string_view) override {}
    std::string ChooseFiles(const std::string&) override { return {}; }
    void ProcessEvents() override {}
    Canvas& MapCanvas() override { return canvas_; }
    Canvas& PanelCanvas() override { return canvas_; }
    void StatusClear() override {}
    void StatusNote(std::string_view) override {}
    void StatusProgress(const RunProgress&) override {}
    void StatusOutcome(Outcome, std::string_view) override {}
    void StatusOutside(int) override {}

private:
    NullCanvas canvas_;
};
