// Checks that hold for every registry and every choice of groups; shared by the
// fault sweep and the fuzzer. Each returns the first violation, or "".
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "core/candidates.h"
#include "core/planner.h"
#include "support/fake_registry.h"

namespace tessary::tests {

// (blank-free name, class identifier) of every readable registration.
using Registrations = std::set<std::pair<std::u16string, std::u16string>>;
Registrations ReadRegistrations(FakeRegistry& registry);

std::string CheckCandidates(const OverlayList& current, const NameList& candidates);

// Length, delete implies keep, names built from the blank-free names, order.
std::string CheckPlan(const OverlayList& current, const Plan& plan);

// Whether the registry would refuse a rename of the plan whatever else went
// right: two subkeys planned to names equal ignoring case, a target equal to the
// name of a subkey the plan does not know, a target still held by a subkey
// that is renamed away only later in the walk, or a target too long.
bool PlanHasUnavoidableClash(const Plan& plan, const std::vector<std::u16string>& unknownNames);

// After a walk (its calls logged from walkStart on) another program registers
// a handler under a new name the walk did not create and changes a subkey that
// no step touched. Importing the undo file must then give back every subkey the
// steps that ran touched as it was before the walk, and leave every other
// subkey as it was just before the import. Returns the violation, or "".
std::string CheckUndoImport(FakeRegistry& registry, std::size_t walkStart, const std::map<std::u16string, std::string>& beforeWalk,
                            const OverlayList& PlannedList, std::u16string_view undoText);

}  // namespace tessary::tests
