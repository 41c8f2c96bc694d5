// The plain pass over every ordered pair of entries, as the duplicates and
// candidates were first written. The fast versions must give exactly this.
#pragma once

#include <algorithm>

#include "core/candidates.h"

namespace tessary::tests {

inline void PlainMarkDuplicates(OverlayList& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = 0; j < list.size(); ++j) {
            if (j == i || list[i].bareName != list[j].bareName) continue;
            const std::size_t blanksI = list[i].keyName.size() - list[i].bareName.size();
            const std::size_t blanksJ = list[j].keyName.size() - list[j].bareName.size();
            if (list[i].handlerClsid == list[j].handlerClsid && blanksJ < blanksI) list[i].noRename = true;
        }
    }
}

inline void PlainCollectGroupCandidates(const OverlayList& list, NameList& candidates) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = 0; j < list.size(); ++j) {
            const std::u16string& a = list[i].bareName;
            const std::u16string& b = list[j].bareName;
            if (j == i || a == b) continue;
            const auto common = static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
            if (common < MinCandidateLength) continue;
            const std::u16string candidate = a.substr(0, common);
            if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end()) candidates.push_back(candidate);
        }
    }
}

}  // namespace tessary::tests
