// The interface language and the two ways to the string table.
#pragma once

#include <windows.h>

#include <string>

namespace tessary {

extern HINSTANCE AppInstance;
extern int LanguageOffset;

// Stores the module and picks Japanese or English from the user's interface language.
void InitLanguage(HINSTANCE instance);

// The text of string N + LanguageOffset; the empty text for an id the table does not hold.
std::u16string LoadText(int textId);

}  // namespace tessary
