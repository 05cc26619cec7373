#include "soc/SocResults.h"

#include <algorithm>
#include <cstring>

#include "soc/SocSteps.h"
#include "text/Numbers.h"
#include "view/ViewTransform.h"
#include "files/TextFile.h"
#include "workspace/Workspace.h"

namespace {

// A component in 10 characters: "%8.3f" and blanks up to 10. A longer number
// keeps all its digits and one blank, so it never runs into the next field.
void AppendComponent(std::string& line, float value) {
    char text[64];
    const int n = FormatInto(text, sizeof text, "%8.3f", static_cast<double>(value));
    line.append(text, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof text) - 1)));
    line.append(static_cast<std::size_t>(std::max(1, 10 - n)), ' ');
}

bool WriteUnits(Form& form, const char* path, int plane) {
    TextFileWriter out(form, path);
    const int k = MapRows(ws.ItemCount);
    const int dim = ws.Components();
    for (int p = 1; p <= k; ++p) {
        if (!(ws.ItemScore[p] >= 0)) continue;
        std::string line = Format("%4d %7.3f %7.3f %7.3f %3d  ", p, ws.ProjCoords[p][1], ws.ProjCoords[p][2],
                                  0.0, TruncPixel(static_cast<double>(ws.ItemScore[p])));
        for (int q = 1; q <= dim; ++q) AppendComponent(line, ws.Prototypes[p][plane][q]);
        line += Format("%5.1f 1000 \n", 0.0);
        out.Write(line);
    }
    return out.Commit();
}

}  // namespace

bool WriteSocClusters(Form& form, int n, int k) {
    n = std::clamp(n, 0, kInputRows);
    k = MapRows(k);
    for (int i = 1; i <= n; ++i) ws.ItemMark[i] = MatchItem(i) ? ws.WinnerIndex : 0;
    TextFileWriter out(form, ws.ClustersFileName);
    for (int c = 1; c <= k; ++c) {
        int count = 0;
        for (int i = 1; i <= n; ++i)
            if (ws.ItemMark[i] == c) {
                out.Printf("%4d ", i);
                ++count;
            }
        if (count > 0) out.Write(" \n \n");
    }
    return out.Commit();
}

std::vector<const char*> WriteSocResults(Form& form) {
    std::vector<const char*> written;
    for (const int plane : {1, 2}) {
        const char* path = plane == 1 ? ws.SocFileName : ws.WeightsFileName;
        if (WriteUnits(form, path, plane)) written.push_back(path);
    }
    return written;
}
