#pragma once

#include <QString>

// Linux stand-ins for the Windows private-profile functions, with the same buffer contract:
//
// - The readers fill `buffer` with NUL-terminated items followed by one more NUL and return
//   the number of characters copied, not counting the final NUL. When the list does not fit
//   (an exact fit included) they copy size-2 characters, NUL-terminate twice and return
//   size-2. A missing file, a file without sections or a missing section gives 0 with
//   buffer[0] = NUL. Sizes and counts are in UTF-16 code units.
// - The writer sets one key, adding key, section and file when missing, and keeps every
//   other byte of the file. It returns nonzero on success and 0 on failure, in which case
//   the file is left exactly as it was.
//
// The INI syntax follows Windows; files may be UTF-16LE/BE or UTF-8 with a BOM, UTF-8
// without one, or CP932, and a write keeps the file's encoding, BOM and line ends.
//
// Details beyond Windows' recorded behaviour: a section named "[]" can be read with an empty
// name but is not listed (its empty name would end the list); names are looked up by
// Text::CompareNoCase, so they follow the process-wide case switch; a value the file's
// encoding cannot hold exactly fails the write instead of becoming '?'. Reads parse a file
// once and keep it while it is unchanged (ProfileCache.h); writes always start from the
// file as it is on disk (ProfileWriter.h).

unsigned GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size, const QString& path);

unsigned GetPrivateProfileSectionW(const QString& section, char16_t* buffer, unsigned size,
                                   const QString& path);

int WritePrivateProfileStringW(const QString& section, const QString& key, const QString& value,
                               const QString& path);
