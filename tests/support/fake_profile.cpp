#include "support/fake_profile.h"

#include "core/overlay.h"
#include "support/fake_registry.h"

namespace tessary::tests {
namespace {

constexpr std::size_t ProfileBufferLength = 260;

std::u16string Key(std::u16string_view name) { return UpperCased(name); }

std::u16string Unquoted(std::u16string_view raw) {
    const auto trimmed = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!raw.empty() && trimmed(raw.front())) raw.remove_prefix(1);
    while (!raw.empty() && trimmed(raw.back())) raw.remove_suffix(1);
    if (raw.size() >= 2 && (raw.front() == u'"' || raw.front() == u'\'') && raw.back() == raw.front()) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::u16string(raw.substr(0, ProfileBufferLength - 1));
}

}  // namespace

std::optional<std::u16string> FakeProfile::Stored(std::u16string_view path, std::u16string_view key) const {
    const auto file = files.find(std::u16string(path));
    if (file == files.end()) return std::nullopt;
    const auto section = file->second.sections.find(Key(SettingsSection));
    if (section == file->second.sections.end()) return std::nullopt;
    const auto value = section->second.find(Key(key));
    if (value == section->second.end()) return std::nullopt;
    return value->second;
}

std::u16string FakeProfile::ReadString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, std::u16string_view path) {
    const auto file = files.find(std::u16string(path));
    if (file != files.end()) {
        const auto found = file->second.sections.find(Key(section));
        if (found != file->second.sections.end()) {
            const auto value = found->second.find(Key(key));
            if (value != found->second.end()) return Unquoted(value->second);
        }
    }
    return Unquoted(defaultValue);
}

void FakeProfile::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                              std::u16string_view path) {
    if (events) events->push_back("write " + Utf8(key) + "=" + Utf8(value));
    files[std::u16string(path)].sections[Key(section)][Key(key)] = std::u16string(value);
}

void FakeProfile::CreateUnicodeFileIfMissing(std::u16string_view path) {
    const auto [file, created] = files.try_emplace(std::u16string(path));
    if (created) file->second.unicode = true;
}

std::u16string FakeUndoFiles::OnlyText() const {
    if (files.size() != 1) return u"";
    const std::vector<std::uint8_t>& bytes = files.begin()->second;
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

UndoFileApi::Result FakeUndoFiles::CreateNew(std::u16string_view path, const std::vector<std::uint8_t>& bytes) {
    if (const auto fault = faults.find(++creates); fault != faults.end()) return fault->second;
    return files.try_emplace(std::u16string(path), bytes).second ? Result::Written : Result::Exists;
}

bool FakeUndoFiles::Replace(std::u16string_view from, std::u16string_view to) {
    moves.emplace_back(from, to);
    const auto file = files.find(std::u16string(from));
    if (replaceFails || file == files.end()) return false;
    files[std::u16string(to)] = std::move(file->second);
    files.erase(file);
    return true;
}

int ScriptedMessages::ShowMessage(int textId, unsigned type) {
    shown.emplace_back(textId, type);
    if (events) events->push_back("message " + std::to_string(textId));
    if (answers.empty()) return IdNo;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingSignOut::RequestSignOut() {
    ++requests;
    if (events) events->push_back("sign out");
}

}  // namespace tessary::tests
