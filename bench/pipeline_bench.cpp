// The work that grows with the number of overlay subkeys: the pipeline run once
// at start (duplicates, candidates, the first plan) and one replanning after a
// picker change, on registries named as real ones are.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/apply.h"
#include "core/candidates.h"
#include "core/catalogue.h"
#include "core/planner.h"
#include "core/undo.h"
#include "support/reference_pass.h"

namespace {

using tessary::OverlayEntry;
using tessary::OverlayList;

std::u16string Text(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Vendors with numbered states ("AcmeDrive3Synced"), one to four leading
// blanks per vendor, and a leftover duplicate every so often, or after every
// duplicateEvery-th handler.
OverlayList RealisticRegistry(std::size_t count, std::size_t duplicateEvery = 0) {
    static const char* const vendors[] = {"Tortoise", "CloudSync", "AcmeDrive", "BoxSync ", "DropStore", "OneBox",
                                          "GitShell", "SyncPoint", "MegaVault", "HubDisk"};
    static const char* const states[] = {"Normal", "Modified", "Conflict", "Locked", "ReadOnly",
                                         "Deleted", "Added", "Ignored", "Unversioned", "Syncing"};
    std::mt19937 random(42);
    OverlayList list;
    for (std::size_t i = 0; list.size() < count; ++i) {
        const std::size_t vendor = (i / 10) % std::size(vendors);
        // Appended piece by piece: GCC 12 warns falsely on long chains of +.
        std::string bare = vendors[vendor];
        if (i >= 100) bare += std::to_string(i / 100);
        bare += std::to_string(i % 10 + 1);
        bare += states[i % 10];
        std::string clsid = "{";
        clsid += std::to_string(1000 + i);
        clsid += "-0000-4000-8000-000000000000}";
        std::string name(vendor % 5, ' ');
        name += bare;
        list.push_back({Text(name), Text(bare), Text(clsid), false, false});
        if ((duplicateEvery == 0 ? random() % 40 == 0 : i % duplicateEvery == 0) && list.size() < count) {
            name.insert(0, "  ");
            list.push_back({Text(name), Text(bare), Text(clsid), false, false});
        }
    }
    return list;
}

void InitialPipeline(benchmark::State& state) {
    const OverlayList registry = RealisticRegistry(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        OverlayList current = registry;
        tessary::MarkDuplicates(current);
        tessary::NameList candidates;
        tessary::CollectGroupCandidates(current, candidates);
        tessary::Plan plan = tessary::BuildPlannedList(current, u"Tortoise", u"CloudSync");
        benchmark::DoNotOptimize(candidates);
        benchmark::DoNotOptimize(plan);
    }
}

// The same with the plain pass over every ordered pair, for comparison.
void InitialPipelinePlainPass(benchmark::State& state) {
    const OverlayList registry = RealisticRegistry(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        OverlayList current = registry;
        tessary::tests::PlainMarkDuplicates(current);
        tessary::NameList candidates;
        tessary::tests::PlainCollectGroupCandidates(current, candidates);
        tessary::Plan plan = tessary::BuildPlannedList(current, u"Tortoise", u"CloudSync");
        benchmark::DoNotOptimize(candidates);
        benchmark::DoNotOptimize(plan);
    }
}

void Replanning(benchmark::State& state) {
    OverlayList current = RealisticRegistry(static_cast<std::size_t>(state.range(0)));
    tessary::MarkDuplicates(current);
    for (auto _ : state) {
        tessary::Plan plan = tessary::BuildPlannedList(current, u"AcmeDrive", u"BoxSync ");
        benchmark::DoNotOptimize(plan);
    }
}

// The undo file's text for a walk that renames or deletes every subkey, each
// with its class identifier and a few values of other types.
void UndoFileText(benchmark::State& state) {
    std::vector<tessary::UndoStep> steps;
    for (const OverlayEntry& entry : RealisticRegistry(static_cast<std::size_t>(state.range(0)))) {
        const std::u16string& clsid = entry.handlerClsid;
        std::vector<std::uint8_t> text;
        for (const char16_t unit : clsid + u'\0') text.insert(text.end(), {static_cast<std::uint8_t>(unit), 0});
        steps.push_back({u" " + entry.bareName,
                         {entry.keyName,
                          {{u"", tessary::sdk::RegSz, text}, {u"Flags", 4, {1, 0, 0, 0}}, {u"Data", 3, std::vector<std::uint8_t>(64, 0xAB)}},
                          {}}});
    }
    for (auto _ : state) {
        std::u16string file = tessary::UndoFileText(steps, {}, tessary::UndoLanguage::English);
        benchmark::DoNotOptimize(file);
    }
}

// A registry that holds only the overlay key and its subkeys, each with one
// REG_SZ value, and answers without the test registry's bookkeeping, so that
// what is timed is the product's own work and its calls.
class LeanRegistry : public tessary::RegistryApi {
public:
    explicit LeanRegistry(const OverlayList& list) {
        for (const OverlayEntry& entry : list) {
            std::vector<std::uint8_t> data;
            for (const char16_t unit : entry.handlerClsid + u'\0') data.insert(data.end(), {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)});
            subkeys.push_back({entry.keyName, std::move(data)});
        }
        std::sort(subkeys.begin(), subkeys.end(), [](const Subkey& a, const Subkey& b) { return tessary::CompareIgnoringCase(a.name, b.name) < 0; });
        for (std::size_t i = 0; i < subkeys.size(); ++i) byName[tessary::UpperCased(subkeys[i].name)] = i + 1;
    }

    long OpenLocalMachineKey(const char16_t* path, std::uint32_t, tessary::RegKey* key) override {
        const std::u16string_view full(path), overlay = tessary::OverlayIdentifiersPath;
        if (full == overlay) return *key = reinterpret_cast<tessary::RegKey>(OverlayKey), 0;
        if (full.substr(0, overlay.size()) != overlay || full.size() <= overlay.size() + 1) return 2;
        const auto found = byName.find(tessary::UpperCased(full.substr(overlay.size() + 1)));
        if (found == byName.end()) return 2;
        *key = reinterpret_cast<tessary::RegKey>(found->second + OverlayKey);
        return 0;
    }
    long EnumKey(tessary::RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override {
        if (reinterpret_cast<std::uintptr_t>(key) != OverlayKey || index >= subkeys.size()) return 259;
        const std::u16string& found = subkeys[index].name;
        std::copy(found.begin(), found.end(), name);
        name[found.size()] = u'\0';
        *nameLength = static_cast<std::uint32_t>(found.size());
        return 0;
    }
    long EnumValue(tessary::RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override {
        if (index > 0 || reinterpret_cast<std::uintptr_t>(key) == OverlayKey) return 259;
        const std::vector<std::uint8_t>& value = subkeys[reinterpret_cast<std::uintptr_t>(key) - OverlayKey - 1].value;
        if (value.size() > *dataLength) return *dataLength = static_cast<std::uint32_t>(value.size()), 234;
        valueName[0] = u'\0';
        *valueNameLength = 0;
        *type = tessary::sdk::RegSz;
        std::copy(value.begin(), value.end(), data);
        *dataLength = static_cast<std::uint32_t>(value.size());
        return 0;
    }
    long CloseKey(tessary::RegKey) override { return 0; }
    long RenameKey(tessary::RegKey, const char16_t*, const char16_t*) override { return 5; }
    long DeleteKey(tessary::RegKey, const char16_t*) override { return 5; }

private:
    static constexpr std::uintptr_t OverlayKey = 0x1000;
    struct Subkey {
        std::u16string name;
        std::vector<std::uint8_t> value;
    };
    std::vector<Subkey> subkeys;
    std::map<std::u16string, std::size_t> byName;  // upper-cased name -> index + 1
};

// 1,000 subkeys of which 100 are leftover duplicates.
const OverlayList& WithDuplicates() {
    static const OverlayList list = RealisticRegistry(1000, 9);
    return list;
}

// The start as the program runs it, from the registry: the scan, then the pipeline.
void StartFromRegistry(benchmark::State& state) {
    LeanRegistry registry(WithDuplicates());
    for (auto _ : state) {
        OverlayList current;
        tessary::ReadOverlayIdentifiers(registry, current);
        tessary::MarkDuplicates(current);
        tessary::NameList candidates;
        tessary::CollectGroupCandidates(current, candidates);
        tessary::Plan plan = tessary::BuildPlannedList(current, u"Tortoise", u"CloudSync");
        benchmark::DoNotOptimize(plan);
    }
}

// The check before a change on the same registry: the names, every subkey that
// the walk renames or deletes read whole (here 820 of them), and the handlers
// of the duplicates and their twins.
void CheckBeforeChange(benchmark::State& state) {
    LeanRegistry registry(WithDuplicates());
    OverlayList current;
    tessary::ReadOverlayIdentifiers(registry, current);
    tessary::MarkDuplicates(current);
    const tessary::Plan plan = tessary::BuildPlannedList(current, u"Tortoise", u"CloudSync");
    for (auto _ : state) {
        std::vector<tessary::UndoStep> steps;
        if (!tessary::KeyAllowsWalk(registry, plan.PlannedList, steps)) state.SkipWithError("the check refused");
        benchmark::DoNotOptimize(steps);
    }
}

BENCHMARK(StartFromRegistry)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckBeforeChange)->Unit(benchmark::kMillisecond);
BENCHMARK(InitialPipeline)->Arg(15)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(InitialPipelinePlainPass)->Arg(15)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(Replanning)->Arg(15)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoFileText)->Arg(15)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
