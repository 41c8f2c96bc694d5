#include "core/candidates.h"

#include <algorithm>

namespace tessary {

void MarkDuplicates(OverlayList& CurrentList) {
    const std::size_t n = CurrentList.size();
    for (std::size_t i = 0; i < n; ++i) {
        OverlayEntry& entry = CurrentList[i];
        const std::size_t blanks = entry.keyName.size() - entry.bareName.size();
        for (std::size_t j = 0; j < n && !entry.noRename; ++j) {
            const OverlayEntry& twin = CurrentList[j];
            if (j != i && twin.bareName == entry.bareName && twin.handlerClsid == entry.handlerClsid &&
                twin.keyName.size() - twin.bareName.size() < blanks) {
                entry.noRename = true;
            }
        }
    }
}

void CollectGroupCandidates(const OverlayList& CurrentList, NameList& CandidateList) {
    const std::size_t n = CurrentList.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::u16string& a = CurrentList[i].bareName;
        for (std::size_t j = 0; j < n; ++j) {
            const std::u16string& b = CurrentList[j].bareName;
            if (j == i || a == b) continue;
            const auto [endA, endB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
            const auto common = static_cast<std::size_t>(endA - a.begin());
            if (common < MinCandidateLength) continue;
            std::u16string candidate = a.substr(0, common);
            if (std::find(CandidateList.begin(), CandidateList.end(), candidate) == CandidateList.end()) {
                CandidateList.push_back(std::move(candidate));
            }
        }
    }
}

}  // namespace tessary
