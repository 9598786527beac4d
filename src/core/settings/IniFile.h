#pragma once

#include <QString>

// The private-profile service: INI text files in the ANSI code page, read and edited with the
// rules of GetPrivateProfileStringA / WritePrivateProfileStringA that the program depends on.
//
// Names are matched without regard to case and the first matching section and key win. Edits
// touch only the line they change (or add); every other byte of the file is written back as it
// was read, whatever it holds. Nothing is cached: every call goes to the file.
class IniFile {
public:
    // Copies into buffer[0, size) like the Windows service copies into a caller's buffer: buffer
    // grows (NUL-filled) to size characters when shorter, and characters beyond size are never
    // touched. Returns the number of characters copied, not counting the terminating NUL.
    //
    // - section and key given: the value, or defaultValue (less its trailing blanks) when the
    //   file, section or key is absent; at most size - 1 characters, then a NUL.
    // - section null: the names of all sections in file order, each ended by a NUL, the list
    //   ended by a second NUL. A list that does not fit is cut, still ends in two NULs, and the
    //   result is size - 2.
    // - key null: the key names of the section, as a list like the above; defaultValue when the
    //   section has no keys.
    static int getString(const QString& section, const QString& key, const QString& defaultValue, QString& buffer,
        int size, const QString& path);

    // The value of key in section as the program's readers receive it, in a buffer of 255
    // characters: at most 254 characters, any NUL inside the value kept; defaultValue (less its
    // trailing blanks) when absent. Each reader then applies its own rule to embedded NULs.
    static QString value(const QString& section, const QString& key, const QString& defaultValue, const QString& path);

    // Sets key = value in section, creating the file, the section or the key as needed. Returns
    // false, leaving the file as it was, when the file cannot be read or replaced, or when a name
    // or the value could not be stored as given (line breaks, "=" in a key, an empty key).
    static bool writeString(const QString& section, const QString& key, const QString& value, const QString& path);
};
