// What the list views and group pickers show, computed without any window; the
// dialog only applies it to the controls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/candidates.h"
#include "core/overlay.h"

namespace tessary {

inline constexpr std::size_t RowMarkerLimit = 15;  // Explorer's overlay slots
inline constexpr std::u16string_view RowMarker = u"o";

// The text of a string-table entry by its base id, in the interface language.
using TextLookup = std::function<std::u16string(int textId)>;

struct OverlayRow {
    std::u16string marker;
    std::u16string name;
    std::u16string status;

    friend bool operator==(const OverlayRow&, const OverlayRow&) = default;
};

struct PickerContent {
    std::vector<std::u16string> items;
    int selected = -1;  // an index outside items selects nothing

    friend bool operator==(const PickerContent&, const PickerContent&) = default;
};

// One row per entry, duplicates marked as such.
std::vector<OverlayRow> NowRows(const OverlayList& CurrentList, const TextLookup& text);

// One row per entry that is not deleted, with the action when it is renamed.
std::vector<OverlayRow> AfterRows(const OverlayList& PlannedList, const TextLookup& text);

// All candidates. FirstGroup is selected, or replaced by the first candidate
// (the empty text when there is none) with item 0 selected.
PickerContent FirstGroupPickerContent(const NameList& CandidateList, std::u16string& FirstGroup);

// The candidates other than FirstGroup, then "-". SecondGroup is selected, or
// replaced by "-" when it is not on offer.
PickerContent SecondGroupPickerContent(const NameList& CandidateList, std::u16string_view FirstGroup,
                                       std::u16string& SecondGroup);

}  // namespace tessary
