// Keys and values of a hive: naming and deleting keys in file order, and finding them
// afterwards, with no ancestor ever spelt out.
#include "platform/Hive.h"

namespace platform {
namespace {

// Whether `path` is a key below `ancestor`.
bool IsBelow(std::string_view path, std::string_view ancestor) {
    return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
           path.starts_with(ancestor);
}

} // namespace

Hive Hive::Only(std::string lowerPath) {
    Hive hive;
    hive.only_ = std::move(lowerPath);
    return hive;
}

void Hive::NameKey(std::string lowerPath) {
    if (only_) {
        // The kept key exists once it or a key below it is named; only its own values count.
        const bool itself = lowerPath == *only_;
        if (itself || IsBelow(lowerPath, *only_)) {
            onlyExists_ = true;
        }
        current_ = itself ? &onlyNamed_ : nullptr;
        return;
    }
    current_ = &named_.try_emplace(std::move(lowerPath)).first->second;
}

void Hive::DeleteKey(std::string_view lowerPath) {
    current_ = nullptr;
    if (only_) {
        // Deleting a key below the kept one leaves it (its parent at least stays).
        if (lowerPath == *only_ || IsBelow(*only_, lowerPath)) {
            onlyExists_ = false;
            onlyNamed_.values.reset();
        }
        return;
    }
    const size_t sep = lowerPath.rfind('\\');
    const std::string_view parent = lowerPath.substr(0, sep == std::string_view::npos ? 0 : sep);
    const bool parentExisted = !parent.empty() && Find(parent) != nullptr;
    if (const auto it = named_.find(lowerPath); it != named_.end()) {
        named_.erase(it);
    }
    // The keys below follow one another from the prefix on; "a!b", which sorts between
    // "a" and "a\b", is not one of them.
    const std::string prefix = std::string(lowerPath) + '\\';
    auto below = named_.lower_bound(prefix);
    while (below != named_.end() && below->first.starts_with(prefix)) {
        below = named_.erase(below);
    }
    // A parent that only the keys just deleted implied stays, as the registry keeps it.
    if (parentExisted && Find(parent) == nullptr) {
        named_.try_emplace(std::string(parent));
    }
}

void Hive::SetValue(std::string lowerName, HiveValue value) {
    if (current_ == nullptr) {
        return;
    }
    if (!current_->values) {
        current_->values = std::make_unique<HiveValues>();
    }
    current_->values->insert_or_assign(std::move(lowerName), std::move(value));
}

void Hive::RemoveValue(const std::string& lowerName) {
    if (current_ != nullptr && current_->values) {
        current_->values->erase(lowerName);
    }
}

const HiveValues* Hive::Find(std::string_view lowerPath) const {
    static const HiveValues kNoValues;
    if (lowerPath.empty()) {
        return nullptr;
    }
    if (only_) {
        if (lowerPath != *only_ || !onlyExists_) {
            return nullptr;
        }
        return onlyNamed_.values ? onlyNamed_.values.get() : &kNoValues;
    }
    if (const auto it = named_.find(lowerPath); it != named_.end()) {
        return it->second.values ? it->second.values.get() : &kNoValues;
    }
    std::string prefix(lowerPath);
    prefix += '\\';
    const auto below = named_.lower_bound(prefix);
    return below != named_.end() && below->first.starts_with(prefix) ? &kNoValues : nullptr;
}

} // namespace platform
