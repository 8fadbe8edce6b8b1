#pragma once

#include "platform/ProfileWriter.h"
#include "platform/RegularFile.h"

#include <QString>
#include <functional>
#include <vector>

class CSectionSink;

// The three private-profile calls the INI model makes, gathered behind virtual functions. The
// default implementation forwards to the platform layer; tests derive from it to hand the
// loader lines the platform never returns and to watch what the writer asks for. The
// platform's own instance (Platform()) loads a file in one pass instead of call by call
// (PlatformProfile.h).
class CProfileAccess {
public:
    virtual ~CProfileAccess() = default;

    virtual unsigned GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size,
                                                    const QString& path);
    virtual unsigned GetPrivateProfileSectionW(const QString& section, char16_t* buffer,
                                               unsigned size, const QString& path);
    virtual int WritePrivateProfileStringW(const QString& section, const QString& key,
                                           const QString& value, const QString& path);
    // Sets many keys with one write of the file, as CProfileWriter::WriteMany does: the same
    // bytes as one WritePrivateProfileStringW per change in order. Returns for each change
    // whether it was written; `failed` hears of each one that was not, while
    // CProfileWriter::LastError() says why.
    virtual std::vector<bool>
    WritePrivateProfileStrings(const std::vector<CProfileWriter::Change>& changes,
                               const QString& path, const std::function<void(size_t)>& failed);

    // Brackets one load. BeginRead pins one version of the file for the calls that follow on
    // this thread, up to the matching EndRead, so that the names and every section come from
    // the same version even while another process saves. It returns false, with errorText
    // set, when the file exists but cannot be read (no permission, an I/O error, not a
    // regular file) or is too large to read; a missing file is no error. EndRead is called
    // after every BeginRead, whatever it returned.
    virtual bool BeginRead(const QString& path, QString& errorText);
    virtual void EndRead(const QString& path);

    // How many characters the lines of `section` fill in the version being read (each line
    // with its NUL): what a section left out for its size would have needed. 0 when unknown.
    virtual qsizetype SectionLength(const QString& section, const QString& path);

    // Reads the file's sections for a load into sink, as the calls above hand them out:
    // the names (a list that fills its buffer fails with "バッファ不足です"), then for each
    // listed section its lines, or its length when they do not fit the section buffer. A
    // false return from the sink stops the read. The platform's version reads the same in
    // one pass over the file's text; this one goes through the calls, between BeginRead
    // and EndRead, so that a stand-in that overrides them is heard.
    virtual bool ReadSections(const QString& path, CSectionSink& sink, QString& errorText);

    // The instance every model uses unless it is given another one.
    static CProfileAccess& Platform();

protected:
    // The message for a file that exists but cannot be read; false. True for a missing file,
    // which reads as one without sections.
    static bool ReadFailure(CRegularFile::Status status, const QString& path, QString& errorText);

private:
    void ReadSection(const QString& name, const QString& path, CSectionSink& sink);
};
