// Small helpers to write lists and registries in tests.
#pragma once

#include <string>
#include <vector>

#include <ostream>

#include "core/overlay.h"
#include "support/fake_registry.h"
#include "ui/views.h"

namespace tessary {

// Readable failures.
inline void PrintTo(const OverlayEntry& e, std::ostream* os) {
    *os << "{\"" << tests::Utf8(e.keyName) << "\", \"" << tests::Utf8(e.bareName) << "\", "
        << tests::Utf8(e.handlerClsid) << (e.noRename ? ", noRename" : "") << (e.deleteKey ? ", deleteKey" : "")
        << "}";
}
inline void PrintTo(const OverlayRow& r, std::ostream* os) {
    *os << "{" << tests::Utf8(r.marker) << " | " << tests::Utf8(r.name) << " | " << tests::Utf8(r.status) << "}";
}

}  // namespace tessary

namespace tessary::tests {

inline OverlayEntry Entry(std::u16string_view keyName, std::u16string_view clsid = u"{C1}") {
    return OverlayEntry{std::u16string(keyName), StripLeadingBlanks(keyName), std::u16string(clsid), false, false};
}

// Names of a list, in order.
inline std::vector<std::u16string> KeyNames(const OverlayList& list) {
    std::vector<std::u16string> names;
    for (const OverlayEntry& entry : list) names.push_back(entry.keyName);
    return names;
}

// The list of the worked example: CloudSync and Tortoise handlers, with a
// leftover " Tortoise2" duplicate of "Tortoise2".
inline OverlayList WorkedExample() {
    return {Entry(u"  CloudSync1", u"{A1}"), Entry(u"  CloudSync2", u"{A2}"), Entry(u" Archiver", u"{B1}"),
            Entry(u" CloudSync3", u"{A3}"),  Entry(u" Tortoise2", u"{T2}"),  Entry(u"Tortoise1", u"{T1}"),
            Entry(u"Tortoise2", u"{T2}")};
}

inline void Seed(FakeRegistry& registry, const OverlayList& list) {
    for (const OverlayEntry& entry : list) registry.AddOverlay(entry.keyName, entry.handlerClsid);
}

}  // namespace tessary::tests
