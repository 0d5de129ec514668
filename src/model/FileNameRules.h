#pragma once

#include <QString>

// What keeps a name the user typed from becoming a single, portable file
// name (profiles and macros are stored under their names).
enum class FileNameProblem {
    None,
    Empty,
    TooLong,
    BadCharacter,       // a control character or one Windows refuses
    DotDot,             // ".." anywhere
    LeadingDot,         // hides the file on Linux
    TrailingDotOrSpace, // Windows drops it silently, giving another file
    Reserved,           // a device name on Windows, whatever the extension
};

FileNameProblem fileNameProblem(const QString &name, int maxLength);

// The characters Windows refuses in file names, beside the control characters.
QString forbiddenFileNameCharacters();
