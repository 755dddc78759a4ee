// The patch sequence: precondition checks, confirmation and file replacement.
#pragma once

// Runs the whole sequence; all user output goes through showMessage/showOutcomeMessage.
// May throw: the caller's catch-all turns that into the failure message.
void runPatchSequence();
