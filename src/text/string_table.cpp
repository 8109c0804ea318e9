#include "text/string_table.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "text/builtin_strings.h"
#include "text/executable_dir.h"
#include "text/language_file.h"

namespace corvimap {
namespace {

// The entries of one loaded language file. Built completely before it is published and never
// changed or freed afterwards, so a lookup on any thread can read it without a lock and keep the
// texts it got.
struct LanguageSet {
    std::string name;
    std::filesystem::path path;
    std::vector<LanguageEntry> entries;                  // file order; owns the texts
    std::vector<std::pair<int32_t, const char*>> by_id;  // sorted; first entry of each id

    const char* Find(int32_t id) const {
        auto it =
            std::lower_bound(by_id.begin(), by_id.end(), id,
                             [](const auto& item, int32_t wanted) { return item.first < wanted; });
        return (it != by_id.end() && it->first == id) ? it->second : nullptr;
    }
};

std::unique_ptr<LanguageSet> BuildLanguageSet(std::string name, std::filesystem::path path,
                                              std::vector<LanguageEntry> entries) {
    auto set = std::make_unique<LanguageSet>();
    set->name = std::move(name);
    set->path = std::move(path);
    set->entries = std::move(entries);
    for (const LanguageEntry& entry : set->entries) {
        // Id 0 ends the built-in table and is never found; comment lines that hold a comma read
        // as id 0 too.
        if (entry.id != 0) {
            set->by_id.emplace_back(entry.id, entry.text.c_str());
        }
    }
    // A stable sort keeps file order among equal ids, so the first definition wins.
    std::stable_sort(set->by_id.begin(), set->by_id.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    auto last = std::unique(set->by_id.begin(), set->by_id.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; });
    set->by_id.erase(last, set->by_id.end());
    return set;
}

// Everything behind the current language. It is never destroyed, not even at exit, because
// worker threads may still hold texts then.
struct Registry {
    std::mutex mutex;  // serializes loading and the folder list, never taken by a lookup
    std::vector<std::filesystem::path> folders = StringTable::DefaultLanguageFolders();
    std::vector<std::unique_ptr<const LanguageSet>> kept;

    // The kept set equal to set, or set itself, kept from now on. Loading the same file again
    // and again therefore costs no memory.
    const LanguageSet* Keep(std::unique_ptr<LanguageSet> set) {
        for (const auto& old : kept) {
            if (old->name == set->name && old->path == set->path && old->entries == set->entries) {
                return old.get();
            }
        }
        kept.push_back(std::move(set));
        return kept.back().get();
    }
};

Registry& GetRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

// nullptr: the built-in set.
constinit std::atomic<const LanguageSet*> g_current{nullptr};

}  // namespace

const char* StringTable::Lookup(int32_t id) {
    if (const LanguageSet* set = g_current.load(std::memory_order_acquire)) {
        if (const char* text = set->Find(id)) {
            return text;
        }
    }
    if (const char* text = FindBuiltinString(id)) {
        return text;
    }
    return kStringNotFound;
}

bool StringTable::LoadLanguage(std::string_view name) {
    Registry& registry = GetRegistry();
    std::lock_guard lock(registry.mutex);
    for (const std::filesystem::path& file : ListLanguageFiles(registry.folders)) {
        std::optional<std::string> bytes = ReadLanguageFile(file);
        if (!bytes) {
            continue;
        }
        std::optional<std::string> match = MatchLanguageName(*bytes, name);
        if (!match) {
            continue;
        }
        const LanguageSet* set =
            registry.Keep(BuildLanguageSet(std::move(*match), file, ParseLanguageFile(*bytes)));
        g_current.store(set, std::memory_order_release);
        return true;
    }
    g_current.store(nullptr, std::memory_order_release);
    return true;
}

std::vector<std::string> StringTable::ListLanguages() {
    std::vector<std::string> names{kBuiltinLanguageName};
    for (const std::filesystem::path& file : ListLanguageFiles(LanguageFolders())) {
        if (std::optional<std::string> bytes = ReadLanguageFile(file)) {
            if (std::optional<std::string> name = FindLanguageName(*bytes)) {
                names.push_back(std::move(*name));
            }
        }
    }
    return names;
}

std::string StringTable::CurrentLanguageName() {
    const LanguageSet* set = g_current.load(std::memory_order_acquire);
    return set ? set->name : std::string(kBuiltinLanguageName);
}

void StringTable::UseBuiltIn() {
    Registry& registry = GetRegistry();
    std::lock_guard lock(registry.mutex);
    g_current.store(nullptr, std::memory_order_release);
}

void StringTable::SetLanguageFolders(std::vector<std::filesystem::path> folders) {
    Registry& registry = GetRegistry();
    std::lock_guard lock(registry.mutex);
    registry.folders = std::move(folders);
}

std::vector<std::filesystem::path> StringTable::LanguageFolders() {
    Registry& registry = GetRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.folders;
}

std::vector<std::filesystem::path> StringTable::DefaultLanguageFolders() {
    std::vector<std::filesystem::path> folders;
    std::filesystem::path data_folder = std::filesystem::path(CORVIMAP_DATA_DIR) / "lng";
    if (std::filesystem::path program_folder = ExecutableDir(); !program_folder.empty()) {
        folders.push_back(program_folder.lexically_normal());
    }
    // Installed programs normally live elsewhere; the same folder twice would list its
    // languages twice.
    if (folders.empty() || folders.front() != data_folder.lexically_normal()) {
        folders.push_back(data_folder.lexically_normal());
    }
    return folders;
}

}  // namespace corvimap
