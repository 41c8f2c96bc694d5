#include "support/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "core/overlay.h"

namespace tessary::tests {

struct FakeRegistry::Node {
    std::u16string name;
    std::vector<RegValue> values;
    std::map<std::u16string, std::unique_ptr<Node>> children;  // by upper-cased name
    std::uint32_t denied = 0;

    // RegRenameKey needs KEY_WRITE on the key and DELETE on every key below it.
    bool DeniesRename(std::uint32_t rights = sdk::KeyWrite | sdk::Delete) const {
        return (denied & rights) != 0 ||
               std::any_of(children.begin(), children.end(), [](const auto& c) { return c.second->DeniesRename(sdk::Delete); });
    }
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

FakeRegistry::FakeRegistry(UpperCaseFunction upperCase) : upper(upperCase), root(std::make_unique<Node>()) {
    for (RegOp op : {RegOp::Open, RegOp::EnumKey, RegOp::EnumValue, RegOp::Close, RegOp::Rename, RegOp::Delete}) {
        counts[op] = 0;
    }
    AddKey(OverlayIdentifiersPath);
}

FakeRegistry::~FakeRegistry() = default;
FakeRegistry& FakeRegistry::operator=(FakeRegistry&&) noexcept = default;

FakeRegistry::Path FakeRegistry::Parts(std::u16string_view path) const {
    Path parts;
    for (const std::u16string& part : Split(path)) parts.push_back(upper(part));
    return parts;
}

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
        std::unique_ptr<Node>& child = node->children[upper(part)];
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
    // As RegSetValueExW: a value of the same name, ignoring case, is replaced.
    std::vector<RegValue>& values = Make(path).values;
    const auto same = std::find_if(values.begin(), values.end(),
                                   [&](const RegValue& v) { return upper(v.name) == upper(value.name); });
    if (same != values.end()) {
        *same = std::move(value);
    } else {
        values.push_back(std::move(value));
    }
}

void FakeRegistry::AddOverlay(std::u16string_view name, std::u16string_view clsid) {
    std::u16string path(OverlayIdentifiersPath);
    path += u'\\';
    path += name;
    // Set as regedit does: the unnamed default value.
    AddValue(path, RegValue{u"", sdk::RegSz, SzData(clsid)});
}

void FakeRegistry::Deny(std::u16string_view path, std::uint32_t access) { Make(path).denied |= access; }

void FakeRegistry::RemoveOverlayKey() {
    Path parent = Parts(OverlayIdentifiersPath);
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
    std::vector<std::pair<std::u16string, std::u16string>> result;
    const Node* key = Find(Parts(OverlayIdentifiersPath));
    if (key == nullptr) return result;
    for (const auto& [form, child] : key->children) {
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

namespace {

bool IsString(const RegValue& value) {
    return value.type == sdk::RegSz || value.type == sdk::RegExpandSz || value.type == sdk::RegMultiSz;
}

void Describe(const auto& node, const std::string& indent, std::string& out) {
    static const char digits[] = "0123456789abcdef";
    out += indent + "[" + Utf8(node.name) + "]\n";
    for (const RegValue& value : node.values) {
        out += indent + "  \"" + Utf8(value.name) + "\" " + std::to_string(value.type) + ":";
        std::size_t size = value.data.size();
        if (IsString(value) && size % 2 == 0 && size >= 2 && value.data[size - 1] == 0 && value.data[size - 2] == 0) size -= 2;
        for (std::size_t i = 0; i < size; ++i) out += {' ', digits[value.data[i] >> 4], digits[value.data[i] & 15]};
        out += "\n";
    }
    for (const auto& [form, child] : node.children) Describe(*child, indent + "  ", out);
}

unsigned HexDigit(char16_t c) { return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10; }

// A quoted text from pos, with \\ and \" undone; pos ends after the closing quote.
std::u16string Unquote(std::u16string_view line, std::size_t& pos) {
    std::u16string text;
    for (++pos; pos < line.size() && line[pos] != u'"'; ++pos) {
        if (line[pos] == u'\\' && pos + 1 < line.size()) ++pos;
        text += line[pos];
    }
    ++pos;
    return text;
}

}  // namespace

std::string FakeRegistry::OverlayTree() const {
    const Node* key = Find(Parts(OverlayIdentifiersPath));
    std::string out;
    if (key != nullptr) Describe(*key, "", out);
    return out;
}

std::map<std::u16string, std::string> FakeRegistry::OverlaySubkeys() const {
    std::map<std::u16string, std::string> subkeys;
    if (const Node* key = Find(Parts(OverlayIdentifiersPath))) {
        for (const auto& [form, child] : key->children) Describe(*child, "", subkeys[child->name]);
    }
    return subkeys;
}

bool FakeRegistry::HasBracketOrOddString(std::u16string_view name) const {
    const auto below = [](const auto& self, const Node& node) -> bool {
        if (node.name.find(u']') != std::u16string::npos) return true;
        for (const RegValue& value : node.values) {
            if (IsString(value) && value.data.size() % 2 != 0) return true;
        }
        return std::any_of(node.children.begin(), node.children.end(),
                           [&](const auto& child) { return self(self, *child.second); });
    };
    const Node* subkey = Find(Parts(std::u16string(OverlayIdentifiersPath) + u"\\" + std::u16string(name)));
    return subkey != nullptr && below(below, *subkey);
}

void FakeRegistry::Import(std::u16string_view text) {
    std::vector<std::u16string> lines(1);
    for (const char16_t unit : text) {
        if (unit == u'\r' || unit == u'\uFEFF') continue;
        if (unit != u'\n') {
            lines.back() += unit;
        } else if (!lines.back().empty() && lines.back().back() == u'\\' && lines.back()[0] != u';') {
            lines.back().pop_back();  // continued on the next line, after its indent
        } else {
            lines.emplace_back();
        }
    }
    constexpr std::u16string_view machine = u"HKEY_LOCAL_MACHINE\\";
    std::u16string keyPath;  // of the values that follow
    for (std::u16string& line : lines) {
        line.erase(0, line.find_first_not_of(u' '));
        if (line.empty() || line[0] == u';' || line.rfind(u"Windows Registry Editor", 0) == 0) continue;
        if (line[0] == u'[') {
            const bool remove = line[1] == u'-';
            const std::size_t start = (remove ? 2 : 1) + machine.size();
            const std::u16string path = line.substr(start, line.rfind(u']') - start);
            keyPath = path;
            if (!remove) {
                Make(path);
            } else {
                Path parent = Parts(path);
                const std::u16string leaf = parent.back();
                parent.pop_back();
                if (Node* node = Find(parent)) node->children.erase(leaf);
            }
            continue;
        }
        std::size_t pos = 0;
        RegValue value;
        if (line[0] == u'@') {
            pos = 1;
        } else {
            value.name = Unquote(line, pos);
        }
        ++pos;  // '='
        const std::u16string_view data = std::u16string_view(line).substr(pos);
        if (data[0] == u'"') {
            std::size_t at = 0;
            value.type = sdk::RegSz;
            value.data = SzData(Unquote(data, at));
        } else if (data.rfind(u"dword:", 0) == 0) {
            value.type = sdk::RegDword;
            for (std::size_t i = 4; i-- > 0;) {
                value.data.push_back(static_cast<std::uint8_t>(HexDigit(data[6 + 2 * i]) * 16 + HexDigit(data[7 + 2 * i])));
            }
        } else {
            std::size_t at = data.find(u':') + 1;
            value.type = sdk::RegBinary;
            if (data[3] == u'(') {
                value.type = 0;
                for (std::size_t i = 4; data[i] != u')'; ++i) value.type = value.type * 16 + HexDigit(data[i]);
            }
            std::u16string digits(data.substr(at));
            std::erase_if(digits, [](char16_t c) { return c == u',' || c == u' '; });
            for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
                value.data.push_back(static_cast<std::uint8_t>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1])));
            }
        }
        AddValue(keyPath, std::move(value));
    }
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

long FakeRegistry::Record(RegCall call, long result) {
    call.result = result;
    history.push_back(std::move(call));
    return result;
}

std::string Text(RegOp op) {
    static const char* const names[] = {"Open", "EnumKey", "EnumValue", "Close", "Rename", "Delete"};
    return names[static_cast<int>(op)];
}

std::string Text(const RegCall& call) {
    std::string text = Text(call.op);
    switch (call.op) {
    case RegOp::Open: text += "(" + Utf8(call.name) + ", " + std::to_string(call.access) + ")"; break;
    case RegOp::EnumKey:
    case RegOp::EnumValue: text += "(" + std::to_string(call.index) + ")"; break;
    case RegOp::Close: break;
    case RegOp::Rename: text += "(\"" + Utf8(call.name) + "\" -> \"" + Utf8(call.newName) + "\")"; break;
    case RegOp::Delete: text += "(\"" + Utf8(call.name) + "\")"; break;
    }
    return text + " = " + std::to_string(call.result);
}

void PrintTo(const RegCall& call, std::ostream* os) { *os << Text(call); }

long FakeRegistry::Resolve(RegKey key, Node*& node) const {
    const auto handle = handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (handle == handles.end()) return sdk::ErrorInvalidHandle;
    node = Find(handle->second);
    return node == nullptr ? sdk::ErrorKeyDeleted : sdk::ErrorSuccess;
}

long FakeRegistry::OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) {
    const RegCall call = RegCall::Open(path, access);
    long code = 0;
    if (Injected(RegOp::Open, code)) return Record(call, code);
    Path parts = Parts(path);
    const Node* node = Find(parts);
    if (node == nullptr) return Record(call, sdk::ErrorFileNotFound);
    if ((node->denied & access) != 0) return Record(call, sdk::ErrorAccessDenied);
    const std::uintptr_t handle = nextHandle++;
    handles[handle] = std::move(parts);
    *key = reinterpret_cast<RegKey>(handle);
    return Record(call, sdk::ErrorSuccess);
}

long FakeRegistry::EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) {
    const RegCall call = RegCall::EnumKey(index);
    long code = 0;
    if (Injected(RegOp::EnumKey, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != sdk::ErrorSuccess) return Record(call, status);
    if (index >= node->children.size()) return Record(call, sdk::ErrorNoMoreItems);
    const std::u16string& childName = std::next(node->children.begin(), index)->second->name;
    if (childName.size() + 1 > *nameLength) return Record(call, sdk::ErrorMoreData);
    std::copy(childName.begin(), childName.end(), name);
    name[childName.size()] = u'\0';
    *nameLength = static_cast<std::uint32_t>(childName.size());
    return Record(call, sdk::ErrorSuccess);
}

long FakeRegistry::EnumValue(RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) {
    const RegCall call = RegCall::EnumValue(index);
    long code = 0;
    if (Injected(RegOp::EnumValue, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != sdk::ErrorSuccess) return Record(call, status);
    if (index >= node->values.size()) return Record(call, sdk::ErrorNoMoreItems);
    const RegValue& value = node->values[index];
    if (value.name.size() + 1 > *valueNameLength || value.data.size() > *dataLength) {
        *dataLength = static_cast<std::uint32_t>(value.data.size());
        return Record(call, sdk::ErrorMoreData);
    }
    std::copy(value.name.begin(), value.name.end(), valueName);
    valueName[value.name.size()] = u'\0';
    *valueNameLength = static_cast<std::uint32_t>(value.name.size());
    *type = value.type;
    if (!value.data.empty()) std::memcpy(data, value.data.data(), value.data.size());
    *dataLength = static_cast<std::uint32_t>(value.data.size());
    return Record(call, sdk::ErrorSuccess);
}

long FakeRegistry::CloseKey(RegKey key) {
    long code = 0;
    if (Injected(RegOp::Close, code)) return Record(RegCall::Close(), code);
    return Record(RegCall::Close(), handles.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? sdk::ErrorSuccess
                                                                                     : sdk::ErrorInvalidHandle);
}

long FakeRegistry::RenameKey(RegKey key, const char16_t* from, const char16_t* to) {
    const RegCall call = RegCall::Rename(from, to);
    long code = 0;
    if (Injected(RegOp::Rename, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != sdk::ErrorSuccess) return Record(call, status);
    const auto source = node->children.find(upper(from));
    if (source == node->children.end()) return Record(call, sdk::ErrorFileNotFound);
    // A target that exists, also one differing only in case, is refused.
    if (node->children.count(upper(to)) != 0 || source->second->DeniesRename()) return Record(call, sdk::ErrorAccessDenied);
    // Windows keeps key names to 255 characters (Wine 8 lets longer ones through).
    if (std::u16string_view(to).size() > 255) return Record(call, 87);
    std::unique_ptr<Node> moved = std::move(source->second);
    node->children.erase(source);
    moved->name = to;
    node->children[upper(to)] = std::move(moved);
    return Record(call, sdk::ErrorSuccess);
}

long FakeRegistry::DeleteKey(RegKey key, const char16_t* name) {
    const RegCall call = RegCall::Delete(name);
    long code = 0;
    if (Injected(RegOp::Delete, code)) return Record(call, code);
    Node* node = nullptr;
    if (const long status = Resolve(key, node); status != sdk::ErrorSuccess) return Record(call, status);
    const auto child = node->children.find(upper(name));
    if (child == node->children.end()) return Record(call, sdk::ErrorFileNotFound);
    if (!child->second->children.empty() || (child->second->denied & sdk::Delete) != 0) return Record(call, sdk::ErrorAccessDenied);
    node->children.erase(child);
    return Record(call, sdk::ErrorSuccess);
}

}  // namespace tessary::tests
