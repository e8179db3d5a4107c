// The keys and values of a hive as its file's lines build them up: keys named, keys
// deleted with everything below them, and the look-up the registry functions answer from.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// One value as the ANSI registry calls return it: text values (types 1, 2 and 7) are
// UTF-8 with their terminating zero byte(s); every other type is its raw bytes.
struct HiveValue {
    std::uint32_t type = 0;
    std::string data;
};

// Values of one key by lower-case name; the default value ("@") has the name "".
using HiveValues = std::map<std::string, HiveValue>;

// How many levels a key path may have, "HKEY_LOCAL_MACHINE" counted: the registry's own limit.
inline constexpr size_t kMaxKeyDepth = 512;

// Keys by lower-case full path ("hkey_local_machine\software\..."). Naming a key creates
// its ancestors too, and deleting one takes every key below it, as the registry editor
// does when it imports the file; yet only what the lines name is stored, so that memory
// stays in proportion to the file however deep its keys.
class Hive {
public:
    // A hive that keeps every key.
    Hive() = default;
    // A hive that keeps one key, at a lower-case full path, and answers Find for it alone
    // (null for every other path): what a look-up of one key needs, in constant memory.
    static Hive Only(std::string lowerPath);

    bool version5 = true; // "Windows Registry Editor Version 5.00" rather than "REGEDIT4"

    // A key line: creates the key (with no values when it is new or was deleted since it
    // was last named) and makes it the current key.
    void NameKey(std::string lowerPath);
    // A deletion line: the key and every key below it are gone; its parent stays. There is
    // no current key until the next key line.
    void DeleteKey(std::string_view lowerPath);
    // Value lines: set or remove a value of the current key; without one, nothing happens.
    void SetValue(std::string lowerName, HiveValue value);
    void RemoveValue(const std::string& lowerName);

    // The values of the key at a lower-case full path, empty for a key that exists only
    // as an ancestor of named ones; null when there is no such key.
    const HiveValues* Find(std::string_view lowerPath) const;

private:
    struct Named {
        std::unique_ptr<HiveValues> values; // null until the key has a value
    };
    // Only the keys the lines name: an ancestor exists when a key below it does. Sorted,
    // so that the keys below one are together.
    std::map<std::string, Named, std::less<>> named_;
    Named* current_ = nullptr;
    // Set for a hive of one key: its path, whether it exists now, and its values.
    std::optional<std::string> only_;
    bool onlyExists_ = false;
    Named onlyNamed_;
};

} // namespace platform
