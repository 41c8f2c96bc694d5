#include "core/overlay.h"

#include <algorithm>
#include <iterator>

#include "core/upper_case_table.h"

namespace tessary {

std::size_t LeadingBlankCount(std::u16string_view name) {
    const std::size_t first = name.find_first_not_of(Blank);
    return first == std::u16string_view::npos ? name.size() : first;
}

std::u16string StripLeadingBlanks(std::u16string_view name) {
    return std::u16string(name.substr(LeadingBlankCount(name)));
}

WalkAction ActionOf(const OverlayEntry& planned) {
    if (planned.deleteKey) return WalkAction::Delete;
    return planned.noRename ? WalkAction::Keep : WalkAction::Rename;
}

const std::u16string& PresentName(const OverlayEntry& planned) {
    return planned.deleteKey ? planned.keyName : planned.bareName;
}

namespace {

// Out of line, so that the ASCII test stays small enough to inline.
char16_t UpperCaseBeyondAscii(char16_t u) {
    // The last run that starts at or before the unit.
    const auto next = std::upper_bound(std::begin(UpperCaseRuns), std::end(UpperCaseRuns), u,
                                       [](char16_t unit, const UpperCaseRun& run) { return unit < run.first; });
    if (next == std::begin(UpperCaseRuns)) return u;
    const UpperCaseRun& run = *std::prev(next);
    if (u > run.last || (u - run.first) % run.stride != 0) return u;
    return static_cast<char16_t>(u + run.delta);
}

}  // namespace

char16_t UpperCaseUnit(char16_t u) {
    if (u >= 0x80) return UpperCaseBeyondAscii(u);
    return u >= u'a' && u <= u'z' ? static_cast<char16_t>(u - 0x20) : u;
}

std::u16string UpperCased(std::u16string_view name) {
    std::u16string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperCaseUnit);
    return upper;
}

int CompareIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = UpperCaseUnit(a[i]);
        const char16_t y = UpperCaseUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace tessary
