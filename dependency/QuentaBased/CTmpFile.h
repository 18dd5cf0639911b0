#pragma once

#include <string>

namespace QuentaBased {

// A unique temporary file name. No file is created: the holder's user creates
// and fills it. The file is deleted with the holder only once SetOwned(true)
// was called, so a file handed on survives its CTmpFile.
class CTmpFile
{
public:
    // A name "tmpf…" + extension in `folder` (the temporary folder when empty).
    // Throws 10021008 "Unexpected error" when no free name can be found.
    // Pass the extension as a std::string: (string, "literal") picks the
    // constructor below, which takes its second argument as a file name.
    CTmpFile(const std::string& folder, const std::string& extension);
    // With a name: the generated folder, then `name`, then the extension.
    CTmpFile(const std::string& extension, const char* name);
    virtual ~CTmpFile();

    CTmpFile(const CTmpFile&) = delete;
    CTmpFile& operator=(const CTmpFile&) = delete;

    std::string GetFilePathName() const { return m_path; }
    void SetOwned(bool owned) { m_owned = owned; }

private:
    std::string m_path;
    bool m_owned = false;
};

// `folder` + "/tmpf" + a unique part + `extension` (which carries its own dot).
// The temporary folder is $TMPDIR, else /tmp, when `folder` is empty.
std::string CreateTempFile(const std::string& folder, const std::string& extension);

} // namespace QuentaBased
