#include "patch_log.h"

#include "patch_app.h"

CZEBWCharString g_szPatchLogName = CZEBWCharString(ZEB_W("patchlog")) +
                                   CZEBWCharString(PATCH_NUMBER) + CZEBWCharString(ZEB_W(".txt"));

bool resolveInstallPath(CZEBWCharString& szPath, const CZEBWCharString& szRelativePath)
{
    // Placeholder until the patch log exists: resolves nothing and leaves the path as it is.
    (void)szPath;
    (void)szRelativePath;
    return false;
}

void appendToPatchLog(CZEBWCharString& szLine)
{
    // Placeholder until the patch log exists: the line is not written anywhere.
    (void)szLine;
}
