// A window that shows nothing, for timing or fuzzing the computations alone.
#pragma once

#include "form/Form.h"
#include "view/MapDrawing.h"

class NullForm : public Form {
public:
    // A canvas that is not shown skips the drawing, as on the command line.
    explicit NullForm(bool shown = true) : canvas_(kMapPanelWidth, kMapPanelHeight, shown) {}
    std::string EditText(EditId) override { return {}; }
    void SetEditText(EditId, std::string_view) override {}
    void MemoClear() override {}
    void MemoAppend(std::string_view) override {}
    void MemoSetText(std::string_view) override {}
    std::string ChooseFiles() override { return {}; }
    void ProcessEvents() override {}
    Canvas& MapCanvas() override { return canvas_; }
    Canvas& PanelCanvas() override { return canvas_; }
    void StatusClear() override {}
    void StatusNote(std::string_view) override {}
    void StatusProgress(const RunProgress&) override {}
    void StatusOutcome(Outcome, std::string_view, std::string_view = {}) override {}
    void StatusOutside(int) override {}

private:
    BlankCanvas canvas_;
};
