#include "handlers/RunStart.h"

#include "handlers/MapRecord.h"
#include "handlers/Picking.h"
#include "workspace/InputFiles.h"
#include "workspace/Workspace.h"

bool ChooseRunFile(Form& form, bool pathsFirst) {
    form.MemoClear();
    ws.ChosenFileName = ChooseInputFile(form);
    if (ws.InputFileName[0] != '\0') return true;
    if (pathsFirst) DeriveOutputNames(form, ws.ChosenFileName);
    form.MemoAppend(ws.ChosenFileName);
    form.MemoAppend("invalid filename");
    form.StatusOutcome(Outcome::Cancelled, "no file chosen");
    return false;
}

void TakePanels(Form& form) {
    form.StatusClear();
    ForgetShownMap();
    DrawEmptyPanel(form.PanelCanvas());
}
