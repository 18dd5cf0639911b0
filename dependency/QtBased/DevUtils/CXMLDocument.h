#pragma once

#include <QString>

#include <string>
#include <tinyxml.h>

// One TinyXML document behind QString paths. A saved document always starts
// with an XML declaration and has a root element; derived documents give the
// root its name in their constructors.
class CXMLDocument
{
public:
    CXMLDocument();
    virtual ~CXMLDocument();
    CXMLDocument(const CXMLDocument&) = delete;
    CXMLDocument& operator=(const CXMLDocument&) = delete;

    // Creates the declaration and the root element when the document holds no
    // element at all, then returns the first element.
    TiXmlElement* GetRoot();
    // Blank names are ignored; an existing root element is not renamed.
    void SetRootName(const QString& name);

    // A file that cannot be read or parsed, or holds no root element, is
    // recorded in the calling thread's last-error record (10021013, with the
    // parser's reason) and in HasLoadError/GetLoadError; the document then
    // holds what was parsed.
    virtual void LoadFile(const QString& path);
    // Written beside the target and renamed into place, so a failed write never
    // leaves a truncated file; a failure is recorded like a failed load.
    virtual void SaveFile(const QString& path);
    virtual void Clear();
    // Throws 10021008 "Unexpected error" for text the parser rejects.
    void Parse(const char* text);

    bool HasLoadError() const { return !m_sLoadError.isEmpty(); }
    QString GetLoadError() const { return m_sLoadError; }

protected:
    TiXmlDocument m_doc;
    QString m_sRootName;

private:
    QString m_sLoadError;
};

// Walks the child elements of one name (any name when empty) under a parent:
// HasNext, then Next, until HasNext answers false.
class TixmlNextIterator
{
public:
    // A null parent throws 10021003 "Bad pointer".
    TixmlNextIterator(const TiXmlElement* parent, const char* name);

    bool HasNext();
    TiXmlElement* Next();
    TiXmlElement* Current() { return m_pCurrent; }

private:
    TiXmlElement* FollowingSibling(TiXmlElement* element) const;

    const TiXmlElement* m_pParent;
    TiXmlElement* m_pNext = nullptr;
    TiXmlElement* m_pCurrent = nullptr;
    std::string m_sName;
};
