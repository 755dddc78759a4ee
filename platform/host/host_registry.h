// Private to the host registry: the in-memory tree shared by the API functions
// (host_registry.cpp) and the .reg text reader and writer (host_regfile.cpp).
#pragma once

#include "win32_host.h"
#include <memory>
#include <string>
#include <vector>

namespace zebhost
{
namespace reg
{
struct Value
{
    std::u16string name; // empty: the default value
    DWORD type;
    std::vector<BYTE> data;
};

struct Key
{
    std::u16string name;
    int root = 0;          // index into the predefined roots
    Key* parent = nullptr; // null for a root and for a key cut out of the tree
    bool deleted = false;  // set when the key leaves the tree; open handles then fail
    std::vector<std::shared_ptr<Key>> subkeys; // sorted by name, case-insensitively
    std::vector<Value> values;                 // sorted by name, case-insensitively

    Key* findSubkey(const std::u16string& n) const;
    // Returns the existing subkey of that name or a new one.
    Key* addSubkey(const std::u16string& n, bool* created);
    const Value* findValue(const std::u16string& n) const;
    // Stores a value; an existing value of that name keeps its spelling.
    void setValue(const std::u16string& n, DWORD type, std::vector<BYTE> data);
    bool removeValue(const std::u16string& n);
    // Unlinks a subkey and marks it and everything below it deleted.
    bool removeSubkey(const std::u16string& n);
};

constexpr int kRootCount = 5;

// A whole registry: one key per predefined root.
struct Tree
{
    std::shared_ptr<Key> roots[kRootCount];
    Tree();
};

// Index of a predefined root handle, or -1.
int rootIndex(HKEY key);
HKEY rootHandle(int index);
// "HKEY_LOCAL_MACHINE" and so on.
const char16_t* rootName(int index);

// Case-insensitive ordering of names, as the registry sorts them.
int compareNoCase(const std::u16string& a, const std::u16string& b);

// Marks a key and everything below it deleted.
void markDeleted(Key& key);

// Splits a key path at backslashes; empty components are skipped, as Win32 does.
std::vector<std::u16string> splitKeyPath(const std::u16string& path);

// Reads .reg text (raw file bytes: UTF-8 with or without BOM, or UTF-16LE with BOM)
// into `out`, which must be empty. On failure returns false with "line N: message".
bool parseRegText(const std::string& bytes, Tree& out, std::string* error, bool* utf16);
// Writes the tree as .reg text, UTF-16LE with BOM and CRLF line ends, or UTF-8 with LF.
std::string formatRegText(const Tree& tree, bool utf16);
} // namespace reg
} // namespace zebhost
