// An in-memory registry that answers like Windows: names unique ignoring case,
// enumeration ordered by upper-cased names, the failure codes of rename and
// delete, and any call made to fail on request. The upper-case function can be
// another than the product's, such as one that merges fewer names, as Windows'
// own table does.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/overlay.h"
#include "core/registry.h"
#include "core/undo.h"

namespace tessary::tests {

enum class RegOp { Open, EnumKey, EnumValue, Close, Rename, Delete };

// One call the registry received, with what it was given and what it answered.
struct RegCall {
    RegOp op = RegOp::Open;
    std::u16string name;       // the path opened, or the subkey renamed or deleted
    std::u16string newName;    // of a rename
    std::uint32_t access = 0;  // of an open
    std::uint32_t index = 0;   // of an enumeration
    long result = sdk::ErrorSuccess;

    bool IsAction() const { return op == RegOp::Rename || op == RegOp::Delete; }
    bool Succeeded() const { return result == sdk::ErrorSuccess; }
    friend bool operator==(const RegCall&, const RegCall&) = default;

    static RegCall Open(std::u16string_view path, std::uint32_t access, long result = sdk::ErrorSuccess) {
        return {RegOp::Open, std::u16string(path), {}, access, 0, result};
    }
    static RegCall EnumKey(std::uint32_t index, long result = sdk::ErrorSuccess) { return {RegOp::EnumKey, {}, {}, 0, index, result}; }
    static RegCall EnumValue(std::uint32_t index, long result = sdk::ErrorSuccess) { return {RegOp::EnumValue, {}, {}, 0, index, result}; }
    static RegCall Close(long result = sdk::ErrorSuccess) { return {RegOp::Close, {}, {}, 0, 0, result}; }
    static RegCall Rename(std::u16string_view from, std::u16string_view to, long result = sdk::ErrorSuccess) {
        return {RegOp::Rename, std::u16string(from), std::u16string(to), 0, 0, result};
    }
    static RegCall Delete(std::u16string_view name, long result = sdk::ErrorSuccess) {
        return {RegOp::Delete, std::u16string(name), {}, 0, 0, result};
    }
};

// As the call would be written, such as Rename("a" -> "b") = 5; for failure messages.
std::string Text(RegOp op);
std::string Text(const RegCall& call);
void PrintTo(const RegCall& call, std::ostream* os);

using RegValue = RegistryValue;

// REG_SZ data as the registry stores it, with the terminating NUL.
std::vector<std::uint8_t> SzData(std::u16string_view text, bool terminated = true);

using UpperCaseFunction = std::u16string (*)(std::u16string_view);

class FakeRegistry : public RegistryApi {
public:
    explicit FakeRegistry(UpperCaseFunction upper = UpperCased);
    ~FakeRegistry() override;
    FakeRegistry& operator=(FakeRegistry&&) noexcept;  // a fresh registry in the same place

    // Seeding. Paths are below HKEY_LOCAL_MACHINE; missing parents are created.
    void AddKey(std::u16string_view path);
    void AddValue(std::u16string_view path, RegValue value);
    // A subkey of the overlay identifiers key with its class identifier as the
    // default value.
    void AddOverlay(std::u16string_view name, std::u16string_view clsid);
    void RemoveOverlayKey();
    // As a key's permissions may: opening the key with any of these rights fails
    // with error 5, and so do a deletion or rename that needs one of them.
    void Deny(std::u16string_view path, std::uint32_t access);

    // The overlay subkeys' names in enumeration order.
    std::vector<std::u16string> OverlayNames() const;
    // Each overlay subkey's name with its first value's text.
    std::vector<std::pair<std::u16string, std::u16string>> OverlayRegistrations() const;
    // The overlay key whole: every subkey, value, type and byte, in order;
    // string data as readers take it, with or without its terminating NUL.
    std::string OverlayTree() const;
    // The same for each overlay subkey, by its name.
    std::map<std::u16string, std::string> OverlaySubkeys() const;
    // Whether the overlay subkey, or a key below it, has a key name with "]" or
    // a string value of an odd byte count.
    bool HasBracketOrOddString(std::u16string_view name) const;

    // Imports a registry file's text as reg import does, for what the undo file
    // writes: [-key] removes a key with everything below it, [key] creates it,
    // and the values below set strings, dwords and hex(N) bytes.
    void Import(std::u16string_view text);

    // The nth call (from 1) of the operation, and the count - 1 calls after it,
    // return code and do nothing.
    void FailCall(RegOp op, int nth, long code, int count = 1);
    int Calls(RegOp op) const { return counts.at(op); }
    int OpenHandles() const { return static_cast<int>(handles.size()); }
    // Every call, in order.
    const std::vector<RegCall>& History() const { return history; }

    long OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) override;
    long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override;
    long EnumValue(RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override;
    long CloseKey(RegKey key) override;
    long RenameKey(RegKey key, const char16_t* from, const char16_t* to) override;
    long DeleteKey(RegKey key, const char16_t* name) override;

private:
    struct Node;
    using Path = std::vector<std::u16string>;  // upper-cased components

    Node* Find(const Path& path) const;
    Node& Make(std::u16string_view path);
    // The key behind a handle, or the code that says why there is none.
    long Resolve(RegKey key, Node*& node) const;
    bool Injected(RegOp op, long& code);
    long Record(RegCall call, long result);

    Path Parts(std::u16string_view path) const;

    UpperCaseFunction upper;
    std::unique_ptr<Node> root;
    std::map<std::uintptr_t, Path> handles;
    std::uintptr_t nextHandle = 0x100;
    std::map<RegOp, int> counts;
    struct Fault {
        RegOp op;
        int first, last;
        long code;
    };
    std::vector<Fault> faults;
    std::vector<RegCall> history;
};

// UTF-16 to UTF-8, for messages and logs.
std::string Utf8(std::u16string_view text);

}  // namespace tessary::tests
