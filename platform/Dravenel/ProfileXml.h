#pragma once

#include <tinyxml.h>

// Attribute reads and writes shared by the profile parts and the node
// interface. Numbers are read and written in the C locale whatever the
// program's locale, so a profile reads the same everywhere.
namespace ProfileXml {

// "" (or null, for TextOrNull) when the element or attribute is missing.
const char* Text(const TiXmlElement* element, const char* name);
const char* TextOrNull(const TiXmlElement* element, const char* name);
// 0 when missing or not a number.
int Int(const TiXmlElement* element, const char* name);
double Double(const TiXmlElement* element, const char* name);

void SetText(TiXmlElement* element, const char* name, const char* value);
void SetInt(TiXmlElement* element, const char* name, int value);
// The shortest text that reads back as the same double.
void SetDouble(TiXmlElement* element, const char* name, double value);

} // namespace ProfileXml
