#include "CTixmlNode.h"

#include "CBaseException.h"
#include "CProfile.h"
#include "ProfileXml.h"

#include <tinyxml.h>

#include <cstring>

void* CTixmlNode::QueryInterface(const char* name)
{
    if (name && std::strcmp(name, "ITixmlNode") == 0)
        return static_cast<ITixmlNode*>(this);
    return nullptr;
}

void CTixmlNode::SetAttribute(const char* name, const char* value)
{
    QB_GUARDED_VOID({ ProfileXml::SetText(m_node->ToElement(), name, value); });
}

void CTixmlNode::SetIntAttribute(const char* name, int value)
{
    QB_GUARDED_VOID({ ProfileXml::SetInt(m_node->ToElement(), name, value); });
}

void CTixmlNode::SetDoubleAttribute(const char* name, double value)
{
    QB_GUARDED_VOID({ ProfileXml::SetDouble(m_node->ToElement(), name, value); });
}

const char* CTixmlNode::GetAttribute(const char* name)
{
    return ProfileXml::TextOrNull(m_node->ToElement(), name);
}

int CTixmlNode::GetIntAttribute(const char* name)
{
    return ProfileXml::Int(m_node->ToElement(), name);
}

double CTixmlNode::GetDoubleAttribute(const char* name)
{
    return ProfileXml::Double(m_node->ToElement(), name);
}

const char* CTixmlNode::GetName()
{
    return m_node->Value();
}

ITixmlNode* CTixmlNode::FirstChild()
{
    return QB_GUARDED(static_cast<ITixmlNode*>(nullptr), {
        TiXmlNode* child = m_node->FirstChild();
        return child ? static_cast<ITixmlNode*>(m_owner.Wrap(child)) : nullptr;
    });
}

ITixmlNode* CTixmlNode::NextSibling()
{
    return QB_GUARDED(static_cast<ITixmlNode*>(nullptr), {
        TiXmlNode* next = m_node->NextSibling();
        return next ? static_cast<ITixmlNode*>(m_owner.Wrap(next)) : nullptr;
    });
}

ITixmlNode* CTixmlNode::InsertChild(ITixmlNode* after, const char* name)
{
    return QB_GUARDED(static_cast<ITixmlNode*>(nullptr), {
        TiXmlElement fresh(name ? name : "");
        TiXmlNode* afterNode = after ? static_cast<CTixmlNode*>(after)->Node() : nullptr;
        TiXmlNode* inserted = nullptr;
        if (afterNode && afterNode->Parent() == m_node)
            inserted = m_node->InsertAfterChild(afterNode, fresh);
        else
            inserted = m_node->InsertEndChild(fresh);
        if (!inserted)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        return static_cast<ITixmlNode*>(m_owner.Wrap(inserted));
    });
}

bool CTixmlNode::RemoveNode(ITixmlNode* node)
{
    return QB_GUARDED(false, {
        if (!node)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        TiXmlNode* target = static_cast<CTixmlNode*>(node)->Node();
        if (target == m_node)
            return false;
        for (TiXmlNode* up = target->Parent(); up; up = up->Parent()) {
            if (up == m_node) {
                m_owner.RemoveNode(target);
                return true;
            }
        }
        return false;
    });
}
