// Marks duplicate registrations in CurrentList and collects the candidate group
// names: the common beginnings of at least MinCandidateLength code units of two
// different blank-free names.
#pragma once

#include "core/overlay.h"

namespace tessary {

inline constexpr std::size_t MinCandidateLength = 6;

using NameList = std::vector<std::u16string>;

// Marks (noRename) each entry that has a twin, an entry with the same bareName
// and handlerClsid, stored with fewer leading blanks. Of a set of twins the one
// with the fewest blanks is thus never marked, so a handler always keeps one
// registration.
void MarkDuplicates(OverlayList& CurrentList);

// Appends to candidates, in order of first discovery over the ordered pairs
// of entries, every distinct common beginning of two different bareNames.
void CollectGroupCandidates(const OverlayList& CurrentList, NameList& CandidateList);

}  // namespace tessary
