#include "support/invariants.h"

#include <algorithm>

#include "core/catalogue.h"

namespace tessary::tests {

Registrations ReadRegistrations(FakeRegistry& registry) {
    OverlayList list;
    ReadOverlayIdentifiers(registry, list);
    Registrations registrations;
    for (const OverlayEntry& entry : list) registrations.emplace(entry.bareName, entry.handlerClsid);
    return registrations;
}

std::string CheckCandidates(const OverlayList& current, const NameList& candidates) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i].size() < MinCandidateLength) return "candidate too short: " + Utf8(candidates[i]);
        for (std::size_t j = i + 1; j < candidates.size(); ++j) {
            if (candidates[i] == candidates[j]) return "candidate twice: " + Utf8(candidates[i]);
        }
        int starts = 0;
        for (const OverlayEntry& entry : current) starts += IsGroupMember(entry.bareName, candidates[i]) ? 1 : 0;
        if (starts < 2) return "candidate begins fewer than two names: " + Utf8(candidates[i]);
    }
    return "";
}

std::string CheckPlan(const OverlayList& current, const Plan& plan) {
    const OverlayList& planned = plan.PlannedList;
    if (planned.size() != current.size()) return "length differs";
    std::multiset<std::u16string> stored;
    for (const OverlayEntry& entry : current) stored.insert(entry.keyName);
    bool changes = false;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const OverlayEntry& p = planned[i];
        if (i > 0 && PlannedBefore(p, planned[i - 1])) return "out of order at " + Utf8(p.keyName);
        if (p.deleteKey) {
            if (!p.noRename) return "deleted but not kept: " + Utf8(p.keyName);
            changes = true;
            continue;
        }
        if (stored.count(p.bareName) == 0) return "renames an unknown name: " + Utf8(p.bareName);
        const std::u16string bare = StripLeadingBlanks(p.bareName);
        if (StripLeadingBlanks(p.keyName) != bare) return "new name not built from the blank-free name: " + Utf8(p.keyName);
        if (p.keyName.empty()) return "empty new name";
        if (LeadingBlankCount(p.keyName) > 2 && p.keyName != p.bareName) return "more than two blanks: " + Utf8(p.keyName);
        if (p.noRename != (p.keyName == p.bareName)) return "keep flag wrong for " + Utf8(p.keyName);
        changes = changes || !p.noRename;
    }
    if (changes != plan.hasChanges) return "hasChanges wrong";
    return "";
}

bool PlanHasUnavoidableClash(const Plan& plan, const std::vector<std::u16string>& unknownNames) {
    const OverlayList& planned = plan.PlannedList;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const OverlayEntry& a = planned[i];
        if (a.deleteKey) continue;
        if (!a.noRename && a.keyName.size() > 255) return true;
        for (const std::u16string& unknown : unknownNames) {
            if (CompareIgnoringCase(a.keyName, unknown) == 0) return true;
        }
        for (std::size_t j = 0; j < planned.size(); ++j) {
            const OverlayEntry& b = planned[j];
            if (j == i || b.deleteKey) continue;
            if (CompareIgnoringCase(a.keyName, b.keyName) == 0) return true;
            // b still holds a's target when a is renamed.
            if (!a.noRename && j > i && !b.noRename && CompareIgnoringCase(a.keyName, b.bareName) == 0) return true;
        }
    }
    return false;
}

std::string CheckUndoImport(FakeRegistry& registry, std::size_t walkStart, const std::map<std::u16string, std::string>& beforeWalk,
                            const OverlayList& PlannedList, std::u16string_view undoText) {
    auto done = std::count_if(registry.History().begin() + static_cast<std::ptrdiff_t>(walkStart), registry.History().end(),
                              [](const RegCall& call) { return call.IsAction() && call.Succeeded(); });
    const auto among = [](const std::vector<std::u16string>& names, const std::u16string& name) {
        return std::any_of(names.begin(), names.end(), [&](const std::u16string& n) { return CompareIgnoringCase(n, name) == 0; });
    };
    const std::vector<std::u16string> afterWalk = registry.OverlayNames();
    std::vector<std::u16string> touched, notRun;  // notRun: where the steps that never ran start from
    std::u16string late = u"Late";
    for (const OverlayEntry& entry : PlannedList) {
        if (entry.noRename && !entry.deleteKey) continue;
        const std::u16string& from = entry.deleteKey ? entry.keyName : entry.bareName;
        if (done-- > 0) {
            touched.push_back(from);
            if (!entry.deleteKey) touched.push_back(entry.keyName);
            continue;
        }
        notRun.push_back(from);
        // A new name the walk never created is where another program registers.
        if (!entry.deleteKey && late == u"Late" && !among(afterWalk, entry.keyName) && !among(touched, entry.keyName) &&
            entry.keyName.find(u'\0') == std::u16string::npos) {
            late = entry.keyName;
        }
    }
    registry.AddOverlay(late, u"{Late}");
    notRun.insert(notRun.end(), afterWalk.begin(), afterWalk.end());
    const auto changed = std::find_if(notRun.begin(), notRun.end(), [&](const auto& n) { return among(afterWalk, n) && !among(touched, n); });
    if (changed != notRun.end()) registry.AddOverlay(*changed, u"{Changed since}");
    std::map<std::u16string, std::string> expected = registry.OverlaySubkeys();
    for (const std::u16string& name : touched) expected.erase(name);
    for (const std::u16string& name : touched) {
        if (const auto was = beforeWalk.find(name); was != beforeWalk.end()) expected[name] = was->second;
    }
    registry.Import(undoText);
    return registry.OverlaySubkeys() == expected ? "" : "importing the undo file undid more or less than what ran:\n" + Utf8(undoText);
}

}  // namespace tessary::tests
