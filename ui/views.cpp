#include "ui/views.h"

#include <algorithm>

#include "res/resource.h"

namespace tessary {
namespace {

void AddRow(std::vector<OverlayRow>& rows, const std::u16string& name, std::u16string status) {
    std::u16string marker = rows.size() < RowMarkerLimit ? std::u16string(RowMarker) : std::u16string();
    rows.push_back({std::move(marker), name, std::move(status)});
}

}  // namespace

std::vector<OverlayRow> NowRows(const OverlayList& CurrentList, const TextLookup& text) {
    std::vector<OverlayRow> rows;
    rows.reserve(CurrentList.size());
    const std::u16string duplicate = text(IDS_STATUS_DUPLICATE);
    for (const OverlayEntry& entry : CurrentList) {
        AddRow(rows, entry.keyName, entry.noRename ? duplicate : std::u16string());
    }
    return rows;
}

std::vector<OverlayRow> AfterRows(const OverlayList& PlannedList, const TextLookup& text) {
    std::vector<OverlayRow> rows;
    rows.reserve(PlannedList.size());
    const std::u16string rename = text(IDS_STATUS_RENAME);
    for (const OverlayEntry& entry : PlannedList) {
        if (entry.deleteKey) continue;  // takes no row, so no marker either
        AddRow(rows, entry.keyName, entry.noRename ? std::u16string() : rename);
    }
    return rows;
}

PickerContent FirstGroupPickerContent(const NameList& CandidateList, std::u16string& FirstGroup) {
    PickerContent picker{CandidateList, 0};
    const auto found = std::find(CandidateList.begin(), CandidateList.end(), FirstGroup);
    if (found != CandidateList.end()) {
        picker.selected = static_cast<int>(found - CandidateList.begin());
    } else {
        FirstGroup = CandidateList.empty() ? std::u16string() : CandidateList.front();
    }
    return picker;
}

PickerContent SecondGroupPickerContent(const NameList& CandidateList, std::u16string_view FirstGroup,
                                       std::u16string& SecondGroup) {
    PickerContent picker;
    for (const std::u16string& candidate : CandidateList) {
        if (candidate == FirstGroup) continue;
        if (candidate == SecondGroup) picker.selected = static_cast<int>(picker.items.size());
        picker.items.push_back(candidate);
    }
    picker.items.emplace_back(NoGroupMarker);
    if (picker.selected < 0) {
        SecondGroup = std::u16string(NoGroupMarker);
        picker.selected = static_cast<int>(picker.items.size()) - 1;
    }
    return picker;
}

}  // namespace tessary
