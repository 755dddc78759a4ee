// The host registry: an in-memory tree under the predefined roots, optionally loaded
// from and saved back to the .reg file named by ZEB_HOST_REGISTRY.
#include "host_registry.h"
#include "host_system.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>

namespace zebhost
{
namespace reg
{
int compareNoCase(const std::u16string& a, const std::u16string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        WCHAR x = upperUnit(a[i]);
        WCHAR y = upperUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

Key* Key::findSubkey(const std::u16string& n) const
{
    for (const auto& k : subkeys)
        if (equalsNoCase(k->name, n))
            return k.get();
    return nullptr;
}

Key* Key::addSubkey(const std::u16string& n, bool* created)
{
    auto pos = subkeys.begin();
    for (; pos != subkeys.end(); ++pos)
    {
        int c = compareNoCase((*pos)->name, n);
        if (c == 0)
        {
            *created = false;
            return pos->get();
        }
        if (c > 0)
            break;
    }
    auto key = std::make_shared<Key>();
    key->name = n;
    key->root = root;
    key->parent = this;
    *created = true;
    return subkeys.insert(pos, key)->get();
}

const Value* Key::findValue(const std::u16string& n) const
{
    for (const auto& v : values)
        if (equalsNoCase(v.name, n))
            return &v;
    return nullptr;
}

void Key::setValue(const std::u16string& n, DWORD type, std::vector<BYTE> data)
{
    auto pos = values.begin();
    for (; pos != values.end(); ++pos)
    {
        int c = compareNoCase(pos->name, n);
        if (c == 0)
        {
            pos->type = type;
            pos->data = std::move(data);
            return;
        }
        if (c > 0)
            break;
    }
    values.insert(pos, Value{n, type, std::move(data)});
}

bool Key::removeValue(const std::u16string& n)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        if (equalsNoCase(it->name, n))
        {
            values.erase(it);
            return true;
        }
    return false;
}

bool Key::removeSubkey(const std::u16string& n)
{
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it)
        if (equalsNoCase((*it)->name, n))
        {
            markDeleted(**it);
            subkeys.erase(it);
            return true;
        }
    return false;
}

void markDeleted(Key& key)
{
    key.deleted = true;
    key.parent = nullptr;
    for (auto& k : key.subkeys)
        markDeleted(*k);
}

std::vector<std::u16string> splitKeyPath(const std::u16string& path)
{
    std::vector<std::u16string> parts;
    std::u16string cur;
    for (char16_t c : path)
    {
        if (c == u'\\')
        {
            if (!cur.empty())
                parts.push_back(cur);
            cur.clear();
        }
        else
        {
            cur.push_back(c);
        }
    }
    if (!cur.empty())
        parts.push_back(cur);
    return parts;
}

namespace
{
const uintptr_t kRootValues[kRootCount] = {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u,
                                           0x80000005u};
const char16_t* const kRootNames[kRootCount] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER",
                                                u"HKEY_LOCAL_MACHINE", u"HKEY_USERS",
                                                u"HKEY_CURRENT_CONFIG"};
} // namespace

Tree::Tree()
{
    for (int i = 0; i < kRootCount; ++i)
    {
        roots[i] = std::make_shared<Key>();
        roots[i]->name = kRootNames[i];
        roots[i]->root = i;
    }
}

int rootIndex(HKEY key)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(key);
    // Windows code sign-extends the predefined values to pointer width.
    if (sizeof(uintptr_t) > 4 && (v >> 32) == 0xffffffffu)
        v &= 0xffffffffu;
    for (int i = 0; i < kRootCount; ++i)
        if (v == kRootValues[i])
            return i;
    return -1;
}

HKEY rootHandle(int index)
{
    return reinterpret_cast<HKEY>(kRootValues[index]);
}

const char16_t* rootName(int index)
{
    return kRootNames[index];
}
} // namespace reg

namespace
{
using reg::Key;
using reg::Tree;

const int kHklm = 2;
const char16_t kSoftware[] = u"Software";
const char16_t kWowNode[] = u"Wow6432Node";

// Generic rights and their meaning for keys.
const REGSAM kGenericRead = 0x80000000u;
const REGSAM kGenericWrite = 0x40000000u;
const REGSAM kGenericExecute = 0x20000000u;
const REGSAM kGenericAll = 0x10000000u;
const REGSAM kMaximumAllowed = 0x02000000u;

struct OpenKey
{
    std::shared_ptr<Key> key;
    REGSAM access;
};

struct DeniedKey
{
    int root;
    std::vector<std::u16string> path;
};

struct State
{
    std::recursive_mutex lock;
    Tree tree;
    std::map<uintptr_t, OpenKey> handles;
    uintptr_t nextHandle = 0x1000;
    std::vector<DeniedKey> denied;
    bool initialized = false;
    std::string file; // ZEB_HOST_REGISTRY
    bool saveAtExit = false;
    bool fileUtf16 = true; // the encoding the file had, kept when it is written back
};

State& rawState()
{
    static State s;
    return s;
}

bool readFile(const std::string& path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes through a temporary file and a rename, so a failed write never leaves
// a truncated registry file behind.
bool writeFile(const std::string& path, const std::string& bytes, std::string* error)
{
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
        {
            if (error)
                *error = path + ": cannot write " + tmp;
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
        {
            if (error)
                *error = path + ": write error on " + tmp;
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0)
    {
        if (error)
            *error = path + ": cannot replace the file";
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

// Replaces the whole tree; handles into the old one answer ERROR_KEY_DELETED.
void replaceTree(State& s, Tree&& tree)
{
    for (auto& root : s.tree.roots)
        for (auto& k : root->subkeys)
            reg::markDeleted(*k);
    for (int i = 0; i < reg::kRootCount; ++i)
    {
        s.tree.roots[i]->subkeys = std::move(tree.roots[i]->subkeys);
        s.tree.roots[i]->values = std::move(tree.roots[i]->values);
        for (auto& k : s.tree.roots[i]->subkeys)
            k->parent = s.tree.roots[i].get();
    }
}

bool loadInto(State& s, const std::string& path, std::string* error, bool* utf16)
{
    std::string bytes;
    Tree loaded;
    std::string message;
    bool ok = false;
    if (!readFile(path, &bytes))
        message = path + ": cannot read the file";
    else if (reg::parseRegText(bytes, loaded, &message, utf16))
        ok = true;
    else
        message = path + ":" + message;
    // Never a half-loaded tree: on failure the registry is left empty.
    replaceTree(s, ok ? std::move(loaded) : Tree());
    if (!ok && error)
        *error = message;
    return ok;
}

void saveAtExit()
{
    State& s = rawState();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    if (!s.saveAtExit)
        return;
    std::string error;
    if (!writeFile(s.file, reg::formatRegText(s.tree, s.fileUtf16), &error))
        std::fprintf(stderr, "host registry: %s\n", error.c_str());
}

// The state, loaded from ZEB_HOST_REGISTRY on first use.
State& state()
{
    State& s = rawState();
    if (s.initialized)
        return s;
    s.initialized = true;
    s.file = environment("ZEB_HOST_REGISTRY");
    if (s.file.empty())
        return s;
    std::ifstream probe(s.file, std::ios::binary);
    if (!probe)
    {
        // No file yet: start empty, like a fresh prefix, and create it at exit.
        s.saveAtExit = true;
    }
    else
    {
        probe.close();
        std::string error;
        if (loadInto(s, s.file, &error, &s.fileUtf16))
            s.saveAtExit = true;
        else
            std::fprintf(stderr,
                         "host registry: %s\nhost registry: starting with an empty registry; "
                         "the file will not be written back\n",
                         error.c_str());
    }
    if (s.saveAtExit)
        std::atexit(saveAtExit);
    return s;
}

REGSAM mapAccess(REGSAM sam)
{
    REGSAM r = sam & 0x00ffffffu & ~static_cast<REGSAM>(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (sam & (kGenericRead | kGenericExecute))
        r |= KEY_READ;
    if (sam & kGenericWrite)
        r |= KEY_WRITE;
    if (sam & (kGenericAll | kMaximumAllowed))
        r |= KEY_ALL_ACCESS;
    return r;
}

// Result of resolving a handle: a predefined root or an open key.
struct Target
{
    Key* key = nullptr;
    std::shared_ptr<Key> hold;
    REGSAM access = 0;
    bool predefined = false;
};

LSTATUS lookup(State& s, HKEY hKey, Target* t)
{
    int root = reg::rootIndex(hKey);
    if (root >= 0)
    {
        t->key = s.tree.roots[root].get();
        t->access = KEY_ALL_ACCESS;
        t->predefined = true;
        return ERROR_SUCCESS;
    }
    auto it = s.handles.find(reinterpret_cast<uintptr_t>(hKey));
    if (it == s.handles.end())
        return ERROR_INVALID_HANDLE;
    t->hold = it->second.key;
    t->key = t->hold.get();
    t->access = it->second.access;
    return ERROR_SUCCESS;
}

HKEY newHandle(State& s, Key* key, REGSAM access)
{
    std::shared_ptr<Key> hold;
    if (key->parent)
    {
        for (auto& k : key->parent->subkeys)
            if (k.get() == key)
                hold = k;
    }
    else
    {
        hold = s.tree.roots[key->root];
    }
    uintptr_t value = s.nextHandle;
    s.nextHandle += 4;
    s.handles[value] = OpenKey{hold, access};
    return reinterpret_cast<HKEY>(value);
}

std::vector<std::u16string> pathOf(const Key* key)
{
    std::vector<std::u16string> path;
    for (const Key* k = key; k && k->parent; k = k->parent)
        path.push_back(k->name);
    std::reverse(path.begin(), path.end());
    return path;
}

std::u16string nameOf(LPCWSTR name)
{
    return name ? std::u16string(name, wideLength(name)) : std::u16string();
}

// Splits a sub-key path; a leading backslash is not a valid sub-key path.
LSTATUS splitPath(LPCWSTR subKey, std::vector<std::u16string>* parts)
{
    if (subKey && subKey[0] == u'\\')
        return ERROR_BAD_PATHNAME;
    *parts = reg::splitKeyPath(nameOf(subKey));
    return ERROR_SUCCESS;
}

// Appends the components to the path of the start key, applying the 32-bit view:
// HKLM\Software seen through KEY_WOW64_32KEY is HKLM\Software\Wow6432Node.
std::vector<std::u16string> targetPath(int root, std::vector<std::u16string> path,
                                       const std::vector<std::u16string>& parts, bool wow32)
{
    auto redirectHere = [&]()
    { return wow32 && root == kHklm && path.size() == 1 && equalsNoCase(path[0], kSoftware); };
    bool redirected = false;
    if (redirectHere())
    {
        path.push_back(kWowNode);
        redirected = true;
    }
    for (const auto& part : parts)
    {
        if (redirected && equalsNoCase(part, kWowNode))
        {
            redirected = false;
            continue;
        }
        redirected = false;
        path.push_back(part);
        if (redirectHere())
        {
            path.push_back(kWowNode);
            redirected = true;
        }
    }
    return path;
}

// True when `path` is `prefix` or lies below it, compared case-insensitively.
bool startsWith(const std::vector<std::u16string>& path, const std::vector<std::u16string>& prefix)
{
    if (prefix.size() > path.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!equalsNoCase(prefix[i], path[i]))
            return false;
    return true;
}

bool isDenied(const State& s, int root, const std::vector<std::u16string>& path)
{
    for (const auto& d : s.denied)
        if (d.root == root && startsWith(path, d.path))
            return true;
    return false;
}

Key* walk(State& s, int root, const std::vector<std::u16string>& path)
{
    Key* k = s.tree.roots[root].get();
    for (const auto& name : path)
    {
        k = k->findSubkey(name);
        if (!k)
            return nullptr;
    }
    return k;
}

// Where (hKey, lpSubKey) leads in the tree: a root and the names below it.
struct KeyPath
{
    int root = 0;
    std::vector<std::u16string> path;
    bool predefined = false; // hKey is a predefined root
    bool noSubKey = false;   // lpSubKey is null or empty
};

// Resolves a handle and a sub-key path under a view (wow32: KEY_WOW64_32KEY) to a root and
// a path. Fails with the handle's error, ERROR_BAD_PATHNAME or ERROR_KEY_DELETED, in that
// order.
LSTATUS resolvePath(State& s, HKEY hKey, LPCWSTR subKey, bool wow32, KeyPath* out)
{
    Target t;
    LSTATUS rc = lookup(s, hKey, &t);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<std::u16string> parts;
    rc = splitPath(subKey, &parts);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (t.key->deleted)
        return ERROR_KEY_DELETED;
    out->root = t.key->root;
    out->path = targetPath(t.key->root, pathOf(t.key), parts, wow32);
    out->predefined = t.predefined;
    out->noSubKey = parts.empty();
    return ERROR_SUCCESS;
}

// The parameter check of a call: ERROR_SUCCESS, or `error` when `bad`.
LSTATUS invalidIf(bool bad, LSTATUS error = ERROR_INVALID_PARAMETER)
{
    return bad ? error : ERROR_SUCCESS;
}

// Runs one Reg* call: a due injected failure ends it first, then a failed parameter check
// (`paramError`); otherwise `body(state)` runs with the registry locked.
template <typename Body> LSTATUS apiCall(const char* function, LSTATUS paramError, Body&& body)
{
    DWORD injected;
    if (injectedFailure(function, &injected))
        return static_cast<LSTATUS>(injected);
    if (paramError != ERROR_SUCCESS)
        return paramError;
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    return body(s);
}

// A Reg* call on the key an open handle names: after apiCall's checks the handle must be
// valid, opened with the `needed` rights (0: any) and its key still in the tree; then
// `body(key)` runs with the registry locked.
template <typename Body>
LSTATUS keyCall(const char* function, LSTATUS paramError, HKEY hKey, REGSAM needed, Body&& body)
{
    return apiCall(function, paramError,
                   [&](State& s) -> LSTATUS
                   {
                       Target t;
                       LSTATUS rc = lookup(s, hKey, &t);
                       if (rc != ERROR_SUCCESS)
                           return rc;
                       if ((t.access & needed) != needed)
                           return ERROR_ACCESS_DENIED;
                       if (t.key->deleted)
                           return ERROR_KEY_DELETED;
                       return body(*t.key);
                   });
}

// Whether a call with this access mask sees the 32-bit view. Only a 64-bit system has two
// views. A flag naming the other view than the process's own switches to it, and wins when
// both flags are given (as Wine decides for 64-bit and WoW64 processes alike); otherwise the
// process's own view applies.
bool wow32View(REGSAM sam)
{
    if (!systemIs64Bit())
        return false;
    if (processIs32Bit())
        return !(sam & KEY_WOW64_64KEY);
    return (sam & KEY_WOW64_32KEY) != 0;
}

// A Reg* call on a sub-key path: after apiCall's checks `result` (when given) is cleared,
// (hKey, subKey) is resolved under the view `sam` asks for, and `body(state, path)` runs with
// the registry locked.
template <typename Body>
LSTATUS pathCall(const char* function, LSTATUS paramError, HKEY hKey, LPCWSTR subKey, REGSAM sam,
                 PHKEY result, Body&& body)
{
    return apiCall(function, paramError,
                   [&](State& s) -> LSTATUS
                   {
                       if (result)
                           *result = nullptr;
                       KeyPath p;
                       LSTATUS rc = resolvePath(s, hKey, subKey, wow32View(sam), &p);
                       if (rc != ERROR_SUCCESS)
                           return rc;
                       return body(s, p);
                   });
}

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

uint16_t unitAt(const BYTE* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Copies a name with its terminator when *cch leaves room for it.
bool copyName(const std::u16string& name, LPWSTR out, LPDWORD cch)
{
    if (*cch <= name.size())
        return false;
    std::copy(name.begin(), name.end(), out);
    out[name.size()] = 0;
    *cch = static_cast<DWORD>(name.size());
    return true;
}

// Copies value data to `data` (may be null) of *cb bytes and reports the size in *cb (cb may
// be null when data is). Too small: only the needed size is reported; the buffer is left
// alone. With `terminate`, text stored without its terminator gets one when the buffer has
// room for it; the terminator is not counted in the size.
LSTATUS copyData(const reg::Value& v, LPBYTE data, LPDWORD cb, bool terminate)
{
    DWORD size = static_cast<DWORD>(v.data.size());
    if (data)
    {
        if (*cb < size)
        {
            *cb = size;
            return ERROR_MORE_DATA;
        }
        if (size)
            std::memcpy(data, v.data.data(), size);
        if (terminate && isStringType(v.type) && size >= 2 && *cb >= size + 2 &&
            unitAt(v.data.data() + size - 2) != 0)
        {
            data[size] = 0;
            data[size + 1] = 0;
        }
    }
    if (cb)
        *cb = size;
    return ERROR_SUCCESS;
}

// Keys have no class here: an empty one is reported.
void reportNoClass(LPWSTR cls, LPDWORD cch)
{
    if (cls && cch && *cch > 0)
        cls[0] = 0;
    if (cch)
        *cch = 0;
}
} // namespace

void resetRegistry()
{
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    replaceTree(s, Tree());
}

void denyKeyAccess(HKEY root, LPCWSTR subKey, bool deny)
{
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    int index = reg::rootIndex(root);
    std::vector<std::u16string> parts;
    if (index < 0 || splitPath(subKey, &parts) != ERROR_SUCCESS)
        return;
    auto same = [&](const DeniedKey& d)
    { return d.root == index && d.path.size() == parts.size() && startsWith(parts, d.path); };
    s.denied.erase(std::remove_if(s.denied.begin(), s.denied.end(), same), s.denied.end());
    if (deny)
        s.denied.push_back(DeniedKey{index, parts});
}

bool loadRegistryFile(const std::string& path, std::string* error)
{
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    bool utf16 = false;
    return loadInto(s, path, error, &utf16);
}

bool saveRegistryFile(const std::string& path, std::string* error)
{
    State& s = state();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    return writeFile(path, reg::formatRegText(s.tree, true), error);
}
} // namespace zebhost

using namespace zebhost;

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                             PHKEY phkResult)
{
    (void)ulOptions;
    return pathCall("RegOpenKeyExW", invalidIf(!phkResult), hKey, lpSubKey, samDesired, phkResult,
                    [&](State& s, const KeyPath& p) -> LSTATUS
                    {
                        // An empty sub-key of a predefined root is the root itself.
                        if (p.predefined && p.noSubKey)
                        {
                            *phkResult = hKey;
                            return ERROR_SUCCESS;
                        }
                        Key* key = walk(s, p.root, p.path);
                        if (!key)
                            return ERROR_FILE_NOT_FOUND;
                        if (isDenied(s, p.root, p.path))
                            return ERROR_ACCESS_DENIED;
                        *phkResult = newHandle(s, key, mapAccess(samDesired));
                        return ERROR_SUCCESS;
                    });
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                               DWORD dwOptions, REGSAM samDesired,
                               const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                               LPDWORD lpdwDisposition)
{
    (void)lpClass;
    (void)dwOptions;
    (void)lpSecurityAttributes;
    return pathCall("RegCreateKeyExW", invalidIf(Reserved != 0 || !phkResult), hKey, lpSubKey,
                    samDesired, phkResult,
                    [&](State& s, const KeyPath& p) -> LSTATUS
                    {
                        if (isDenied(s, p.root, p.path))
                            return ERROR_ACCESS_DENIED;
                        Key* key = s.tree.roots[p.root].get();
                        bool created = false;
                        for (const auto& name : p.path)
                            key = key->addSubkey(name, &created);
                        // Wine reports an empty sub-key as newly created.
                        if (p.noSubKey)
                            created = true;
                        *phkResult = newHandle(s, key, mapAccess(samDesired));
                        if (lpdwDisposition)
                            *lpdwDisposition =
                                created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
                        return ERROR_SUCCESS;
                    });
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData)
{
    return keyCall("RegQueryValueExW", invalidIf((lpData && !lpcbData) || lpReserved), hKey,
                   KEY_QUERY_VALUE,
                   [&](Key& key) -> LSTATUS
                   {
                       const reg::Value* v = key.findValue(nameOf(lpValueName));
                       if (!v)
                           return ERROR_FILE_NOT_FOUND;
                       if (lpType)
                           *lpType = v->type;
                       return copyData(*v, lpData, lpcbData, true);
                   });
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                              const BYTE* lpData, DWORD cbData)
{
    (void)Reserved;
    return keyCall(
        "RegSetValueExW", invalidIf(!lpData && cbData, ERROR_NOACCESS), hKey, KEY_SET_VALUE,
        [&](Key& key) -> LSTATUS
        {
            DWORD size = cbData;
            // Text whose size leaves out the terminator that follows it in memory
            // is stored with the terminator, as Windows does.
            if (isStringType(dwType) && size >= 2)
            {
                const BYTE* last = lpData + (size / 2 - 1) * 2;
                if (unitAt(last) != 0 && unitAt(last + 2) == 0)
                    size += 2;
            }
            key.setValue(nameOf(lpValueName), dwType, std::vector<BYTE>(lpData, lpData + size));
            return ERROR_SUCCESS;
        });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey)
{
    return apiCall("RegCloseKey", ERROR_SUCCESS,
                   [&](State& s) -> LSTATUS
                   {
                       if (reg::rootIndex(hKey) >= 0)
                           return ERROR_SUCCESS;
                       return s.handles.erase(reinterpret_cast<uintptr_t>(hKey))
                                  ? ERROR_SUCCESS
                                  : ERROR_INVALID_HANDLE;
                   });
}

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    // Deleting takes no view of its own: the process's view applies.
    return pathCall("RegDeleteKeyW", invalidIf(!lpSubKey), hKey, lpSubKey, 0, nullptr,
                    [&](State& s, const KeyPath& p) -> LSTATUS
                    {
                        // A predefined root cannot be deleted.
                        if (p.path.empty())
                            return ERROR_ACCESS_DENIED;
                        Key* key = walk(s, p.root, p.path);
                        if (!key)
                            return ERROR_FILE_NOT_FOUND;
                        if (isDenied(s, p.root, p.path) || !key->subkeys.empty())
                            return ERROR_ACCESS_DENIED;
                        key->parent->removeSubkey(key->name);
                        return ERROR_SUCCESS;
                    });
}

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    return keyCall("RegDeleteValueW", ERROR_SUCCESS, hKey, KEY_SET_VALUE,
                   [&](Key& key) -> LSTATUS {
                       return key.removeValue(nameOf(lpValueName)) ? ERROR_SUCCESS
                                                                   : ERROR_FILE_NOT_FOUND;
                   });
}

LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                             LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                             PFILETIME lpftLastWriteTime)
{
    (void)lpftLastWriteTime;
    return keyCall("RegEnumKeyExW", invalidIf(!lpName || !lpcchName || lpReserved), hKey,
                   KEY_ENUMERATE_SUB_KEYS,
                   [&](Key& key) -> LSTATUS
                   {
                       if (dwIndex >= key.subkeys.size())
                           return ERROR_NO_MORE_ITEMS;
                       if (!copyName(key.subkeys[dwIndex]->name, lpName, lpcchName))
                           return ERROR_MORE_DATA;
                       reportNoClass(lpClass, lpcchClass);
                       return ERROR_SUCCESS;
                   });
}

LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return keyCall(
        "RegEnumValueW",
        invalidIf(!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)), hKey,
        KEY_QUERY_VALUE,
        [&](Key& key) -> LSTATUS
        {
            if (dwIndex >= key.values.size())
                return ERROR_NO_MORE_ITEMS;
            const reg::Value& v = key.values[dwIndex];
            if (lpType)
                *lpType = v.type;
            // A short name buffer: type and size are reported, the name is not.
            if (!copyName(v.name, lpValueName, lpcchValueName))
            {
                if (lpcbData)
                    *lpcbData = static_cast<DWORD>(v.data.size());
                return ERROR_MORE_DATA;
            }
            return copyData(v, lpData, lpcbData, false);
        });
}

LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime)
{
    (void)lpftLastWriteTime;
    return keyCall("RegQueryInfoKeyW", invalidIf(lpReserved != nullptr), hKey, 0,
                   [&](Key& key) -> LSTATUS
                   {
                       DWORD maxSub = 0;
                       for (const auto& k : key.subkeys)
                           maxSub = std::max(maxSub, static_cast<DWORD>(k->name.size()));
                       DWORD maxName = 0;
                       DWORD maxData = 0;
                       for (const auto& v : key.values)
                       {
                           maxName = std::max(maxName, static_cast<DWORD>(v.name.size()));
                           maxData = std::max(maxData, static_cast<DWORD>(v.data.size()));
                       }
                       reportNoClass(lpClass, lpcchClass);
                       // Optional outputs, each written when given.
                       const std::pair<LPDWORD, DWORD> outputs[] = {
                           {lpcSubKeys, static_cast<DWORD>(key.subkeys.size())},
                           {lpcbMaxSubKeyLen, maxSub},
                           {lpcbMaxClassLen, 0},
                           {lpcValues, static_cast<DWORD>(key.values.size())},
                           {lpcbMaxValueNameLen, maxName},
                           {lpcbMaxValueLen, maxData},
                           {lpcbSecurityDescriptor, 0}};
                       for (const auto& o : outputs)
                           if (o.first)
                               *o.first = o.second;
                       return ERROR_SUCCESS;
                   });
}

LSTATUS WINAPI RegQueryMultipleValuesW(HKEY hKey, PVALENTW val_list, DWORD num_vals,
                                       LPWSTR lpValueBuf, LPDWORD ldwTotsize)
{
    // The total starts at 0 before anything is checked, as a failing call reports it.
    const DWORD cbBuffer = ldwTotsize ? *ldwTotsize : 0;
    if (ldwTotsize)
        *ldwTotsize = 0;
    return keyCall("RegQueryMultipleValuesW", invalidIf(!ldwTotsize || (num_vals && !val_list)),
                   hKey, KEY_QUERY_VALUE,
                   [&](Key& key) -> LSTATUS
                   {
                       BYTE* pBuffer = reinterpret_cast<BYTE*>(lpValueBuf);
                       // Sizes add up over every entry; an entry's data is copied while the total
                       // so far still fits the buffer, so the call fills a prefix of the entries.
                       DWORD total = 0;
                       for (DWORD i = 0; i < num_vals; ++i)
                       {
                           VALENTW& entry = val_list[i];
                           entry.ve_valuelen = 0;
                           const reg::Value* v = key.findValue(nameOf(entry.ve_valuename));
                           if (!v)
                               return ERROR_FILE_NOT_FOUND;
                           const DWORD size = static_cast<DWORD>(v->data.size());
                           entry.ve_valuelen = size;
                           if (pBuffer && static_cast<uint64_t>(total) + size <= cbBuffer)
                           {
                               if (size)
                                   std::memcpy(pBuffer + total, v->data.data(), size);
                               entry.ve_valueptr = reinterpret_cast<DWORD_PTR>(pBuffer + total);
                               entry.ve_type = v->type;
                           }
                           total += size;
                           *ldwTotsize = total;
                       }
                       return pBuffer && total <= cbBuffer ? ERROR_SUCCESS : ERROR_MORE_DATA;
                   });
}
