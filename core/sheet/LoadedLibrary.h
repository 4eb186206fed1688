#pragma once

#include <optional>

// A system library opened the first time a function of it is needed, not when the program starts:
// libraries that only some commands need (the zip of a workbook, the Excel report's writer) pull
// in others as heavy as the cryptography library, and every start would pay for loading them.
//
//     static const LoadedLibrary library("libzip.so.4");
//     auto *open = library.function<decltype(&zip_open)>("zip_open");   // nullptr when missing
class LoadedLibrary
{
public:
    // The library of that file name (its soname), opened now; isLoaded() says whether it was. It
    // stays open until the program ends: what it left to be done at the end lives in it.
    explicit LoadedLibrary(const char *fileName);
    LoadedLibrary(const LoadedLibrary &) = delete;
    LoadedLibrary &operator=(const LoadedLibrary &) = delete;

    [[nodiscard]] bool isLoaded() const
    {
        return m_handle != nullptr;
    }
    // The library's function of that name; nullptr when it has none, or was not loaded.
    template<typename Function>
    [[nodiscard]] Function function(const char *name) const
    {
        return reinterpret_cast<Function>(symbol(name));
    }

private:
    [[nodiscard]] void *symbol(const char *name) const;

    void *m_handle = nullptr;
};

// The functions a program needs of one library, as members named as the functions are; the
// library opened and the functions found on the first call, and nothing when the library or any
// of them is missing:
//
//     #define ZIP_FUNCTIONS(X) X(zip_open) X(zip_fread)
//     struct ZipFunctions { ZIP_FUNCTIONS(ROWLARK_FUNCTION_MEMBER) };
//     const ZipFunctions *zip
//         = loadedFunctions<ZipFunctions>("libzip.so.4", ROWLARK_FIND_FUNCTIONS(ZIP_FUNCTIONS));
template<typename Functions>
[[nodiscard]] const Functions *loadedFunctions(const char *fileName, bool (*find)(const LoadedLibrary &, Functions &))
{
    static const std::optional<Functions> functions = [&]() -> std::optional<Functions> {
        static const LoadedLibrary library(fileName);
        Functions found;
        if (!library.isLoaded() || !find(library, found))
            return std::nullopt;
        return found;
    }();
    return functions ? &*functions : nullptr;
}
#define ROWLARK_FUNCTION_MEMBER(name) decltype(&::name) name = nullptr;
#define ROWLARK_FIND_FUNCTION(name)                                                                                    \
    functions.name = library.function<decltype(&::name)>(#name);                                                       \
    found = found && functions.name != nullptr;
// Finds every function of such a list into the members of the same names; true when all are there.
#define ROWLARK_FIND_FUNCTIONS(LIST)                                                                                   \
    [](const LoadedLibrary &library, auto &functions) {                                                                \
        bool found = true;                                                                                             \
        LIST(ROWLARK_FIND_FUNCTION)                                                                                    \
        return found;                                                                                                  \
    }
