#pragma once

#include "IProfile.h"

#include <tinyxml.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

class CTixmlNode;
class CAudioPart;
class CVideoPart;
class CFilePart;
class CDescPart;
class CParamsPart;
class CColItem;

// One profile: a TinyXML document whose root is "Profile". The part objects
// read and write the document directly, so load, save, clone and the text
// always carry everything the document holds.
class CProfile final : public IProfile
{
public:
    CProfile();
    ~CProfile() override;

    void Release() override;
    bool LoadFile(const char* path) override;
    bool SaveFile(const char* path) override;
    bool LoadText(const char* text) override;
    IProfile* Clone() override;
    const char* GetText() override;
    IDravenelObject* GetRootObject() override;
    IAudioProfile* GetAudioProfile() override;
    IVideoProfile* GetVideoProfile() override;
    IProfileParams* GetParams() override;
    IFileProfile* GetFileProfile() override;
    IProfileDesc* GetDesc() override;
    IColItem* GetACodecItem() override;
    IColItem* GetAChannelItem() override;
    IColItem* GetABitrateItem() override;
    IColItem* GetASampleRateItem() override;
    IColItem* GetVCodecItem() override;
    IColItem* GetVSizeItem() override;
    IColItem* GetVBitrateItem() override;
    IColItem* GetVFramerateItem() override;
    IColItem* GetColItem(const char* name) override;

    // For the parts: the root's first child element of that name; null when
    // missing (Find) or created on demand (Make).
    TiXmlElement* FindPart(const char* name);
    TiXmlElement* MakePart(const char* name);
    // The wrapper of a node of this document, made on first use.
    CTixmlNode* Wrap(TiXmlNode* node);
    // Removes a node of this document with everything below it, dropping the
    // wrappers handed out for any of them.
    void RemoveNode(TiXmlNode* node);

private:
    void ReplaceDocument(std::unique_ptr<TiXmlDocument> doc);
    void ForgetWrappers(TiXmlNode* node);
    IColItem* FixedColumn(const char* name);

    std::unique_ptr<TiXmlDocument> m_doc;
    std::string m_text;
    std::unique_ptr<CAudioPart> m_audio;
    std::unique_ptr<CVideoPart> m_video;
    std::unique_ptr<CFilePart> m_file;
    std::unique_ptr<CDescPart> m_desc;
    std::unique_ptr<CParamsPart> m_params;
    std::map<std::string, std::unique_ptr<CColItem>> m_columns;
    std::unordered_map<const TiXmlNode*, std::unique_ptr<CTixmlNode>> m_nodes;
};
