#include "support/fake_registry.h"

#include <algorithm>
#include <cstring>

#include "core/overlay.h"

namespace tessary::testing {

struct FakeRegistry::Node {
    std::u16string name;
    std::vector<RegValue> values;
    std::map<std::u16string, std::unique_ptr<Node>> children;  // by upper-cased name
};

namespace {

std::vector<std::u16string> Split(std::u16string_view path) {
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::string Utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<std::uint8_t> SzData(std::u16string_view text, bool terminated) {
    std::vector<std::uint8_t> data;
    for (const char16_t unit : text) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (terminated) data.insert(data.end(), {0, 0});
    return data;
}

FakeRegistry::FakeRegistry() : root(std::make_unique<Node>()) {
    for (RegOp op : {RegOp::Open, RegOp::EnumKey, RegOp::EnumValue, RegOp::Close, RegOp::Rename, RegOp::Delete}) {
        counts[op] = 0;
    }
    AddKey(OverlayIdentifiersPath);
}

FakeRegistry::~FakeRegistry() = default;
FakeRegistry& FakeRegistry::operator=(FakeRegistry&&) noexcept = default;

FakeRegistry::Node* FakeRegistry::Find(const Path& path) const {
    Node* node = root.get();
    for (const std::u16string& part : path) {
        const auto child = node->children.find(part);
        if (child == node->children.end()) return nullptr;
        node = child->second.get();
    }
    return node;
}

FakeRegistry::Node& FakeRegistry::Make(std::u16string_view path) {
    Node* node = root.get();
    for (const std::u16string& part : Split(path)) {
        std::unique_ptr<Node>& child = node->children[UpperCased(part)];
        if (!child) {
            child = std::make_unique<Node>();
            child->name = part;
        }
        node = child.get();
    }
    return *node;
}

void FakeRegistry::AddKey(std::u16string_view path) { Make(path); }

void FakeRegistry::AddValue(std::u16string_view path, RegValue value) {
    Make(path).values.push_back(std::move(value));
}

void FakeRegistry::AddOverlay(std::u16string_view name, std::u16string_view clsid) {
    std::u16string path(OverlayIdentifiersPath);
    path += u'\\';
    path += name;
    // Set as regedit does: the unnamed default value.
    AddValue(path, RegValue{u"", win32::RegSz, SzData(clsid)});
}

void FakeRegistry::RemoveOverlayKey() {
    Path parent;
    for (const std::u16string& part : Split(OverlayIdentifiersPath)) parent.push_back(UpperCased(part));
    const std::u16string leaf = parent.back();
    parent.pop_back();
    Find(parent)->children.erase(leaf);
}

std::vector<std::u16string> FakeRegistry::OverlayNames() const {
    std::vector<std::u16string> names;
    for (const auto& [pair, clsid] : OverlayRegistrations()) names.push_back(pair);
    return names;
}

std::vector<std::pair<std::u16string, std::u16string>> FakeRegistry::OverlayRegistrations() const {
    Path path;
    for (const std::u16string& part : Split(OverlayIdentifiersPath)) path.push_back(UpperCased(part));
    std::vector<std::pair<std::u16string, std::u16string>> result;
    const Node* key = Find(path);
    if (key == nullptr) return result;
    for (const auto& [upper, child] : key->children) {
        std::u16string text;
        if (!child->values.empty()) {
            const std::vector<std::uint8_t>& data = child->values.front().data;
            for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
                const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
                if (unit == 0) break;
                text += unit;
            }
        }
        result.emplace_back(child->name, text);
    }
    return result;
}

void FakeRegistry::FailCall(RegOp op, int nth, long code, int count) {
    faults.push_back({op, nth, nth + count - 1, code});
}

bool FakeRegistry::Injected(RegOp op, long& code) {
    const int nth = ++counts[op];
    const auto fault = std::find_if(faults.rbegin(), faults.rend(),
                                    [&](const Fault& f) { return f.op == op && f.first <= nth && nth <= f.last; });
    if (fault == faults.rend()) return false;
    code = fault->code;
    return true;
}

long FakeRegistry::Record(std::string call, long result) {
    log.push_back(call + " = " + std::to_string(result));
    return result;
}

long FakeRegistry::Resolve(RegKey key, Node*& node) const {
    const auto handle = handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (handle == handles.end()) return win32::ErrorInvalidHandle;
    node = Find(handle->second);
    return node == nullptr ? win32::ErrorKeyDeleted : win32::ErrorSuccess;
}

long FakeRegistry::OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) {
    const std::string call = "Open(" + Utf8(path) + ", " + std::to_string(access) + ")";
    long code = 0;
    if (Injected(RegOp::Open, code)) return Record(call, code);
    Path parts;
    for (const std::u16string& part : Split(path)) parts.push_back(UpperCased(part));
    if (Find(parts) == nullptr) return Record(call, win32::ErrorFileNotFound);
    const std::uintptr_t handle = nextHandle++;
    handles[handle] = std::move(parts);
    *key = reinterpret_cast<RegKey>(handle);
    return Record(call, win32::ErrorSuccess);
}

long FakeRegistry::EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) {
    const std::string call = "EnumKey(" + std::to_string(index) + ")";
    long code = 0;
    if (Injected(RegOp::EnumKey, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != win32::ErrorSuccess) return Record(call, status);
    if (index >= node->children.size()) return Record(call, win32::ErrorNoMoreItems);
    const std::u16string& childName = std::next(node->children.begin(), index)->second->name;
    if (childName.size() + 1 > *nameLength) return Record(call, win32::ErrorMoreData);
    std::copy(childName.begin(), childName.end(), name);
    name[childName.size()] = u'\0';
    *nameLength = static_cast<std::uint32_t>(childName.size());
    return Record(call, win32::ErrorSuccess);
}

long FakeRegistry::EnumValue(RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) {
    const std::string call = "EnumValue(" + std::to_string(index) + ")";
    long code = 0;
    if (Injected(RegOp::EnumValue, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != win32::ErrorSuccess) return Record(call, status);
    if (index >= node->values.size()) return Record(call, win32::ErrorNoMoreItems);
    const RegValue& value = node->values[index];
    if (value.name.size() + 1 > *valueNameLength || value.data.size() > *dataLength) {
        *dataLength = static_cast<std::uint32_t>(value.data.size());
        return Record(call, win32::ErrorMoreData);
    }
    std::copy(value.name.begin(), value.name.end(), valueName);
    valueName[value.name.size()] = u'\0';
    *valueNameLength = static_cast<std::uint32_t>(value.name.size());
    *type = value.type;
    if (!value.data.empty()) std::memcpy(data, value.data.data(), value.data.size());
    *dataLength = static_cast<std::uint32_t>(value.data.size());
    return Record(call, win32::ErrorSuccess);
}

long FakeRegistry::CloseKey(RegKey key) {
    long code = 0;
    if (Injected(RegOp::Close, code)) return Record("Close", code);
    return Record("Close", handles.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? win32::ErrorSuccess
                                                                                     : win32::ErrorInvalidHandle);
}

long FakeRegistry::RenameKey(RegKey key, const char16_t* from, const char16_t* to) {
    const std::string call = "Rename(\"" + Utf8(from) + "\" -> \"" + Utf8(to) + "\")";
    long code = 0;
    if (Injected(RegOp::Rename, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != win32::ErrorSuccess) return Record(call, status);
    const auto source = node->children.find(UpperCased(from));
    if (source == node->children.end()) return Record(call, win32::ErrorFileNotFound);
    // A target that exists, also one differing only in case, is refused.
    if (node->children.count(UpperCased(to)) != 0) return Record(call, win32::ErrorAccessDenied);
    // Windows keeps key names to 255 characters (Wine 8 lets longer ones through).
    if (std::u16string_view(to).size() > 255) return Record(call, 87);
    std::unique_ptr<Node> moved = std::move(source->second);
    node->children.erase(source);
    moved->name = to;
    node->children[UpperCased(to)] = std::move(moved);
    return Record(call, win32::ErrorSuccess);
}

long FakeRegistry::DeleteKey(RegKey key, const char16_t* name) {
    const std::string call = "Delete(\"" + Utf8(name) + "\")";
    long code = 0;
    if (Injected(RegOp::Delete, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != win32::ErrorSuccess) return Record(call, status);
    const auto child = node->children.find(UpperCased(name));
    if (child == node->children.end()) return Record(call, win32::ErrorFileNotFound);
    if (!child->second->children.empty()) return Record(call, win32::ErrorAccessDenied);
    node->children.erase(child);
    return Record(call, win32::ErrorSuccess);
}

}  // namespace tessary::testing
