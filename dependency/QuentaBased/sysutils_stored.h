#pragma once

// Reading back the files the programs store: the one bounded way every
// reader of a stored file goes. A stored file is a regular file no longer
// than its kind allows; anything else (a FIFO, a device, a folder, a file
// that never ends) is refused at once instead of blocking or filling memory.
// XML is checked in one linear pass before any parser sees it, so no input
// can drive a recursive parser deeper than the kind's limit.
//
// All functions throw CBaseException: 10021013 when the file cannot be
// opened or read or is no regular file, 10021017 when it is too large or
// damaged. The messages name the file and, for XML, the line and column.

#include <cstddef>
#include <cstdint>
#include <string>

namespace QuentaBased {

// What one kind of stored XML file may hold.
struct StoredXmlBounds
{
    uint64_t maxBytes;      // the whole file
    int maxDepth;           // elements open at once
    uint32_t maxAttributes; // on one element
    uint64_t maxElements;   // in the whole file
};

// A descriptor of the regular file at `path`, opened for reading without
// blocking and close-on-exec, at most `maxBytes` long. The caller closes it.
int open_stored_file(const std::string& path, uint64_t maxBytes);

// The whole content of the regular file at `path` (at most `maxBytes`).
std::string read_stored_file(const std::string& path, uint64_t maxBytes);

// Checks XML text against the bounds. Accepts only well-formed text: tags
// that match, quoted attribute values, valid UTF-8, no NUL byte; comments,
// CDATA sections, processing instructions and the document type are skipped
// as whole. `what` names the text in the message (usually its path).
void check_stored_xml(const char* text, size_t length, const StoredXmlBounds& bounds, const std::string& what);

// Whether text is valid UTF-8 without a NUL byte: what a stored XML value
// can hold and be read back as it was. Writers check their texts with it.
bool is_storable_text(const char* text, size_t length);

// read_stored_file, then check_stored_xml.
std::string read_stored_xml(const std::string& path, const StoredXmlBounds& bounds);

} // namespace QuentaBased
