#include "settings/settings.h"

namespace tessary {
namespace {

bool IsTrimmedByProfile(char16_t unit) { return unit == u' ' || unit == u'\t'; }
bool IsQuote(char16_t unit) { return unit == u'"' || unit == u'\''; }

// The two names in the order of SettingsKeys.
template <typename Selection>
auto Names(Selection& selection) {
    return std::array{&selection.FirstGroup, &selection.SecondGroup};
}

}  // namespace

std::u16string ProfileValueFor(std::u16string_view name) {
    const bool needsQuotes = !name.empty() && (IsTrimmedByProfile(name.front()) ||
                                               IsTrimmedByProfile(name.back()) || IsQuote(name.front()));
    if (!needsQuotes) return std::u16string(name);
    std::u16string quoted = u"\"";
    quoted += name;
    quoted += u'"';
    return quoted;
}

std::u16string SettingsFolder(const SettingsState& settings) {
    const std::u16string_view fileName = SettingsFileSuffix.substr(1);
    if (settings.SettingsPath.size() < fileName.size()) return {};
    return settings.SettingsPath.substr(0, settings.SettingsPath.size() - fileName.size());
}

void ReadSettings(ProfileApi& profile, SettingsState& settings, GroupSelection& selection) {
    const std::optional<std::u16string> directory = profile.CurrentDirectory();
    settings.SettingsPath.clear();
    if (directory) settings.SettingsPath = *directory + std::u16string(SettingsFileSuffix);

    const auto names = Names(selection);
    const auto saved = Names(settings.SavedSelection);
    for (std::size_t i = 0; i < SettingsKeys.size(); ++i) {
        *names[i] = directory ? profile.ReadString(SettingsSection, SettingsKeys[i], SettingsDefaults[i],
                                                   settings.SettingsPath)
                              : std::u16string(SettingsDefaults[i]);
        *saved[i] = *names[i];
    }
}

void WriteSettings(ProfileApi& profile, const SettingsState& settings, const GroupSelection& selection) {
    if (settings.SettingsPath.empty()) return;
    const auto names = Names(selection);
    const auto saved = Names(settings.SavedSelection);
    for (std::size_t i = 0; i < SettingsKeys.size(); ++i) {
        if (*names[i] == *saved[i]) continue;
        profile.CreateUnicodeFileIfMissing(settings.SettingsPath);
        profile.WriteString(SettingsSection, SettingsKeys[i], ProfileValueFor(*names[i]), settings.SettingsPath);
    }
}

}  // namespace tessary
