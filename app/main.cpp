// patch8108: updates the password manager's Firefox extension of the Hestrel suite.
#include "patch_app.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd)
{
    (void)hInstance;
    (void)hPrevInstance;
    (void)nShowCmd;
    return runPatchProgram(lpCmdLine);
}
