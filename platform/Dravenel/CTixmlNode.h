#pragma once

#include "IProfile.h"
#include "ITixmlNode.h"

class CProfile;
class TiXmlNode;

// The node interface over one node of a profile's document. Made and owned by
// the profile (CProfile::Wrap), one per node.
class CTixmlNode final : public ITixmlNode, public IDravenelObject
{
public:
    CTixmlNode(CProfile& owner, TiXmlNode* node) : m_owner(owner), m_node(node) {}
    ~CTixmlNode() override = default;

    void* QueryInterface(const char* name) override;

    void SetAttribute(const char* name, const char* value) override;
    void SetIntAttribute(const char* name, int value) override;
    void SetDoubleAttribute(const char* name, double value) override;
    const char* GetAttribute(const char* name) override;
    int GetIntAttribute(const char* name) override;
    double GetDoubleAttribute(const char* name) override;
    const char* GetName() override;
    ITixmlNode* FirstChild() override;
    ITixmlNode* NextSibling() override;
    ITixmlNode* InsertChild(ITixmlNode* after, const char* name) override;
    bool RemoveNode(ITixmlNode* node) override;

    TiXmlNode* Node() const { return m_node; }

private:
    CProfile& m_owner;
    TiXmlNode* m_node;
};
