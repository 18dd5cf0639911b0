#include "CProfileParts.h"

#include "CBaseException.h"
#include "CProfile.h"
#include "ProfileXml.h"

#include <cstring>

TiXmlElement* CPartBase::Read() const
{
    return m_owner.FindPart(m_element);
}

TiXmlElement* CPartBase::Write() const
{
    return m_owner.MakePart(m_element);
}

const char* CPartBase::Text(const char* name) const
{
    return ProfileXml::Text(Read(), name);
}

const char* CPartBase::TextOrNull(const char* name) const
{
    return ProfileXml::TextOrNull(Read(), name);
}

int CPartBase::Int(const char* name) const
{
    return ProfileXml::Int(Read(), name);
}

double CPartBase::Double(const char* name) const
{
    return ProfileXml::Double(Read(), name);
}

void CPartBase::SetText(const char* name, const char* value) const
{
    QB_GUARDED_VOID({ ProfileXml::SetText(Write(), name, value); });
}

void CPartBase::SetInt(const char* name, int value) const
{
    QB_GUARDED_VOID({ ProfileXml::SetInt(Write(), name, value); });
}

void CPartBase::SetDouble(const char* name, double value) const
{
    QB_GUARDED_VOID({ ProfileXml::SetDouble(Write(), name, value); });
}

const char* CVideoPart::NonEmpty(const char* name) const
{
    const char* value = TextOrNull(name);
    return value && *value ? value : nullptr;
}

const char* CFilePart::GetExporter()
{
    const char* value = TextOrNull("Exporter");
    return value && *value ? value : nullptr;
}

TiXmlElement* CParamsPart::Find(const char* key) const
{
    TiXmlElement* params = Read();
    if (!params || !key)
        return nullptr;
    for (TiXmlElement* e = params->FirstChildElement("Param"); e; e = e->NextSiblingElement("Param")) {
        const char* k = e->Attribute("Key");
        if (k && std::strcmp(k, key) == 0)
            return e;
    }
    return nullptr;
}

TiXmlElement* CParamsPart::Make(const char* key) const
{
    if (!key)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    if (TiXmlElement* found = Find(key))
        return found;
    TiXmlElement param("Param");
    param.SetAttribute("Key", key);
    return Write()->InsertEndChild(param)->ToElement();
}

bool CParamsPart::HasParam(const char* key)
{
    return Find(key) != nullptr;
}

void CParamsPart::RemoveParam(const char* key)
{
    QB_GUARDED_VOID({
        if (TiXmlElement* found = Find(key))
            m_owner.RemoveNode(found);
    });
}

void CParamsPart::SetString(const char* key, const char* value)
{
    QB_GUARDED_VOID({ ProfileXml::SetText(Make(key), "Value", value); });
}

void CParamsPart::SetInt(const char* key, int value)
{
    QB_GUARDED_VOID({ ProfileXml::SetInt(Make(key), "Value", value); });
}

void CParamsPart::SetDouble(const char* key, double value)
{
    QB_GUARDED_VOID({ ProfileXml::SetDouble(Make(key), "Value", value); });
}

const char* CParamsPart::GetString(const char* key)
{
    return ProfileXml::Text(Find(key), "Value");
}

int CParamsPart::GetInt(const char* key)
{
    return ProfileXml::Int(Find(key), "Value");
}

double CParamsPart::GetDouble(const char* key)
{
    return ProfileXml::Double(Find(key), "Value");
}

TiXmlElement* CColItem::FindColumn(TiXmlElement* columns, const char* name)
{
    if (!columns || !name)
        return nullptr;
    for (TiXmlElement* e = columns->FirstChildElement("Column"); e; e = e->NextSiblingElement("Column")) {
        const char* n = e->Attribute("Name");
        if (n && std::strcmp(n, name) == 0)
            return e;
    }
    return nullptr;
}

void CColItem::Release()
{
    if (m_callerOwned)
        delete this;
}

const char* CColItem::GetValueList()
{
    return ProfileXml::Text(FindColumn(Read(), m_name.c_str()), "Values");
}

void CColItem::SetValueList(const char* values)
{
    QB_GUARDED_VOID({
        TiXmlElement* columns = Write();
        TiXmlElement* column = FindColumn(columns, m_name.c_str());
        if (!column) {
            TiXmlElement fresh("Column");
            fresh.SetAttribute("Name", m_name.c_str());
            column = columns->InsertEndChild(fresh)->ToElement();
        }
        ProfileXml::SetText(column, "Values", values);
    });
}
