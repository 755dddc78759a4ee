#include "patch_app.h"

#include "patch_log.h"
#include "patch_sequence.h"
#include "resource.h"

#include <cstring>

int g_nSilent = 0;

namespace
{
struct OutcomeMessage
{
    int nOutcome;
    UINT uMessageId;
};

const OutcomeMessage s_outcomeMessages[] = {
    {1, IDS_OS_NOT_SUPPORTED},        {2, IDS_VERSION_NOT_SUPPORTED},
    {3, IDS_PATCH_ALREADY_INSTALLED}, {4, IDS_PRODUCT_NOT_INSTALLED},
    {5, IDS_PATCH_COMPLETED},         {6, IDS_UNKNOWN_EXCEPTION},
};

// The text of a string for the Win32 calls: an invalid (empty) string is the empty text.
LPCWSTR textOf(const CZEBWCharString& szText)
{
    return szText.isValid() && szText.getBuffer() != NULL ? szText.getBuffer() : ZEB_W("");
}
} // namespace

void loadMessage(UINT uMessageId, WCHAR* szBuffer)
{
    std::memset(szBuffer, 0, MESSAGE_BUFFER_CHARS * sizeof(WCHAR));
    LoadStringW(GetModuleHandleW(NULL), uMessageId, szBuffer, MESSAGE_BUFFER_CHARS);
}

void loadEnglishMessage(UINT uMessageId, WCHAR* szBuffer)
{
    std::memset(szBuffer, 0, MESSAGE_BUFFER_CHARS * sizeof(WCHAR));
    // A string table block holds sixteen strings, each a 16-bit length and its units.
    HMODULE hModule = GetModuleHandleW(NULL);
    HRSRC hBlock = FindResourceExW(hModule, RT_STRING, MAKEINTRESOURCEW(uMessageId / 16 + 1),
                                   static_cast<WORD>(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
    HGLOBAL hData = hBlock ? LoadResource(hModule, hBlock) : NULL;
    const WORD* pUnits = hData ? static_cast<const WORD*>(LockResource(hData)) : NULL;
    if (!pUnits)
        return;
    const DWORD cUnits = SizeofResource(hModule, hBlock) / sizeof(WORD);
    DWORD ulPos = 0;
    for (UINT uIndex = 0; uIndex < uMessageId % 16; ++uIndex)
    {
        if (ulPos >= cUnits)
            return;
        ulPos += 1 + pUnits[ulPos];
    }
    if (ulPos >= cUnits)
        return;
    DWORD cChars = pUnits[ulPos];
    if (cChars > cUnits - ulPos - 1)
        return; // a block that ends inside the string is not read
    if (cChars > MESSAGE_BUFFER_CHARS - 1)
        cChars = MESSAGE_BUFFER_CHARS - 1;
    std::memcpy(szBuffer, pUnits + ulPos + 1, cChars * sizeof(WCHAR));
}

bool hasSilentSwitch(const CZEBWCharString& szCommandLine)
{
    static const LPCWSTR s_switches[] = {ZEB_W("/s"), ZEB_W("/S"), ZEB_W("-s"), ZEB_W("-S")};
    for (LPCWSTR szSwitch : s_switches)
    {
        if (szCommandLine.contains(CZEBWCharString(szSwitch)))
            return true;
    }
    return false;
}

int runPatchProgram(LPCWSTR szCommandLine)
{
    try
    {
        CZEBWCharString szCommand(szCommandLine);
        g_nSilent = hasSilentSwitch(szCommand) ? 1 : 0;
        runPatchSequence();
    }
    catch (...)
    {
        try
        {
            showMessage(IDS_UNKNOWN_EXCEPTION, MB_OK);
        }
        catch (...)
        {
            // Nothing is left to tell the user with; the exit code stays 0.
        }
    }
    return 0;
}

int showMessage(UINT uMessageId, UINT uStyle)
{
    WCHAR szCaptionBuffer[MESSAGE_BUFFER_CHARS];
    WCHAR szTextBuffer[MESSAGE_BUFFER_CHARS];
    loadMessage(IDS_CAPTION, szCaptionBuffer);
    loadMessage(uMessageId, szTextBuffer);
    CZEBWCharString szCaption(szCaptionBuffer);
    CZEBWCharString szText(szTextBuffer);
    return presentMessage(szCaption, szText, uStyle);
}

int presentMessage(const CZEBWCharString& szCaption, const CZEBWCharString& szText, UINT uStyle)
{
    int nResult = IDOK;
    try
    {
        CZEBWCharString szShownCaption(szCaption);
        if (szShownCaption == CZEBWCharString(ZEB_W("")))
        {
            WCHAR szCaptionBuffer[MESSAGE_BUFFER_CHARS];
            loadMessage(IDS_CAPTION, szCaptionBuffer);
            szShownCaption = CZEBWCharString(szCaptionBuffer);
        }
        if (g_nSilent == 0)
            nResult = MessageBoxW(NULL, textOf(szText), textOf(szShownCaption), uStyle);

        CZEBWCharString szLine(szText);
        szLine += CZEBWCharString(ZEB_W(" User select: "));
        szLine += CZEBWCharString(nResult);
        appendToPatchLog(szLine);
    }
    catch (...)
    {
        // Logging a message never reaches the user nor changes the result.
    }
    return nResult;
}

UINT outcomeMessageId(int nOutcome)
{
    for (const OutcomeMessage& entry : s_outcomeMessages)
    {
        if (entry.nOutcome == nOutcome)
            return entry.uMessageId;
    }
    return 0;
}

void showOutcomeMessage(int nOutcome)
{
    showMessage(outcomeMessageId(nOutcome), MB_OK);
}
