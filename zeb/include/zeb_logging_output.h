// Log outputs: each turns one record into its external form. Only the text output writes;
// the others accept the record and do nothing. None throws.
#pragma once

#include "zeb_logging.h"

// Appends one UTF-16 line per record to the file named by "TextOutput".
class CZEBLoggingOutputText
{
public:
    virtual ~CZEBLoggingOutputText() = default;
    virtual bool write(CZEBLogRecord& record);
    // The same file, with the time, severity, module, message and result parts only.
    virtual bool writeShort(CZEBLogRecord& record);

private:
    bool writeLine(CZEBLogRecord& record, bool bShort);
};

class CZEBLoggingOutputXML
{
public:
    virtual ~CZEBLoggingOutputXML() = default;
    virtual bool write(CZEBLogRecord& record);
};

class CZEBLoggingOutputServer
{
public:
    virtual ~CZEBLoggingOutputServer() = default;
    virtual bool write(CZEBLogRecord& record);
};

class CZEBLoggingOutputUnknown
{
public:
    virtual ~CZEBLoggingOutputUnknown() = default;
    virtual bool write(CZEBLogRecord& record);
};

// The line write() (or writeShort()) produces for a record at the given time text (ctime
// form without its newline), CR LF included; *pcchLine receives its length in characters.
// The caller releases it with zebReleaseLogLine. Null when memory is short. Separate from
// the file handling so that the layout can be tested without the clock.
LPWSTR zebFormatLogLine(const CZEBLogRecord& record, LPCWSTR szTime, bool bShort, DWORD* pcchLine);
void zebReleaseLogLine(LPWSTR szLine, DWORD cchLine);
