// Identifiers of the program's resources. Included by the resource script and by the
// program; the host build's string table generator reads the #defines from here too.
#pragma once

// Confirmation question, shown with OK and Cancel.
#define IDS_PATCH_CONFIRM 120
// Outcome and failure messages, shown with OK.
#define IDS_OS_NOT_SUPPORTED 1120
// Failure line for one file ("%s" is the file's full path); written to the patch log only.
#define IDS_FILE_UPDATE_FAILED 1121
#define IDS_VERSION_NOT_SUPPORTED 1130
// Caption of every message box.
#define IDS_CAPTION 1140
#define IDS_PATCH_COMPLETED 1160
#define IDS_PATCH_ALREADY_INSTALLED 1170
#define IDS_PRODUCT_NOT_INSTALLED 1180
#define IDS_UNKNOWN_EXCEPTION 1200
