// The interface language: Japanese for language 1041, English for every other.
#pragma once

#include <cstdint>

namespace tessary {

inline constexpr std::uint16_t JapaneseLanguageId = 0x0411;
inline constexpr int JapaneseOffset = 0;
inline constexpr int EnglishOffset = 20;

constexpr int LanguageOffsetFor(std::uint16_t uiLanguage) {
    return uiLanguage == JapaneseLanguageId ? JapaneseOffset : EnglishOffset;
}

}  // namespace tessary
