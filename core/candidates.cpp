#include "core/candidates.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <unordered_set>

namespace tessary {
namespace {

std::size_t CommonLength(const std::u16string& a, const std::u16string& b) {
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

}  // namespace

// Twins share bareName and handlerClsid; within each set of twins every entry
// with more blanks than the fewest is marked.
void MarkDuplicates(OverlayList& CurrentList) {
    std::map<std::pair<std::u16string_view, std::u16string_view>, std::size_t> fewestBlanks;
    for (const OverlayEntry& entry : CurrentList) {
        const std::size_t blanks = entry.keyName.size() - entry.bareName.size();
        const auto [twins, added] = fewestBlanks.try_emplace({entry.bareName, entry.handlerClsid}, blanks);
        if (!added) twins->second = std::min(twins->second, blanks);
    }
    for (OverlayEntry& entry : CurrentList) {
        const std::size_t blanks = entry.keyName.size() - entry.bareName.size();
        if (blanks > fewestBlanks.at({entry.bareName, entry.handlerClsid})) entry.noRename = true;
    }
}

// The candidates are found in the order of the pairs (i, j), i outer. Rather than
// comparing every pair, the distinct blank-free names are sorted: the names that
// share at least L code units with a name lie around it in that order, so
// walking outwards from it meets its partners in falling order of common length.
// Each common length is credited to the lowest index that gives it, which fixes
// its place in the pair order.
void CollectGroupCandidates(const OverlayList& CurrentList, NameList& CandidateList) {
    // Distinct names, each with the lowest index that holds it.
    std::map<std::u16string_view, std::size_t> firstIndex;
    for (std::size_t i = 0; i < CurrentList.size(); ++i) firstIndex.try_emplace(CurrentList[i].bareName, i);
    std::vector<const std::u16string*> sorted;
    std::vector<std::size_t> lowestIndex;
    for (const auto& [name, index] : firstIndex) {
        sorted.push_back(&CurrentList[index].bareName);
        lowestIndex.push_back(index);
    }
    // common[k]: common length of sorted[k - 1] and sorted[k]; 0 at both ends.
    std::vector<std::size_t> common(sorted.size() + 1, 0);
    for (std::size_t k = 1; k < sorted.size(); ++k) common[k] = CommonLength(*sorted[k - 1], *sorted[k]);

    // Rows in the order of the outer index; a name's later rows add nothing new.
    std::vector<std::size_t> rows(sorted.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) { return lowestIndex[a] < lowestIndex[b]; });

    std::unordered_set<std::u16string> known(CandidateList.begin(), CandidateList.end());
    std::vector<std::pair<std::size_t, std::size_t>> found;  // (partner's index, common length)
    for (const std::size_t p : rows) {
        found.clear();
        std::size_t lo = p;      // the names sharing at least the current length: [lo, hi]
        std::size_t hi = p;
        while (true) {
            const std::size_t below = lo > 0 ? common[lo] : 0;
            const std::size_t above = hi + 1 < sorted.size() ? common[hi + 1] : 0;
            const std::size_t length = std::max(below, above);
            if (length < MinCandidateLength) break;
            std::size_t partner = CurrentList.size();
            while (lo > 0 && common[lo] >= length) partner = std::min(partner, lowestIndex[--lo]);
            while (hi + 1 < sorted.size() && common[hi + 1] >= length) partner = std::min(partner, lowestIndex[++hi]);
            found.emplace_back(partner, length);
        }
        std::sort(found.begin(), found.end());
        for (const auto& [partner, length] : found) {
            std::u16string candidate = sorted[p]->substr(0, length);
            if (known.insert(candidate).second) CandidateList.push_back(std::move(candidate));
        }
    }
}

}  // namespace tessary
