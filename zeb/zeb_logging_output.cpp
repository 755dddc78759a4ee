#include "zeb_logging_output.h"

#include "zeb_memory.h"
#include "zeb_text.h"

#include <cstring>
#include <ctime>

namespace
{
bool isEmpty(LPCWSTR sz)
{
    return !sz || !*sz;
}

// Builds one line in two passes: the first only counts, the second writes into storage
// of exactly the counted size.
class CLineBuilder
{
public:
    void append(LPCWSTR szText)
    {
        const DWORD cch = zebWcsLen(szText);
        if (m_szLine && cch)
            std::memcpy(m_szLine + m_cchLength, szText, cch * sizeof(WCHAR));
        m_cchLength += cch;
    }
    void appendHex(int nValue)
    {
        WCHAR szNumber[16] = {0};
        wsprintfW(szNumber, ZEB_W("0x%08x"), nValue);
        append(szNumber);
    }
    void appendDecimal(int nValue)
    {
        WCHAR szNumber[16] = {0};
        wsprintfW(szNumber, ZEB_W("%d"), nValue);
        append(szNumber);
    }
    bool allocate()
    {
        m_szLine = static_cast<LPWSTR>(zebAllocateZeroed((m_cchLength + 1) * sizeof(WCHAR)));
        m_cchLength = 0;
        return m_szLine != nullptr;
    }
    LPWSTR m_szLine = nullptr;
    DWORD m_cchLength = 0;
};

void buildLine(CLineBuilder& line, const CZEBLogRecord& record, LPCWSTR szTime, bool bShort)
{
    line.append(ZEB_W("<"));
    line.append(szTime);
    line.append(ZEB_W(">: <"));
    line.append(zebSeverityName(record.m_nSeverity));
    line.append(ZEB_W("> <"));
    line.append(record.m_szModuleName);
    line.append(ZEB_W("> "));
    if (!bShort)
    {
        const bool bClass = !isEmpty(record.m_szClassName);
        const bool bMethod = !isEmpty(record.m_szMethodName);
        if (bClass)
        {
            line.append(ZEB_W("<"));
            line.append(record.m_szClassName);
        }
        if (bMethod)
        {
            line.append(bClass ? ZEB_W("::") : ZEB_W("<::"));
            line.append(record.m_szMethodName);
        }
        if (bClass || bMethod)
            line.append(ZEB_W("> "));
    }
    if (!isEmpty(record.m_szMessage))
    {
        line.append(ZEB_W("\""));
        line.append(record.m_szMessage);
        line.append(ZEB_W("\" "));
    }
    const bool bExit = record.m_nSeverity == LS_EXIT;
    switch (record.m_nResultKind)
    {
    case RESULT_ERROR_CODE:
        if (record.m_nResultValue != 0 && record.m_nResultValue != -1)
        {
            line.append(ZEB_W("<Error: "));
            line.appendHex(record.m_nResultValue);
            line.append(ZEB_W("> "));
        }
        break;
    case RESULT_PASS_FAIL:
        if (bExit)
        {
            if (bShort)
                line.append(record.m_nResultValue ? ZEB_W("<Passed>") : ZEB_W("<Failed>"));
            else
                line.append(record.m_nResultValue ? ZEB_W("<Passed> ") : ZEB_W("<Failed> "));
        }
        break;
    case RESULT_LOGICAL:
        if (bExit)
        {
            if (bShort)
                line.append(record.m_nResultValue ? ZEB_W("<Passed>")
                                                  : ZEB_W("<Failed Comparison>"));
            else
                line.append(record.m_nResultValue ? ZEB_W("<Passed> ")
                                                  : ZEB_W("<Failed Logical Result> "));
        }
        break;
    case RESULT_RETURN_CODE:
        line.append(ZEB_W("<Return Code: "));
        line.appendHex(record.m_nResultValue);
        line.append(ZEB_W("> "));
        break;
    default:
        break;
    }
    if (!bShort)
    {
        const bool bFile = !isEmpty(record.m_szSourceFile);
        if (bFile)
        {
            LPCWSTR szFileName = record.m_szSourceFile;
            for (LPCWSTR p = record.m_szSourceFile; *p; ++p)
                if (*p == '\\')
                    szFileName = p + 1;
            line.append(ZEB_W("<"));
            line.append(szFileName);
            line.append(record.m_nLine != 0 ? ZEB_W(", ") : ZEB_W(">"));
        }
        if (record.m_nLine != 0)
        {
            if (!bFile)
                line.append(ZEB_W("<"));
            line.appendDecimal(record.m_nLine);
            line.append(ZEB_W("> "));
        }
    }
    line.append(ZEB_W("\r\n"));
}

// The directory part of a log path: up to and including its last backslash. Only a path
// with a drive ("X:") and a backslash after it has one; anything else yields no directory.
bool getDirectory(LPCWSTR szPath, WCHAR* szDirectory, DWORD cchDirectory)
{
    const DWORD cchPath = zebWcsLen(szPath);
    if (cchPath >= 512 || cchPath < 3 || szPath[1] != ':')
        return false;
    DWORD ulLastSlash = 0;
    for (DWORD i = 2; i < cchPath; ++i)
        if (szPath[i] == '\\')
            ulLastSlash = i;
    if (ulLastSlash == 0 || ulLastSlash + 1 >= cchDirectory)
        return false;
    std::memcpy(szDirectory, szPath, (ulLastSlash + 1) * sizeof(WCHAR));
    szDirectory[ulLastSlash + 1] = 0;
    return true;
}
} // namespace

LPWSTR zebFormatLogLine(const CZEBLogRecord& record, LPCWSTR szTime, bool bShort, DWORD* pcchLine)
{
    CLineBuilder line;
    buildLine(line, record, szTime, bShort);
    if (!line.allocate())
        return nullptr;
    buildLine(line, record, szTime, bShort);
    if (pcchLine)
        *pcchLine = line.m_cchLength;
    return line.m_szLine;
}

void zebReleaseLogLine(LPWSTR szLine, DWORD cchLine)
{
    zebReleaseZeroed(szLine, (cchLine + 1) * sizeof(WCHAR));
}

bool CZEBLoggingOutputText::write(CZEBLogRecord& record)
{
    return writeLine(record, false);
}

bool CZEBLoggingOutputText::writeShort(CZEBLogRecord& record)
{
    return writeLine(record, true);
}

bool CZEBLoggingOutputText::writeLine(CZEBLogRecord& record, bool bShort)
{
    try
    {
        if (!record.m_szOutputPath)
        {
            // "TextOutput" is read into 256 bytes: up to 127 characters.
            WCHAR szPath[128] = {0};
            if (!CZEBLogConfig().getOutputPath(OUTPUT_TEXT, szPath, sizeof(szPath)) ||
                !CZEBLogRecord::setString(record.m_szOutputPath, szPath))
                return false;
        }
        WCHAR szDirectory[512] = {0};
        if (getDirectory(record.m_szOutputPath, szDirectory, 512))
            CreateDirectoryW(szDirectory, nullptr); // only the last level; may exist already
        else if (!bShort)
            return false;

        HANDLE hFile =
            CreateFileW(record.m_szOutputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (hFile == INVALID_HANDLE_VALUE)
        {
            hFile =
                CreateFileW(record.m_szOutputPath, GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
            if (hFile == INVALID_HANDLE_VALUE)
                return false;
            // The byte order mark only goes at the start of a file this call created.
            if (GetLastError() != ERROR_ALREADY_EXISTS)
            {
                const BYTE bom[2] = {0xFF, 0xFE};
                DWORD cbWritten = 0;
                WriteFile(hFile, bom, sizeof(bom), &cbWritten, nullptr);
            }
        }
        SetFilePointer(hFile, 0, nullptr, FILE_END);

        const time_t now = time(nullptr);
        WCHAR szTime[32] = {0};
        const WCHAR* szCtime = _wctime(&now);
        for (DWORD i = 0; szCtime && szCtime[i] && szCtime[i] != '\n' && i < 31; ++i)
            szTime[i] = szCtime[i];

        DWORD cchLine = 0;
        LPWSTR szLine = zebFormatLogLine(record, szTime, bShort, &cchLine);
        if (szLine)
        {
            DWORD cbWritten = 0;
            WriteFile(hFile, szLine, cchLine * sizeof(WCHAR), &cbWritten, nullptr);
            zebReleaseLogLine(szLine, cchLine);
        }
        CloseHandle(hFile);
        return szLine != nullptr;
    }
    catch (...)
    {
        return false;
    }
}

bool CZEBLoggingOutputXML::write(CZEBLogRecord&)
{
    return false;
}

bool CZEBLoggingOutputServer::write(CZEBLogRecord&)
{
    return false;
}

bool CZEBLoggingOutputUnknown::write(CZEBLogRecord&)
{
    return false;
}
