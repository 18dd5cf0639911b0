#pragma once

// One node of a profile's XML document (IProfile::GetRootObject, then
// QueryInterface("ITixmlNode")). Nodes belong to their profile; a node removed
// with RemoveNode, and every node below it, must not be used afterwards.
// Attribute operations on a node that is no element do nothing (reads give
// null, 0 or 0.0).
class ITixmlNode
{
public:
    virtual void SetAttribute(const char* name, const char* value) = 0;
    virtual void SetIntAttribute(const char* name, int value) = 0;
    virtual void SetDoubleAttribute(const char* name, double value) = 0;
    // Null when the attribute is missing.
    virtual const char* GetAttribute(const char* name) = 0;
    // 0 when missing or not a number.
    virtual int GetIntAttribute(const char* name) = 0;
    virtual double GetDoubleAttribute(const char* name) = 0;
    // The element's name (a comment's or text's value for other nodes).
    virtual const char* GetName() = 0;
    // Null when there are no children.
    virtual ITixmlNode* FirstChild() = 0;
    // Null after the last.
    virtual ITixmlNode* NextSibling() = 0;
    // A new child element named `name`, right after `after` (a child of this
    // node), or as the last child when `after` is null or no child of this
    // node. Never null.
    virtual ITixmlNode* InsertChild(ITixmlNode* after, const char* name) = 0;
    // Removes `node` (this node's child or any node further below it, never
    // this node itself) with everything below it. False when it is none of them.
    virtual bool RemoveNode(ITixmlNode* node) = 0;

protected:
    virtual ~ITixmlNode() = default;
};
