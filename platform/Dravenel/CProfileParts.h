#pragma once

#include "IProfile.h"

#include <string>

class CProfile;
class TiXmlElement;

// The parts of a profile. Each one is a view of one element under the
// profile's root, found again at every call (a load or a node removal may
// replace it); a write creates the element when it is missing.
class CPartBase
{
protected:
    CPartBase(CProfile& owner, const char* element) : m_owner(owner), m_element(element) {}
    TiXmlElement* Read() const;
    TiXmlElement* Write() const;

    const char* Text(const char* name) const;
    const char* TextOrNull(const char* name) const;
    int Int(const char* name) const;
    double Double(const char* name) const;
    void SetText(const char* name, const char* value) const;
    void SetInt(const char* name, int value) const;
    void SetDouble(const char* name, double value) const;

    CProfile& m_owner;
    const char* m_element;
};

class CAudioPart final : public IAudioProfile, private CPartBase
{
public:
    explicit CAudioPart(CProfile& owner) : CPartBase(owner, "Audio") {}
    void SetCodecName(const char* name) override { SetText("Codec", name); }
    const char* GetCodecName() override { return Text("Codec"); }
    void SetBitrate(int value) override { SetInt("Bitrate", value); }
    int GetBitrate() override { return Int("Bitrate"); }
    void SetSampleRate(int value) override { SetInt("SampleRate", value); }
    int GetSampleRate() override { return Int("SampleRate"); }
    void SetChannels(int value) override { SetInt("Channels", value); }
    int GetChannels() override { return Int("Channels"); }
};

class CVideoPart final : public IVideoProfile, private CPartBase
{
public:
    explicit CVideoPart(CProfile& owner) : CPartBase(owner, "Video") {}
    void SetCodecName(const char* name) override { SetText("Codec", name); }
    const char* GetCodecName() override { return Text("Codec"); }
    void SetFourCC(const char* fourcc) override { SetText("FourCC", fourcc); }
    const char* GetFourCC() override { return NonEmpty("FourCC"); }
    void SetAspect(const char* aspect) override { SetText("Aspect", aspect); }
    const char* GetAspect() override { return NonEmpty("Aspect"); }
    void SetWidth(int value) override { SetInt("Width", value); }
    int GetWidth() override { return Int("Width"); }
    void SetHeight(int value) override { SetInt("Height", value); }
    int GetHeight() override { return Int("Height"); }
    void SetFrameRate(double value) override { SetDouble("FrameRate", value); }
    double GetFrameRate() override { return Double("FrameRate"); }
    void SetBitrate(int value) override { SetInt("Bitrate", value); }
    int GetBitrate() override { return Int("Bitrate"); }

private:
    const char* NonEmpty(const char* name) const;
};

class CFilePart final : public IFileProfile, private CPartBase
{
public:
    explicit CFilePart(CProfile& owner) : CPartBase(owner, "File") {}
    void SetFileExt(const char* ext) override { SetText("Ext", ext); }
    const char* GetFileExt() override { return Text("Ext"); }
    void SetMuxerName(const char* muxer) override { SetText("Muxer", muxer); }
    const char* GetMuxerName() override { return Text("Muxer"); }
    void SetAVInclude(int value) override { SetInt("AVInclude", value); }
    int GetAVInclude() override { return Int("AVInclude"); }
    void SetRemux(int value) override { SetInt("Remux", value); }
    int GetRemux() override { return Int("Remux"); }
    void SetExporter(const char* name) override { SetText("Exporter", name); }
    const char* GetExporter() override;
};

class CDescPart final : public IProfileDesc, private CPartBase
{
public:
    explicit CDescPart(CProfile& owner) : CPartBase(owner, "Desc") {}
    void SetName(const char* name) override { SetText("Name", name); }
    const char* GetName() override { return Text("Name"); }
    void SetID(int id) override { SetInt("ID", id); }
    int GetID() override { return Int("ID"); }
    void SetFormatName(const char* name) override { SetText("FormatName", name); }
    const char* GetFormatName() override { return Text("FormatName"); }
    void SetComment(const char* comment) override { SetText("Comment", comment); }
    const char* GetComment() override { return Text("Comment"); }
    void SetBaseID(int id) override { SetInt("BaseID", id); }
    int GetBaseID() override { return Int("BaseID"); }
};

// Parameters are "Param" elements with the attributes "Key" and "Value".
class CParamsPart final : public IProfileParams, private CPartBase
{
public:
    explicit CParamsPart(CProfile& owner) : CPartBase(owner, "Params") {}
    bool HasParam(const char* key) override;
    void RemoveParam(const char* key) override;
    void SetString(const char* key, const char* value) override;
    void SetInt(const char* key, int value) override;
    void SetDouble(const char* key, double value) override;
    const char* GetString(const char* key) override;
    int GetInt(const char* key) override;
    double GetDouble(const char* key) override;

private:
    TiXmlElement* Find(const char* key) const;
    TiXmlElement* Make(const char* key) const;
};

// A column is a "Column" element under "Columns" with "Name" and "Values".
// Fixed columns belong to the profile (Release does nothing); those made by
// GetColItem belong to the caller.
class CColItem final : public IColItem, private CPartBase
{
public:
    CColItem(CProfile& owner, const char* name, bool callerOwned)
        : CPartBase(owner, "Columns"), m_name(name), m_callerOwned(callerOwned)
    {}
    ~CColItem() override = default;
    void Release() override;
    const char* GetName() override { return m_name.c_str(); }
    const char* GetValueList() override;
    void SetValueList(const char* values) override;

    static TiXmlElement* FindColumn(TiXmlElement* columns, const char* name);

private:
    std::string m_name;
    bool m_callerOwned;
};
