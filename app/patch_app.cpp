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

// Loads one string of the program's module into a zeroed buffer; a missing string
// leaves the buffer empty.
void loadMessage(UINT uMessageId, WCHAR* szBuffer)
{
    std::memset(szBuffer, 0, MESSAGE_BUFFER_CHARS * sizeof(WCHAR));
    LoadStringW(GetModuleHandleW(NULL), uMessageId, szBuffer, MESSAGE_BUFFER_CHARS);
}

// The text of a string for the Win32 calls: an invalid (empty) string is the empty text.
LPCWSTR textOf(const CZEBWCharString& szText)
{
    return szText.isValid() && szText.getBuffer() != NULL ? szText.getBuffer() : ZEB_W("");
}
} // namespace

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
