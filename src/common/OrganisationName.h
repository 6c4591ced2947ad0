#pragma once

// The name of the organisation that heads every printed report, remembered
// between runs in "title.ini" of the INI folder: a binary file whose first
// 40 bytes are the name in Windows-1251, NUL-padded (a name of 40
// characters fills them all, with no terminator).

#include <QString>

namespace zmk {

inline constexpr int OrganisationNameLength = 40;

// The remembered name: the bytes up to the first NUL among the first 40.
// A missing or unreadable file gives an empty name; control characters
// (which a report line cannot show) become blanks.
QString ReadOrganisationName(const QString& path);
QString ReadOrganisationName();  // from "title.ini" of the INI folder

// Writes the first 40 characters of `name` through CheckedFile, so that a
// failed write leaves the remembered name as it was; a character outside
// Windows-1251 is stored as '?'. False when the file could not be written.
bool WriteOrganisationName(const QString& name, const QString& path);
bool WriteOrganisationName(const QString& name);

}  // namespace zmk
