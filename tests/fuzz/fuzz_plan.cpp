// libFuzzer target: arbitrary registry contents and group choices, through the
// scan, the duplicates and candidates, the pickers, the planner and the walk on
// the in-memory registry. Aborts on any broken promise.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "core/apply.h"
#include "core/catalogue.h"
#include "support/fake_profile.h"
#include "support/invariants.h"
#include "ui/views.h"

namespace tessary::tests {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "broken: %s\n", what.c_str());
    std::abort();
}

// Names are built from pieces that make common beginnings, case variants and
// blanks likely.
std::u16string Name(FuzzedDataProvider& in) {
    static const char16_t* const stems[] = {u"Tortoise", u"tortoise", u"CloudSync", u"Cloud", u"BoxSync ",
                                            u"Ab\tcdef", u"\u00C9t\u00E9Sync", u"\u00E9t\u00E9sync", u"", u"X"};
    static const char16_t pieces[] = {u' ', u'\t', u'1', u'2', u'a', u'A', u'\u00A0', u'\u3000', u'\u00FF', u'\u0178', u']'};
    std::u16string name(in.ConsumeIntegralInRange<std::size_t>(0, 4), u' ');
    name += stems[in.ConsumeIntegralInRange<std::size_t>(0, std::size(stems) - 1)];
    const std::size_t extra = in.ConsumeIntegralInRange<std::size_t>(0, 4);
    for (std::size_t i = 0; i < extra; ++i) name += pieces[in.ConsumeIntegralInRange<std::size_t>(0, std::size(pieces) - 1)];
    if (in.ConsumeIntegralInRange(0, 15) == 0) name.resize(in.ConsumeIntegralInRange<std::size_t>(181, 255), u'L');
    // Possible through the native API: a name that no call taking a name can pass.
    if (in.ConsumeIntegralInRange(0, 31) == 0) name.insert(in.ConsumeIntegralInRange<std::size_t>(0, name.size()), 1, u'\0');
    return name.empty() ? u" " : name;
}

RegValue Value(FuzzedDataProvider& in) {
    static const char16_t* const clsids[] = {u"{A}", u"{a}", u"{B}", u""};
    std::u16string text = clsids[in.ConsumeIntegralInRange<std::size_t>(0, std::size(clsids) - 1)];
    if (in.ConsumeBool() && in.ConsumeBool()) text += std::u16string(u"\0tail", 5);
    RegValue value{in.ConsumeBool() ? u"" : u"Named", sdk::RegSz, SzData(text, in.ConsumeIntegralInRange(0, 3) != 0)};
    switch (in.ConsumeIntegralInRange(0, 12)) {
    case 0: value.type = 2; break;                            // REG_EXPAND_SZ
    case 1: value.type = 4; value.data = {1, 0, 0, 0}; break;  // REG_DWORD
    case 2: value.data.resize(in.ConsumeIntegralInRange<std::size_t>(0, 600), 0x41); break;
    case 3: value.data.push_back(0x42); break;  // odd length
    default: break;
    }
    return value;
}

}  // namespace
}  // namespace tessary::tests

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessary;
    using namespace tessary::tests;
    FuzzedDataProvider in(data, size);

    FakeRegistry registry;
    std::vector<std::u16string> withSubkeys;
    const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, 40);
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string name = Name(in);
        const std::u16string path = std::u16string(OverlayIdentifiersPath) + u"\\" + name;
        if (in.ConsumeIntegralInRange(0, 20) == 0) {
            registry.AddKey(path);  // no value at all
        } else {
            registry.AddValue(path, Value(in));
        }
        if (in.ConsumeIntegralInRange(0, 7) == 0) {
            RegValue extra = Value(in);
            extra.name = u"Extra";
            registry.AddValue(path, extra);
        }
        if (in.ConsumeIntegralInRange(0, 30) == 0) {
            registry.AddValue(path + u"\\Child", Value(in));
            withSubkeys.push_back(name);
        }
    }

    OverlayList current;
    ReadOverlayIdentifiers(registry, current);
    MarkDuplicates(current);
    NameList candidates;
    CollectGroupCandidates(current, candidates);
    if (const std::string broken = CheckCandidates(current, candidates); !broken.empty()) Fail(broken);

    // The groups as the pickers leave them: a remembered name, then picks.
    std::u16string first = candidates.empty() || in.ConsumeBool()
                               ? u"Tortoise"
                               : candidates[in.ConsumeIntegralInRange<std::size_t>(0, candidates.size() - 1)];
    std::u16string second = candidates.empty() || in.ConsumeBool()
                                ? u"-"
                                : candidates[in.ConsumeIntegralInRange<std::size_t>(0, candidates.size() - 1)];
    FirstGroupPickerContent(candidates, first);
    SecondGroupPickerContent(candidates, first, second);
    if (second == first) Fail("second group equals the first");

    const Plan plan = BuildPlannedList(current, first, second);
    if (const std::string broken = CheckPlan(current, plan); !broken.empty()) Fail(broken);

    // Another program registers a subkey anew while Tessary is open: whatever the
    // walk does then, no handler may lose its last registration.
    const bool reRegistered = !current.empty() && in.ConsumeIntegralInRange(0, 7) == 0;
    if (reRegistered) {
        registry.AddOverlay(current[in.ConsumeIntegralInRange<std::size_t>(0, current.size() - 1)].keyName,
                            in.ConsumeBool() ? u"{A}" : u"{B}");
    }

    // Subkeys the scan left out stay in the registry, untouched by the plan.
    std::vector<std::u16string> unknown = registry.OverlayNames();
    std::erase_if(unknown, [&](const std::u16string& name) {
        return std::any_of(current.begin(), current.end(), [&](const OverlayEntry& e) { return e.keyName == name; });
    });

    const Registrations before = ReadRegistrations(registry);
    const std::vector<std::u16string> namesBefore = registry.OverlayNames();
    const auto subkeysBefore = registry.OverlaySubkeys();
    // A registry file cannot bring back a touched subkey with a "]" in a key
    // name or a string of an odd byte count: such a walk is refused too.
    const bool unportable = std::any_of(plan.PlannedList.begin(), plan.PlannedList.end(), [&](const OverlayEntry& e) {
        return !(e.noRename && !e.deleteKey) && registry.HasBracketOrOddString(e.deleteKey ? e.keyName : e.bareName);
    });
    // Another program holds a subkey open: one rename of the walk is refused.
    if (const int refused = in.ConsumeIntegralInRange(0, 3); refused > 0) {
        registry.FailCall(RegOp::Rename, registry.Calls(RegOp::Rename) + refused, sdk::ErrorAccessDenied);
    }
    ScriptedMessages messages;
    messages.answers = {IdYes, IdNo};
    RecordingSignOut signOut;
    FakeUndoFiles files;
    ApplyState state;
    ApplyPlannedList(plan.PlannedList, {registry, messages, signOut, {files, u"C:\\", UndoLanguage::English}, nullptr},
                     state);
    // The call before the walk's close: a rename refused as set above.
    const std::vector<RegCall>& calls = registry.History();
    const bool lastRenameRefused = calls.size() >= 2 && calls[calls.size() - 2].op == RegOp::Rename &&
                                   calls[calls.size() - 2].result == sdk::ErrorAccessDenied;
    if (registry.OpenHandles() != 0) Fail("a handle left open");
    if (ReadRegistrations(registry) != before) Fail("a registration was lost");
    // Whatever happened, importing the undo file undoes what ran and nothing else.
    const std::vector<std::u16string> namesAfter = registry.OverlayNames();
    if (files.files.size() != (state.registryChanged ? 1u : 0u)) Fail("an undo file without a change, or none for one");
    if (const std::string broken =
            CheckUndoImport(registry, 0, subkeysBefore, plan.PlannedList, files.OnlyText());
        !broken.empty()) {
        for (const RegCall& call : registry.History()) std::fprintf(stderr, "call: %s\n", Text(call).c_str());
        Fail(broken);
    }

    const bool succeeded = messages.shown.back().first == IdsChangeSucceeded;
    // A duplicate that has subkeys of its own cannot be deleted, which the key
    // shows beforehand. (The registry keeps the first spelling of names equal ignoring case.)
    const bool deletedHadSubkeys = std::any_of(plan.PlannedList.begin(), plan.PlannedList.end(), [&](const OverlayEntry& e) {
        return e.deleteKey &&
               std::any_of(withSubkeys.begin(), withSubkeys.end(),
                           [&](const std::u16string& name) { return CompareIgnoringCase(name, e.keyName) == 0; });
    });
    if (!succeeded && lastRenameRefused) return 0;
    const bool clash = PlanHasUnavoidableClash(plan, unknown) ||
                       std::any_of(namesBefore.begin(), namesBefore.end(),
                                   [](const std::u16string& name) { return name.find(u'\0') != std::u16string::npos; }) ||
                       unportable || deletedHadSubkeys || reRegistered;
    if (succeeded && clash && !reRegistered) Fail("the walk succeeded through a clash");
    if (!succeeded) {
        if (!clash) {
            for (const OverlayEntry& e : plan.PlannedList) {
                std::fprintf(stderr, "plan: [%s] from [%s]%s%s\n", Utf8(e.keyName).c_str(), Utf8(e.bareName).c_str(),
                             e.noRename ? " keep" : "", e.deleteKey ? " delete" : "");
            }
            for (const RegCall& call : registry.History()) std::fprintf(stderr, "call: %s\n", Text(call).c_str());
            Fail("the walk failed without a clash");
        }
        // Foreseeable from the names: nothing may have been tried.
        if (namesAfter != namesBefore || state.registryChanged) Fail("a clash changed the registry");
        return 0;
    }
    // The registry now lists the After names in the After order.
    std::vector<std::u16string> after;
    for (const OverlayEntry& entry : plan.PlannedList) {
        if (!entry.deleteKey) after.push_back(entry.keyName);
    }
    std::vector<std::u16string> listed = namesAfter;
    std::erase_if(listed, [&](const std::u16string& name) {
        return std::find(unknown.begin(), unknown.end(), name) != unknown.end();
    });
    if (listed != after) Fail("the registry does not list the After names in order");
    return 0;
}
