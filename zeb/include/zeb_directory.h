// CZEBDirectory: one folder of the file system, named by its path with or without a
// trailing backslash. It answers whether the folder exists and can create it together with
// every missing parent.
//
// Every operation answers false after its failure has been written to the log; nothing is
// thrown to the caller, not even by the constructor. The constructor, the destructor and
// every operation but createDirectory are traced.
#pragma once

#include "zeb_wchar_string.h"

class CZEBDirectory
{
public:
    // Copies the path. When the copy fails a CZEBDirectoryInitException is written and the
    // object is made all the same, naming no folder.
    explicit CZEBDirectory(const CZEBWCharString& szName);
    ~CZEBDirectory();
    CZEBDirectory(const CZEBDirectory&) = delete;
    CZEBDirectory& operator=(const CZEBDirectory&) = delete;

    // Copies the path; false when the copy is not complete.
    bool setDirectoryName(const CZEBWCharString& szName);

    // Whether szPath names an existing folder. The folder's attributes decide, so a folder
    // that cannot be listed (an empty drive root) is a folder too. A path of fewer than two
    // characters cannot be examined: an index error is written and the answer is false.
    static bool isValidWindowsDirectory(const CZEBWCharString& szPath);
    // isValidWindowsDirectory of this object's path.
    bool isValidDirectory();

    // Creates the folder and each missing parent, one level after the other (a level is the
    // path up to one of its backslashes). False when the folder exists already, the path is
    // empty, or a level cannot be created: the levels made before it stay.
    bool createDirectory();

    CZEBWCharString m_name;
};
