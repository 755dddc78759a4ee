#include "zeb_product_registryinfo.h"

#include "zeb_method_trace.h"

#define ZEB_REGISTRYINFO_SOURCE ZEB_W(".\\zeb_product_registryinfo.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBProductRegistryInfo");
}

CZEBProductRegistryInfo::CZEBProductRegistryInfo(const CZEBWCharString& szKeyPath,
                                                 const CZEBWCharString& szVersionValueName,
                                                 const CZEBWCharString& szInstallPathValueName)
    : m_szKeyPath(szKeyPath), m_szVersionValueName(szVersionValueName),
      m_szInstallPathValueName(szInstallPathValueName)
{
    ZebTrace trace(s_szClass, ZEB_W("Constructor"), ZEB_REGISTRYINFO_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBProductRegistryInfo::CZEBProductRegistryInfo(const CZEBProductRegistryInfo& other)
    : m_szKeyPath(other.m_szKeyPath), m_szVersionValueName(other.m_szVersionValueName),
      m_szInstallPathValueName(other.m_szInstallPathValueName)
{
    ZebTrace trace(s_szClass, ZEB_W("Constructor"), ZEB_REGISTRYINFO_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBProductRegistryInfo::~CZEBProductRegistryInfo() {}

CZEBProductRegistryInfo& CZEBProductRegistryInfo::operator=(const CZEBProductRegistryInfo& other)
{
    ZebTrace trace(s_szClass, ZEB_W("operator="), ZEB_REGISTRYINFO_SOURCE, __LINE__);
    zebGuardedVoid(zesLastError, ZEB_REGISTRYINFO_SOURCE, __LINE__,
                   [&]
                   {
                       m_szKeyPath = other.m_szKeyPath;
                       m_szVersionValueName = other.m_szVersionValueName;
                       m_szInstallPathValueName = other.m_szInstallPathValueName;
                   });
    trace.passFail(true);
    return *this;
}

CZEBProductRegistryInfo& CZEBProductRegistryInfo::operator=(const CZEBProductRegistryInfo* pOther)
{
    ZebTrace trace(s_szClass, ZEB_W("operator="), ZEB_REGISTRYINFO_SOURCE, __LINE__);
    if (pOther)
        *this = *pOther;
    trace.passFail(true);
    return *this;
}

bool CZEBProductRegistryInfo::operator==(const CZEBProductRegistryInfo& other) const
{
    ZebTrace trace(s_szClass, ZEB_W("operator=="), ZEB_REGISTRYINFO_SOURCE, __LINE__);
    return trace.logical(m_szInstallPathValueName == other.m_szInstallPathValueName &&
                         m_szKeyPath == other.m_szKeyPath &&
                         m_szVersionValueName == other.m_szVersionValueName);
}

bool CZEBProductRegistryInfo::operator!=(const CZEBProductRegistryInfo& other) const
{
    ZebTrace trace(s_szClass, ZEB_W("operator!="), ZEB_REGISTRYINFO_SOURCE, __LINE__);
    return trace.logical(!(m_szInstallPathValueName == other.m_szInstallPathValueName &&
                           m_szKeyPath == other.m_szKeyPath &&
                           m_szVersionValueName == other.m_szVersionValueName));
}
