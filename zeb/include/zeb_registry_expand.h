// CZEBRegistryStringExpand: a REG_EXPAND_SZ value. It reads as the string value does and can
// deliver the text with its environment variables expanded. Only a text holding "%" a
// positive, even number of times is written; anything else is refused before writing.
#pragma once

#include "zeb_registry_string.h"

class CZEBRegistryStringExpand : public CZEBRegistryString
{
public:
    CZEBRegistryStringExpand(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName,
                             REGSAM samDesired, bool bCreate, DWORD dwOptions);

    using CZEBRegistryString::enumValues;
    using CZEBRegistryString::getValue;

    // The stored text, expanded with bExpand (false when the expansion changes size between
    // its two steps).
    bool getValue(CZEBWCharString& szValue, bool bUseCache, bool bExpand);
    bool writeRegistry() override;
    // Every REG_EXPAND_SZ value of the key, keyed 0, 1, 2, ...; with bExpand each text is
    // replaced by its expansion where that succeeds (read in this object's registry view).
    bool enumValues(CZEBDblList<CZEBRegistryStringValue>& values, bool bExpand);

private:
    static bool expand(const CZEBWCharString& szText, CZEBWCharString& szExpanded);
};
