#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// User-interface texts by numeric id: the built-in English set, or the entries of one language
// file with the built-in set behind them. Lookups may come from any thread and take no lock;
// loading and the folder list belong to the window's thread (they are serialized all the same).
class StringTable {
public:
    StringTable() = delete;

    // The text of id in the current language, else the built-in text, else "!!!Str not found"
    // (always for id 0). The text stays valid until the program ends.
    static const char* Lookup(int32_t id);

    // Makes current the first language file, in folder order, that carries name on an id -1 line
    // (letter case aside); the built-in set when none does. Always true.
    static bool LoadLanguage(std::string_view name);

    // "English", then the name of each language file in folder and directory order.
    static std::vector<std::string> ListLanguages();

    // The name the current language was loaded under ("English" for the built-in set).
    static std::string CurrentLanguageName();

    // Makes the built-in set current.
    static void UseBuiltIn();

    // Folders searched for "*.lng" files, in order. By default the program's own folder, then
    // the installed data folder.
    static void SetLanguageFolders(std::vector<std::filesystem::path> folders);
    static std::vector<std::filesystem::path> LanguageFolders();
    static std::vector<std::filesystem::path> DefaultLanguageFolders();
};

}  // namespace corvimap
