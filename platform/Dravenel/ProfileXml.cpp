#include "ProfileXml.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace ProfileXml {

const char* Text(const TiXmlElement* element, const char* name)
{
    const char* value = TextOrNull(element, name);
    return value ? value : "";
}

const char* TextOrNull(const TiXmlElement* element, const char* name)
{
    if (!element || !name)
        return nullptr;
    return element->Attribute(name);
}

int Int(const TiXmlElement* element, const char* name)
{
    const char* text = TextOrNull(element, name);
    if (!text)
        return 0;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return 0;
    return static_cast<int>(value);
}

double Double(const TiXmlElement* element, const char* name)
{
    const char* text = TextOrNull(element, name);
    if (!text)
        return 0.0;
    while (*text == ' ' || *text == '+')
        ++text;
    double value = 0.0;
    auto result = std::from_chars(text, text + std::strlen(text), value);
    return result.ec == std::errc() ? value : 0.0;
}

void SetText(TiXmlElement* element, const char* name, const char* value)
{
    if (element && name)
        element->SetAttribute(name, value ? value : "");
}

void SetInt(TiXmlElement* element, const char* name, int value)
{
    if (element && name)
        element->SetAttribute(name, value);
}

void SetDouble(TiXmlElement* element, const char* name, double value)
{
    if (!element || !name)
        return;
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, value);
    *result.ptr = '\0';
    element->SetAttribute(name, buffer);
}

} // namespace ProfileXml
