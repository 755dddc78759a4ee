// CZEBEnvironmentVariable: one variable of the process environment, read by name.
#pragma once

#include "zeb_wchar_string.h"

class CZEBEnvironmentVariable
{
public:
    explicit CZEBEnvironmentVariable(const CZEBWCharString& name);

    // The variable's value. False, with value untouched, when the name is empty, the
    // variable is not set or its value is empty.
    bool getValue(CZEBWCharString& value);

    CZEBWCharString m_name;
};
