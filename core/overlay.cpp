#include "core/overlay.h"

#include <algorithm>

namespace tessary {

std::size_t LeadingBlankCount(std::u16string_view name) {
    const std::size_t first = name.find_first_not_of(Blank);
    return first == std::u16string_view::npos ? name.size() : first;
}

std::u16string StripLeadingBlanks(std::u16string_view name) {
    return std::u16string(name.substr(LeadingBlankCount(name)));
}

char16_t UpperCaseUnit(char16_t u) {
    if (u >= u'a' && u <= u'z') return static_cast<char16_t>(u - 0x20);
    if (u < 0xE0) return u;
    // Latin-1: à..þ except the division sign; ÿ.
    if (u <= 0xFE) return u == 0xF7 ? u : static_cast<char16_t>(u - 0x20);
    if (u == 0xFF) return 0x178;
    // Latin Extended-A pairs (Ā/ā ... Ž/ž), where the lower case is the odd or even
    // neighbour depending on the block.
    if ((u >= 0x100 && u <= 0x137 && u != 0x131) || (u >= 0x14A && u <= 0x177)) {
        return (u & 1) ? static_cast<char16_t>(u - 1) : u;
    }
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) {
        return (u & 1) ? u : static_cast<char16_t>(u - 1);
    }
    // Greek α..ω, with final sigma as Σ.
    if (u == 0x3C2) return 0x3A3;
    if (u >= 0x3B1 && u <= 0x3CB) return static_cast<char16_t>(u - 0x20);
    // Cyrillic а..я and ѐ..џ.
    if (u >= 0x430 && u <= 0x44F) return static_cast<char16_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F) return static_cast<char16_t>(u - 0x50);
    // Full-width ａ..ｚ.
    if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<char16_t>(u - 0x20);
    return u;
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
