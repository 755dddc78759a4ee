#include "patch_sequence.h"

#include "patch_app.h"

void runPatchSequence()
{
    // Placeholder until the patch sequence exists: checks nothing and changes nothing.
}
