// Finding a distribution file on the diskette that carries it.
//
// A file is looked for in the source directory first. When that directory's name ends in a
// two-digit number (a distribution copied to disk as DISK01, DISK02, ...), the number is
// replaced by the wanted diskette's number and the file is looked for there; when it is found,
// the source directory moves to that directory for the rest of the run, so later files of the
// same diskette are found at once. Otherwise the user is asked to insert the diskette. Only
// the presence of the named file counts; volume labels are never read.
//
// The prompt is an interface: the setup program shows the Insert Diskette dialog (Windows,
// wizard/InsertDisketteDialog.h), tests answer it themselves.
#pragma once

#include <cstdint>
#include <string>

#include "support/FilePath.h"

class CDiskettePrompt {
public:
    virtual ~CDiskettePrompt() = default;
    // Asks the user to make filePath available by inserting diskette number. True when the
    // user confirmed with the file present, false when they gave up.
    virtual bool AskForDiskette(const CFilePath& filePath, std::int32_t number) = 0;
};

class CDisketteLocator {
public:
    // sourceDirectory: the run's source directory (a directory path ending in a separator),
    // which Locate may move; both references must outlive the locator.
    CDisketteLocator(CFilePath& sourceDirectory, CDiskettePrompt& prompt)
        : m_sourceDirectory(sourceDirectory), m_prompt(prompt) {}

    // True when fileName of diskette number is now in the source directory (possibly a moved
    // one), false when the user cancelled the prompt.
    bool Locate(const std::string& fileName, std::int32_t number);

private:
    CFilePath& m_sourceDirectory;
    CDiskettePrompt& m_prompt;
};

// directory (ending in '\' or '/') with the two digits that end its last component replaced
// by number, formatted "%02d" (DISK01 and 3 give DISK03, 12 gives DISK12, 123 gives DISK123).
// Empty when the directory part (without drive and trailing separator) is not longer than two
// characters or does not end in two decimal digits of a nonzero value (DISK1, DISK00, "\").
std::string NumberedDisketteDirectory(const std::string& directory, std::int32_t number);

// The text of the Insert Diskette prompt: with a label "Please insert the diskette labelled
// '<label>' in drive <drive>:", without one (label null or empty) "Please insert diskette
// <number> in drive <drive>:". drive is the letter without colon.
std::string InsertDisketteText(const std::string* label, std::int32_t number,
                               const std::string& drive);
