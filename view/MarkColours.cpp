#include "view/MarkColours.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "form/Canvas.h"
#include "table/Capacities.h"

std::uint32_t ClusterColour(int cluster) {
    long long light = 255;
    long long k = cluster;
    for (int times = 0; times < 5; ++times)
        if (k > 7) {
            k -= 7;
            light -= 51;
        }
    long long digit[5];
    long long s = k;
    for (int b = 4; b >= 1; --b) {
        const long long weight = 1LL << (b - 1);
        digit[b] = s / weight;
        s = s - weight * digit[b];
    }
    const long long colour = digit[1] * light + 256 * digit[2] * light + 65536 * digit[3] * light +
                             static_cast<long long>(static_cast<unsigned long long>(digit[4] * light) << 32);
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(colour) & 0xFFFFFFFFULL);
}

std::uint32_t PointColour(const Clusters& clusters, int i) {
    const int centre = i < static_cast<int>(clusters.marks.size()) ? clusters.marks[static_cast<std::size_t>(i)].CentreItem() : 0;
    return ClusterColour(centre == 0 ? 0 : clusters.ClusterOfCentre(centre));
}

namespace {

constexpr std::uint32_t Bgr(std::uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// Okabe and Ito's seven colours, then Tol's muted and light ones: apart for
// deuteranopes and protanopes as for everyone.
constexpr std::uint32_t kPalette[] = {
    Bgr(0xE69F00), Bgr(0x56B4E9), Bgr(0x009E73), Bgr(0xF0E442), Bgr(0x0072B2), Bgr(0xD55E00), Bgr(0xCC79A7),
    Bgr(0x332288), Bgr(0x88CCEE), Bgr(0x44AA99), Bgr(0x117733), Bgr(0x999933), Bgr(0xDDCC77), Bgr(0xCC6677),
    Bgr(0x882255), Bgr(0xAA4499), Bgr(0x77AADD), Bgr(0xEE8866), Bgr(0xEEDD88), Bgr(0xFFAABB)};
static_assert(std::size(kPalette) == kMaxClasses);
constexpr std::uint32_t kNoClass = Bgr(0xBBBBBB);

}  // namespace

std::uint32_t ClassColour(int k) {
    return k >= 1 && k <= kMaxClasses ? kPalette[k - 1] : kNoClass;
}

bool MarksShowClasses(const MapScene& scene) {
    return scene.view.colourByClass && scene.table.HasClasses();
}

int MarkClass(const MapScene& scene, int i) {
    if (scene.prototypes)
        return i >= 1 && i < static_cast<int>(scene.prototypeClasses.size())
                   ? scene.prototypeClasses[static_cast<std::size_t>(i)]
                   : 0;
    return scene.table.ClassOf(i);
}

std::uint32_t OutlineFor(std::uint32_t fill) {
    const int r = fill & 0xFF, g = (fill >> 8) & 0xFF, b = (fill >> 16) & 0xFF;
    // Light colours get a dark edge, as white marks always had (darker than
    // the edges' grey, so as not to be taken for one).
    constexpr std::uint32_t kDarkEdge = 0x606060;
    return (r * 299 + g * 587 + b * 114) / 1000 > 200 ? kDarkEdge : fill;
}

int MembersRadius(int members, int most) {
    if (members <= 0 || most <= 0) return kEmptyRadius;
    const double share = std::sqrt(static_cast<double>(std::min(members, most)) / most);
    return kEmptyRadius + static_cast<int>(std::lround(share * (kFullestRadius - kEmptyRadius)));
}

namespace {
int RadiusOf(const MapScene& scene, int i) {
    if (scene.Placed(i)) return kPlacedRadius;
    const std::vector<int>& members = scene.prototypeMembers;
    if (scene.prototypes && i >= 1 && i < static_cast<int>(members.size()))
        return MembersRadius(members[static_cast<std::size_t>(i)], *std::max_element(members.begin() + 1, members.end()));
    const bool centre = i < static_cast<int>(scene.clusters.marks.size()) &&
                        scene.clusters.marks[static_cast<std::size_t>(i)].IsCentre();
    return centre ? kCentreRadius : kMarkRadius;
}
}  // namespace

MarkLook LookOf(const MapScene& scene, int i) {
    const int radius = RadiusOf(scene, i);
    // Rows placed on the finished map later: a mark of their own, ringed
    // in black (white inside where their colour is black).
    if (scene.landmarks && scene.landmarks->OnLayer(i)) {
        const std::uint32_t fill = MarksShowClasses(scene) ? ClassColour(MarkClass(scene, i)) : PointColour(scene.clusters, i);
        return {fill == kBlack ? kWhite : fill, kBlack, kMarkRadius};
    }
    if (MarksShowClasses(scene)) {
        const std::uint32_t fill = ClassColour(MarkClass(scene, i));
        return {fill, OutlineFor(fill), radius};
    }
    const std::uint32_t fill = PointColour(scene.clusters, i);
    return {fill, fill == kWhite ? kBlack : fill, radius};
}
