#pragma once

// The one concrete clip of the editor's data model: one media file with its
// probed movie and stream descriptions, thumbnail, name, timeline position
// and edit settings. Library items and timeline clips are both this class;
// timeline clips are copies made with the copy constructor.
//
// A clip takes no lock: it is built and probed on the import or library-file
// thread and then handed to the GUI thread, which alone uses it afterwards.

#include "cclipsettingschange.h"
#include "cmeditinfo.h"
#include "isourcedataitem.h"
#include "MoorlandMediaInfo.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <string>
#include <vector>

namespace Moorland {
class IAVManager;
class IAVImporter;
class IAVSource;
} // namespace Moorland

namespace Fablecut {

// Positions of one movie's streams in its stream array, by kind.
class StreamIndex
{
public:
    void AddStreamIndex(Moorland::StreamType type, unsigned int position);
    // -1 when n is past the list or the kind is not video, audio or subtitle.
    int GetStreamIndex(Moorland::StreamType type, unsigned int n) const;
    int GetStreamsCount(Moorland::StreamType type) const;
    int GetTotalStreamsCount() const;

private:
    const std::vector<int32_t>* List(Moorland::StreamType type) const;

    std::vector<int32_t> m_audio;
    std::vector<int32_t> m_video;
    std::vector<int32_t> m_subtitle;
};

class CMediaSourceItem : public IDCPlaySourceItem, public ISourceDataItem
{
public:
    CMediaSourceItem();
    // Copies settings, descriptions and the manager pointer; the copy has no
    // importer or source and a fresh edit-description path.
    CMediaSourceItem(const CMediaSourceItem& other);
    CMediaSourceItem& operator=(const CMediaSourceItem& other);
    ~CMediaSourceItem() override;

    // IDCDataItem (reached through either base)
    // A thumbnail restored from the library file is decoded on first use.
    const QImage* GetThumbnailData() const override;
    unsigned int GetPixelHeight() const override { return m_pixelHeight; }
    unsigned int GetPixelWidth() const override { return m_pixelWidth; }
    unsigned int GetViewHeight() const override { return m_viewHeight; }
    unsigned int GetViewWidth() const override { return m_viewWidth; }
    void* GetInterFace(const char* name) override;
    CBaseTime GetDuration() const override { return m_duration; }
    bool Interlaced() const override { return m_interlaced; }

    // IDCPlaySourceItem
    Moorland::IAVSource* GetAVSourse() const override { return m_source; }
    void FreeAVSource() override;
    bool NeedUpdateSource() override;
    bool UpdateAVSource() override;

    virtual void SetSrcFileFullPath(QString path);
    // The file's modification time and size as the library file recorded
    // them: an item restored while its file is missing keeps them, so the
    // file is known again when it comes back.
    void SetRecordedFileState(const QDateTime& modified, qint64 size)
    {
        m_modified = modified;
        m_fileSize = size;
    }
    QString GetSrcFileFullPath() const override { return m_path; }
    virtual void SetThumbnailPic(QString path);
    virtual void SetThumbnailPic(const QImage& image);
    // The thumbnail as PNG bytes, as the library file holds it; decoded only
    // when someone looks at it.
    void SetThumbnailPng(const QByteArray& png);
    // The PNG bytes of the thumbnail (encoded now when only a picture is held);
    // empty for no thumbnail.
    QByteArray GetThumbnailPng() const;
    // Keeps the PNG form beside the picture, so saves need not encode it again.
    void CacheThumbnailPng();

    // ISourceDataItem
    void Free() override;
    ISourceDataItem* CloneDataItem() override;
    int GetItemType() const override { return m_itemType; }
    QString GetSourceFormat() const override;
    void setName(QString name) override { m_name = name; }
    QString Name() const override { return m_name; }
    CBaseTime GetTrimStartPoint() const override { return m_trim.GetTrimStartPoint(); }
    void SetTrimStartPoint(const CBaseTime& time, bool bExact) override;
    CBaseTime GetTrimEndPoint() const override { return m_trim.GetTrimEndPoint(); }
    void SetTrimEndPoint(const CBaseTime& time, bool bExact) override;
    CBaseTime GetTrimDuration() const override { return m_trim.GetTrimDuration(); }
    void SetStartPoint(const CBaseTime& time) override { m_startPoint = time; }
    CBaseTime GetStartPoint() const override { return m_startPoint; }
    QDateTime LastModifiedDateTime() const override { return m_modified; }
    qint64 GetSourceFileSize() const override { return m_fileSize; }

    virtual void SetFrameValue(int value) { m_frameValue = value; }
    virtual rect_t GetCrop() const { return m_crop; }
    // Keeps every edge inside the frame and the rectangle at least
    // min(40, frame size) wide and high where it can.
    virtual void SetCrop(const rect_t& crop);
    virtual void SetCrop(float left, float top, float right, float bottom);

    virtual bool EnableVideoTurn() const { return m_turn.EnableVideoTurn(); }
    virtual bool IsMirror() const { return m_turn.IsMirror(); }
    virtual bool IsVerReverse() const { return m_turn.IsVerReverse(); }
    virtual int GetRotationAngle() const { return m_turn.GetRotationAngle(); }
    virtual QString GetAudioReplaceFullPath() const { return m_audio.GetAudioReplaceFullPath(); }
    virtual bool IsEnableAudioReplace() const { return m_audio.IsEnableAudioReplace(); }
    virtual bool IsAudioReplaceLoop() const { return m_audio.IsAudioReplaceLoop(); }
    virtual bool EnableVideoEffect() const { return m_effect.EnableVideoEffect(); }
    virtual int GetBrightness() const { return m_effect.GetBrightness(); }
    virtual int GetContrast() const { return m_effect.GetContrast(); }
    virtual int GetSaturation() const { return m_effect.GetSaturation(); }
    virtual EffectType GetEffectType() const { return m_effect.GetEffectType(); }
    virtual bool GetSrcInterlaced() const { return m_interlaced; }
    virtual bool GetMute() const { return m_audio.GetMute(); }
    virtual double GetVolume() const { return m_audio.GetVolume(); }
    virtual bool Enable3DEffect() const { return m_3d.Enable3DEffect(); }
    virtual E3DEffectType Get3DEffectType() const { return m_3d.Get3DEffectType(); }
    virtual int Get3DEffectDepth() const { return m_3d.Get3DEffectDepth(); }

    // Probing and the playable source
    virtual void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    // False with the reason recorded: 10021003 when no importer could be had,
    // 10021017 "No Video StreamInfo" when no movie has a picture.
    virtual bool OpenImporter();
    virtual void CloseImporter();
    virtual void UpdateMovieInfos();
    virtual bool SetMovieInfos(Moorland::MovieInfo** movies, unsigned int count);
    // The clip's own array of movie records; they stay the clip's.
    virtual Moorland::MovieInfo** GetMovieInfos(int& count);
    virtual unsigned int GetMovieCount() const { return static_cast<unsigned int>(m_movies.size()); }
    virtual Moorland::MovieInfo* GetMovieInfo(int index) const;
    virtual int GetCurMovieIndex() const { return m_curMovie; }
    virtual Moorland::MovieInfo* GetCurMovieInfo() const;
    virtual const Moorland::StreamInfo* GetStreamInfo(Moorland::StreamType type, int n) const;
    virtual int GetStreamCount(Moorland::StreamType type) const;
    virtual int GetCurStreamIndex(Moorland::StreamType type) const;
    virtual const Moorland::StreamInfo* GetCurStreamInfo(Moorland::StreamType type) const;
    // The length of one picture: its picture stream's, else 1/25 s (a song's
    // or a picture-less clip's shortest sensible piece). No trim leaves less.
    double GetPictureSeconds() const;
    virtual bool SetCurStreamIndex(Moorland::StreamType type, int index);

    int GetFrameValue() const { return m_frameValue; }
    void SetSrcInterlaced(bool interlaced) { m_interlaced = interlaced; }
    bool EditInfoEqualWith(const CMediaSourceItem& other) const;
    void UpdateTrimInfo();

    Moorland::IAVImporter* GetImporter() const { return m_importer; }
    void SetImporterName(QString name) { m_importerName = name.toUtf8().toStdString(); }
    QString GetImporterName() const { return QString::fromStdString(m_importerName); }
    int GetCurMovieID() const;
    int GetCurVideoStreamID() const;
    int GetCurAudioStreamID() const;
    QString GetSeixFilePath() const { return m_seixPath; }
    void CopyMovieInfo(const Moorland::MovieInfo& from, Moorland::MovieInfo& to);
    void ClearMovieInfos();
    void InitMovieState(Moorland::MovieInfo** movies);
    void UpdateDurationInfo();
    void UpdateCropInfo();
    void UpdateVideoFrameInfo();

    // Writes the clip's one-clip edit description into its own ".seix" file
    // through the media manager's simple-edit timeline. Reports nothing; the
    // file already there stays until a new one has been written.
    void UpdateSeixFile(bool bWithEdit);

private:
    // The edit settings' setters are the change record's alone: every edit
    // goes through it, so whoever owns the clip hears of it.
    friend struct ::CClipSettingsChange;
    virtual void SetMirror(bool mirror) { m_turn.SetMirror(mirror); }
    virtual void SetVerReverse(bool reverse) { m_turn.SetVerReverse(reverse); }
    virtual void SetAudioReplaceFullPath(QString path) { m_audio.SetAudioReplaceFullPath(path); }
    virtual void SetEnableAudioReplace(bool enable) { m_audio.SetEnableAudioReplace(enable); }
    virtual void SetAudioReplaceLoop(bool loop) { m_audio.SetAuidoReplaceLoop(loop); }
    virtual void SetBrightness(int value) { m_effect.SetBrightness(value); }
    virtual void SetContrast(int value) { m_effect.SetContrast(value); }
    virtual void SetSaturation(int value) { m_effect.SetSaturation(value); }
    virtual void SetEffectType(EffectType type) { m_effect.SetEffectType(type); }
    virtual void SetMute(bool mute) { m_audio.SetMute(mute); }
    virtual void SetVolume(double volume) { m_audio.SetVolume(volume); }
    void SetEnableVideoEffect(bool enable) { m_effect.SetEnableVideoEffect(enable); }
    void SetEnableVideoTurn(bool enable) { m_turn.SetEnableVideoTurn(enable); }
    // Normalised to 0, 90, 180 or 270.
    void SetRotationAngle(int angle);
    void SetEnable3DEffect(bool enable) { m_3d.SetEnable3DEffect(enable); }
    void Set3DEffectType(E3DEffectType type) { m_3d.Set3DEffectType(type); }
    void Set3DEffectDepth(int depth) { m_3d.Set3DEffectDepth(depth); }

    void CopyFrom(const CMediaSourceItem& other);
    void ResetStreamChoice();
    void ReleaseSource();
    void ReleaseImporter();
    static QString NewSeixPath();

    CBaseTime m_duration;
    CBaseTime m_startPoint;
    QString m_name;
    QString m_path;
    int32_t m_itemType = 64;
    CMMediaTrimInfo m_trim;
    rect_t m_crop{0, 0, 0, 0};
    CMVideoTurnInfo m_turn;
    CMAudioEditInfo m_audio;
    CMVideoEffectInfo m_effect;
    CM3DEffectInfo m_3d;
    bool m_interlaced = false;
    Moorland::IAVManager* m_manager = nullptr;
    Moorland::IAVImporter* m_importer = nullptr;
    Moorland::IAVSource* m_source = nullptr;
    std::string m_importerName;
    uint32_t m_pixelWidth = 0;
    uint32_t m_pixelHeight = 0;
    uint32_t m_viewWidth = 0;
    uint32_t m_viewHeight = 0;
    mutable QImage m_thumbnail;
    QByteArray m_thumbnailPng;
    mutable bool m_thumbnailDecoded = true;
    std::vector<Moorland::MovieInfo*> m_movies;
    std::vector<StreamIndex> m_streamIndex;
    int32_t m_curMovie = -1;
    int32_t m_curAudio = -1;
    int32_t m_curVideo = -1;
    int32_t m_curSubtitle = -1;
    int32_t m_srcVideoId = -1;
    int32_t m_srcAudioId = -1;
    QString m_seixPath;
    Moorland::IAVImporter* m_seixWriter = nullptr;
    QDateTime m_modified;
    qint64 m_fileSize = 0;
    int32_t m_frameValue = 0;
};

} // namespace Fablecut
