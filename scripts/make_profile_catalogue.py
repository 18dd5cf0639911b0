#!/usr/bin/env python3
"""Writes the shipped profile catalogue: resources/all_profile.xml and one
resources/profile/<ID>.xml per profile. Run it after changing the tables
below; the files it writes are committed. Icons are drawn at build time from
all_profile.xml (scripts/profile_icons).

Codec names are FFmpeg names (see platform/Dravenel/include/IProfile.h);
"ff:video:", "ff:audio:" and "ff:format:" parameters are FFmpeg options of
the video encoder, the audio encoder and the muxer.
"""

import os
import sys
from xml.sax.saxutils import quoteattr

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

# Option columns shared by families of profiles.
SIZES_SD = "0,-1*-1,320*240,480*360,640*360,640*480,720*480,720*576,854*480"
SIZES_HD = "0,-1*-1,640*360,854*480,1280*720,1920*1080"
SIZES_ALL = "0,-1*-1,320*240,480*360,640*360,640*480,720*480,720*576,854*480,1280*720,1920*1080,2560*1440,3840*2160"
VBR = "0,1,2,3,500,800,1000,1500,2000,2500,3000,4000,5000,6000,8000,10000,12000,15000,20000"
FPS = "0,-1,15,20,23.976,24,25,29.97,30,50,59.94,60"
FPS_MPEG = "0,23.976,24,25,29.97,30,50,59.94,60"
SR = "22050,32000,44100,48000"
CH = "1,2"
CH6 = "1,2,6"
ABR_AAC = "64000,96000,128000,160000,192000,256000,320000"
ABR_AAC_HIGH = ABR_AAC + ",384000"
ABR_MP3 = "64000,96000,128000,160000,192000,224000,256000,320000"
ABR_AC3 = "96000,128000,192000,256000,384000,448000,640000"
ABR_WMA = "48000,64000,96000,128000,160000,192000"
ABR_VORBIS = "64000,96000,128000,160000,192000,256000,320000"
ABR_OPUS = "48000,64000,96000,128000,160000,192000,256000"
ABR_MP2 = "64000,96000,128000,160000,192000,224000,256000,320000,384000"

# Written as typed; readers take it for 30000/1001 (IProfile.h).
NTSC = 29.97

PIX_FMT = {"prores_ks": "yuv422p10le", "dnxhd": "yuv422p", "mjpeg": "yuvj420p",
           "ffv1": None, "huffyuv": None}  # lossless: whatever the source has


class P:
    """One profile."""

    def __init__(self, pid, name, comment, fmt, ext, muxer, vcodec="", size=(0, 0), vbr=0, fps=0.0,
                 acodec="", abr=0, sr=0, ch=0, avinclude=0, remux=0, file_remux=0, exporter="FFExporter",
                 fourcc="", aspect="", params=None, columns=None, star=False, skip=False):
        self.pid = pid
        self.name = name
        self.comment = comment
        self.fmt = fmt
        self.ext = ext
        self.muxer = muxer
        self.vcodec = vcodec
        self.width, self.height = size
        self.vbr = vbr
        self.fps = fps
        self.acodec = acodec
        self.abr = abr
        self.sr = sr
        self.ch = ch
        self.avinclude = avinclude
        self.remux = remux
        self.file_remux = file_remux
        self.exporter = exporter
        self.fourcc = fourcc
        self.aspect = aspect
        self.params = dict(params or {})
        # Devices and players decode 4:2:0 (4:2:2 for the editing codecs);
        # without a stated format an encoder would follow the source.
        # The QuickTime writer takes its picture format from the FourCC.
        if (vcodec and exporter != "QTExporter" and "ff:video:pix_fmt" not in self.params
                and PIX_FMT.get(vcodec, "yuv420p")):
            self.params["ff:video:pix_fmt"] = PIX_FMT.get(vcodec, "yuv420p")
        # A fixed frame keeps the source's shape (a sample aspect where the
        # codec stores one, a narrower frame where it does not) instead of
        # stretching the picture.
        if vcodec and exporter != "QTExporter" and self.width > 0 and self.height > 0 and not remux:
            self.params.setdefault("use_org_video_aspect", 1)
        if remux:
            self.params["remux"] = remux
        self.columns = dict(columns or {})
        self.star = star
        self.skip = skip


def video_cols(codecs, sizes, vbr=VBR, fps=FPS, fourcc=None):
    cols = {"VCodec": codecs, "VSize": sizes, "VBitrate": vbr, "VFramerate": fps}
    if fourcc:
        cols["FourCC"] = fourcc
    return cols


def audio_cols(codecs, abr, sr=SR, ch=CH):
    return {"ACodec": codecs, "ABitrate": abr, "ASampleRate": sr, "AChannel": ch}


def both(vcols, acols):
    c = dict(vcols)
    c.update(acols)
    return c


def h264(pid, name, comment, fmt, ext, muxer, size, vbr, fps=0.0, abr=128000, sr=44100, ch=2, sizes=SIZES_HD,
         level=None, profile=None, device=None, extra=None, acodec="aac", vcodecs="h264", acodecs="aac",
         abrs=ABR_AAC, star=False, fourcc="", fourccs=None):
    params = {"ff:video:pix_fmt": "yuv420p", "ff:video:preset": "medium"}
    if profile:
        params["ff:video:profile"] = profile
    if level:
        params["ff:video:level"] = level
    if device:
        params["Device"] = device
    params.update(extra or {})
    return P(pid, name, comment, fmt, ext, muxer, "h264", size, vbr, fps, acodec, abr, sr, ch, params=params,
             fourcc=fourcc, columns=both(video_cols(vcodecs, sizes, fourcc=fourccs),
                                         audio_cols(acodecs, abrs, ch=CH6 if ch > 2 else CH)),
             star=star)


# The QuickTime writer (libCOrlendar.so): the FourCC picks its compressor,
# the video bitrate's quality code its quality; its sound is 32-bit float
# LPCM. The format names "Final Cut Pro" and "QuickTime Movie Format" send a
# job to it.
LPCM_RATE = 48000 * 2 * 32


def qt(pid, name, comment, fmt, vcodec, fourcc, size=(-1, -1), fps=0.0, sizes="0,-1*-1", fpss=FPS):
    return P(pid, name, comment, fmt, ".mov", "mov", vcodec, size, 1, fps, "pcm_f32le", LPCM_RATE, 48000, 2,
             exporter="QTExporter", fourcc=fourcc,
             columns=both(video_cols(vcodec, sizes, vbr="1,2,3", fps=fpss, fourcc=fourcc),
                          audio_cols("pcm_f32le", str(LPCM_RATE), sr="48000", ch=CH)))


def audio(pid, name, comment, fmt, ext, muxer, acodec, abr, sr=44100, ch=2, abrs="", sr_col=SR, ch_col=CH,
          star=False, params=None):
    return P(pid, name, comment, fmt, ext, muxer, acodec=acodec, abr=abr, sr=sr, ch=ch, avinclude=1,
             columns=audio_cols(acodec, abrs or str(abr), sr_col, ch_col), star=star, params=params)


# (category ID, name, type, profiles)
CATALOGUE = [
    (1, "General Video", 2, [
        h264(101, "MP4 Video (H.264)", "MPEG-4 video with H.264 and AAC, plays almost everywhere", "MP4", ".mp4",
             "mp4", (-1, -1), 2500, sizes=SIZES_ALL, vcodecs="h264,mpeg4,hevc", star=True),
        P(102, "MP4 Video (HEVC)", "MPEG-4 video with H.265/HEVC: half the size of H.264 at the same quality",
          "MP4", ".mp4", "mp4", "hevc", (-1, -1), 2000, 0.0, "aac", 128000, 44100, 2, fourcc="hvc1",
          params={"ff:video:preset": "medium"},
          columns=both(video_cols("hevc,h264", SIZES_ALL), audio_cols("aac", ABR_AAC))),
        # "MOV", not "QuickTime Movie Format": that name sends a job to the
        # QuickTime writer (LPCM sound only); FFmpeg's mov muxer keeps the AAC.
        h264(103, "MOV Video (H.264)", "QuickTime movie with H.264 and AAC", "MOV", ".mov",
             "mov", (-1, -1), 2500, sizes=SIZES_ALL, vcodecs="h264,mpeg4,mjpeg", fourcc="avc1"),
        h264(104, "MKV Video (H.264)", "Matroska video with H.264 and AAC", "MKV", ".mkv", "matroska", (-1, -1),
             2500, sizes=SIZES_ALL, vcodecs="h264,hevc,mpeg4,vp9", acodecs="aac,mp3,ac3,libvorbis"),
        P(105, "AVI Video (MPEG-4)", "AVI with MPEG-4 (ASP) video and MP3 sound", "AVI", ".avi", "avi",
          "mpeg4", (-1, -1), 1500, 0.0, "mp3", 128000, 44100, 2, fourcc="FMP4",
          columns=both(video_cols("mpeg4,libxvid,h264,mjpeg", SIZES_SD, fourcc="FMP4,XVID,H264,MJPG"),
                       audio_cols("mp3,ac3", ABR_MP3))),
        P(106, "AVI Video (Xvid)", "AVI with Xvid video and MP3 sound, for older DVD players", "AVI", ".avi",
          "avi", "libxvid", (-1, -1), 1500, 0.0, "mp3", 128000, 44100, 2, fourcc="XVID",
          columns=both(video_cols("libxvid,mpeg4", SIZES_SD, fourcc="XVID,FMP4"),
                       audio_cols("mp3,ac3", ABR_MP3))),
        P(107, "WMV Video", "Windows Media video and audio", "WMV", ".wmv", "asf", "wmv2", (-1, -1), 2000, 0.0,
          "wmav2", 128000, 44100, 2, exporter="WMVExporter",
          columns=both(video_cols("wmv2,wmv1", SIZES_SD), audio_cols("wmav2", ABR_WMA))),
        P(108, "FLV Video", "Flash video with Sorenson H.263 and MP3", "FLV", ".flv", "flv", "flv", (-1, -1),
          800, 0.0, "mp3", 96000, 44100, 2,
          columns=both(video_cols("flv,h264", SIZES_SD), audio_cols("mp3,aac", ABR_MP3, sr="22050,44100"))),
        P(109, "WebM Video (VP8)", "WebM with VP8 video and Vorbis sound", "WebM", ".webm", "webm", "vp8",
          (-1, -1), 2000, 0.0, "libvorbis", 128000, 44100, 2,
          columns=both(video_cols("vp8,vp9", SIZES_ALL), audio_cols("libvorbis,libopus", ABR_VORBIS))),
        P(110, "WebM Video (VP9)", "WebM with VP9 video and Opus sound", "WebM", ".webm", "webm", "vp9",
          (-1, -1), 1800, 0.0, "libopus", 128000, 48000, 2,
          params={"ff:video:deadline": "good", "ff:video:cpu-used": "4"},
          columns=both(video_cols("vp9,vp8", SIZES_ALL), audio_cols("libopus,libvorbis", ABR_OPUS, sr="48000"))),
        P(111, "MPEG-1 Video", "MPEG-1 video and MP2 sound in an MPEG-1 system stream", "MPEG-1", ".mpg", "mpeg", "mpeg1video",
          (352, 288), 1150, 25.0, "mp2", 224000, 44100, 2,
          columns=both(video_cols("mpeg1video", "0,352*240,352*288,640*480", fps=FPS_MPEG),
                       audio_cols("mp2", ABR_MP2, sr="44100,48000"))),
        P(112, "MPEG-2 Video (PS)", "MPEG-2 program stream", "MPEG-2", ".mpg", "mpeg", "mpeg2video", (720, 576),
          6000, 25.0, "mp2", 224000, 48000, 2,
          columns=both(video_cols("mpeg2video", "0,-1*-1,720*480,720*576,1280*720,1920*1080", fps=FPS_MPEG),
                       audio_cols("mp2,ac3", ABR_MP2, sr="44100,48000"))),
        P(113, "MPEG-2 Video (TS)", "MPEG-2 transport stream, as broadcast", "MPEG-2 TS", ".ts", "mpegts",
          "mpeg2video", (-1, -1), 8000, 0.0, "ac3", 192000, 48000, 2,
          columns=both(video_cols("mpeg2video,h264", "0,-1*-1,720*480,720*576,1280*720,1920*1080", fps=FPS_MPEG),
                       audio_cols("ac3,mp2,aac", ABR_AC3, sr="48000", ch=CH6))),
        P(114, "3GP Video", "3GPP video for mobile phones", "3GP", ".3gp", "3gp", "h263", (176, 144), 128, 15.0,
          "aac", 32000, 22050, 1,
          columns=both(video_cols("h263,mpeg4,h264", "176*144,352*288", vbr="64,128,256,384", fps="10,12,15,25,29.97"),
                       audio_cols("aac", "24000,32000,48000,64000", sr="8000,16000,22050", ch="1"))),
        P(115, "3G2 Video", "3GPP2 video for CDMA phones", "3G2", ".3g2", "3g2", "mpeg4", (176, 144), 192, 15.0,
          "aac", 32000, 22050, 1,
          columns=both(video_cols("mpeg4,h263", "176*144,320*240", vbr="64,128,192,384", fps="10,12,15,25,29.97"),
                       audio_cols("aac", "24000,32000,48000", sr="22050", ch="1"))),
        P(116, "OGV Video (Theora)", "Ogg with Theora video and Vorbis sound", "OGG", ".ogv", "ogg", "libtheora",
          (-1, -1), 2000, 0.0, "libvorbis", 128000, 44100, 2,
          columns=both(video_cols("libtheora", SIZES_SD), audio_cols("libvorbis", ABR_VORBIS))),
        P(117, "ASF Video (MPEG-4)", "Advanced Systems Format with MS-MPEG-4 video", "ASF", ".asf", "asf",
          "msmpeg4", (-1, -1), 1500, 0.0, "wmav2", 128000, 44100, 2,
          columns=both(video_cols("msmpeg4,wmv2", SIZES_SD), audio_cols("wmav2", ABR_WMA))),
        P(118, "DV Video", "Digital Video stream, as written by camcorders", "DV", ".dv", "dv", "dvvideo",
          (720, 576), 0, 25.0, "pcm_s16le", 1536000, 48000, 2,
          columns=both(video_cols("dvvideo", "720*480,720*576", vbr="0", fps="25,29.97"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch="2"))),
    ]),
    (2, "HD Video", 2, [
        h264(201, "HD MP4 Video (1080p)", "Full HD H.264 MP4", "MP4", ".mp4", "mp4", (1920, 1080), 8000,
             profile="high", level="4.1", star=True),
        h264(202, "HD MP4 Video (720p)", "HD 720p H.264 MP4", "MP4", ".mp4", "mp4", (1280, 720), 5000,
             profile="high", level="4.0"),
        h264(203, "HD MKV Video (1080p)", "Full HD H.264 in Matroska with AC-3 sound", "MKV", ".mkv", "matroska",
             (1920, 1080), 8000, acodec="ac3", abr=448000, sr=48000, ch=6, acodecs="ac3,aac", abrs=ABR_AC3),
        h264(204, "HD MOV Video (1080p)", "Full HD H.264 QuickTime movie", "MOV", ".mov", "mov",
             (1920, 1080), 8000, fourcc="avc1"),
        h264(205, "HD AVCHD Video (M2TS)", "AVCHD-style H.264 transport stream with AC-3", "M2TS", ".m2ts",
             "mpegts", (1920, 1080), 15000, acodec="ac3", abr=256000, sr=48000, acodecs="ac3", abrs=ABR_AC3,
             extra={"ff:format:mpegts_m2ts_mode": "1"}),
        P(206, "HD TS Video (MPEG-2)", "HD MPEG-2 transport stream, as broadcast", "MPEG-2 TS", ".ts", "mpegts",
          "mpeg2video", (1920, 1080), 18000, NTSC, "ac3", 384000, 48000, 6,
          columns=both(video_cols("mpeg2video", "1280*720,1920*1080", fps=FPS_MPEG),
                       audio_cols("ac3", ABR_AC3, sr="48000", ch=CH6))),
        P(207, "HD WMV Video (720p)", "HD Windows Media video", "WMV", ".wmv", "asf", "wmv2", (1280, 720), 6000,
          0.0, "wmav2", 192000, 48000, 2, exporter="WMVExporter",
          columns=both(video_cols("wmv2", "1280*720,1920*1080"), audio_cols("wmav2", ABR_WMA, sr="44100,48000"))),
        P(208, "4K MP4 Video (HEVC)", "Ultra HD HEVC MP4", "MP4", ".mp4", "mp4", "hevc", (3840, 2160), 20000, 0.0,
          "aac", 192000, 48000, 2, fourcc="hvc1", params={"ff:video:preset": "fast"},
          columns=both(video_cols("hevc,h264", "1920*1080,2560*1440,3840*2160"), audio_cols("aac", ABR_AAC))),
        P(209, "HD WebM Video (VP9)", "Full HD VP9 WebM", "WebM", ".webm", "webm", "vp9", (1920, 1080), 6000, 0.0,
          "libopus", 160000, 48000, 2, params={"ff:video:deadline": "good", "ff:video:cpu-used": "4"},
          columns=both(video_cols("vp9", "1280*720,1920*1080,3840*2160"), audio_cols("libopus", ABR_OPUS, sr="48000"))),
    ]),
    (3, "Audio", 2, [
        audio(301, "MP3 Audio", "MPEG-1 layer III sound", "MP3", ".mp3", "mp3", "mp3", 192000, abrs=ABR_MP3,
              star=True),
        audio(302, "AAC Audio (M4A)", "AAC sound in an MPEG-4 audio file", "M4A", ".m4a", "ipod", "aac", 192000,
              abrs=ABR_AAC),
        audio(303, "AAC Audio (ADTS)", "Raw AAC stream", "AAC", ".aac", "adts", "aac", 192000, abrs=ABR_AAC),
        audio(304, "WAV Audio", "Uncompressed 16-bit PCM", "WAV", ".wav", "wav", "pcm_s16le", 1411200,
              ch_col=CH6, sr_col="22050,44100,48000,96000"),
        audio(305, "FLAC Audio", "Free Lossless Audio Codec", "FLAC", ".flac", "flac", "flac", 0, abrs="0",
              ch_col=CH6, sr_col="44100,48000,96000"),
        audio(306, "OGG Audio (Vorbis)", "Ogg Vorbis sound", "OGG", ".ogg", "ogg", "libvorbis", 160000,
              abrs=ABR_VORBIS),
        audio(307, "Opus Audio", "Opus sound in Ogg", "OPUS", ".opus", "opus", "libopus", 128000, sr=48000,
              abrs=ABR_OPUS, sr_col="48000"),
        audio(308, "WMA Audio", "Windows Media Audio", "WMA", ".wma", "asf", "wmav2", 128000, abrs=ABR_WMA),
        audio(309, "AC3 Audio", "Dolby Digital sound", "AC3", ".ac3", "ac3", "ac3", 448000, sr=48000, ch=6,
              abrs=ABR_AC3, sr_col="48000", ch_col=CH6),
        audio(310, "AIFF Audio", "Uncompressed big-endian PCM for Mac programs", "AIFF", ".aiff", "aiff",
              "pcm_s16be", 1411200, sr_col="44100,48000"),
        audio(311, "Apple Lossless Audio (M4A)", "ALAC sound in an MPEG-4 audio file", "M4A", ".m4a", "ipod",
              "alac", 0, abrs="0", sr_col="44100,48000,96000"),
        audio(312, "MP2 Audio", "MPEG-1 layer II sound", "MP2", ".mp2", "mp2", "mp2", 224000, abrs=ABR_MP2,
              sr_col="44100,48000"),
    ]),
    (10, "Apple", 4, [
        h264(1001, "iPhone", "H.264 MP4 for iPhone", "MP4", ".mp4", "mp4", (1920, 1080), 6000, profile="high",
             level="4.1", device="iphone", sizes="-1*-1,640*360,1280*720,1920*1080", star=True),
        h264(1002, "iPad", "H.264 MP4 for iPad", "MP4", ".mp4", "mp4", (1920, 1080), 8000, profile="high",
             level="4.1", device="ipad", sizes="-1*-1,1280*720,1920*1080"),
        h264(1003, "iPod touch", "H.264 MP4 for iPod touch", "MP4", ".mp4", "mp4", (1280, 720), 3000,
             profile="main", level="3.1", device="ipod-touch", sizes="-1*-1,640*360,1280*720"),
        h264(1004, "iPod classic", "H.264 baseline MP4 for iPod classic", "iPod", ".m4v", "ipod", (640, 480),
             1500, profile="baseline", level="3.0", device="ipod-classic", sizes="320*240,640*480"),
        h264(1005, "iPod nano", "H.264 baseline MP4 for iPod nano", "iPod", ".m4v", "ipod", (640, 480), 1000,
             profile="baseline", level="3.0", device="ipod-nano", sizes="320*240,640*480"),
        h264(1006, "Apple TV", "H.264 MP4 with AAC stereo for Apple TV", "MP4", ".m4v", "mp4", (1920, 1080), 10000,
             profile="high", level="4.1", device="apple-tv", acodec="aac", abr=160000, sr=48000,
             sizes="-1*-1,1280*720,1920*1080"),
    ]),
    (11, "Android", 4, [
        h264(1101, "Android Phone", "H.264 MP4 for Android phones", "MP4", ".mp4", "mp4", (1280, 720), 3000,
             profile="main", level="3.1", device="android-phone", sizes="-1*-1,640*360,854*480,1280*720,1920*1080"),
        h264(1102, "Android Tablet", "H.264 MP4 for Android tablets", "MP4", ".mp4", "mp4", (1920, 1080), 6000,
             profile="high", level="4.1", device="android-tablet", sizes="-1*-1,1280*720,1920*1080"),
        h264(1103, "Kindle Fire", "H.264 MP4 for Kindle Fire tablets", "MP4", ".mp4", "mp4", (1280, 720), 3000,
             profile="main", level="3.1", device="kindle-fire", sizes="-1*-1,1024*600,1280*720"),
        P(1104, "Android Phone (WebM)", "VP8 WebM for Android phones", "WebM", ".webm", "webm", "vp8", (854, 480),
          1500, 0.0, "libvorbis", 128000, 44100, 2, params={"Device": "android-phone"},
          columns=both(video_cols("vp8", "-1*-1,640*360,854*480,1280*720"), audio_cols("libvorbis", ABR_VORBIS))),
    ]),
    (12, "Game Consoles", 4, [
        h264(1201, "PSP", "H.264 MP4 for PlayStation Portable", "MP4", ".mp4", "psp", (480, 272), 768,
             fps=NTSC, profile="main", level="3.0", device="psp", sizes="320*240,368*208,480*272",
             abr=128000, sr=48000),
        h264(1202, "PS Vita", "H.264 MP4 for PlayStation Vita", "MP4", ".mp4", "mp4", (960, 544), 3000,
             profile="main", level="3.1", device="ps-vita", sizes="480*272,960*544"),
        h264(1203, "PS3", "H.264 MP4 for PlayStation 3", "MP4", ".mp4", "mp4", (1920, 1080), 10000,
             profile="high", level="4.1", device="ps3"),
        h264(1204, "PS4", "H.264 MP4 for PlayStation 4", "MP4", ".mp4", "mp4", (1920, 1080), 15000,
             profile="high", level="4.2", device="ps4"),
        P(1205, "Xbox 360", "WMV for Xbox 360", "WMV", ".wmv", "asf", "wmv2", (1280, 720), 6000, 0.0, "wmav2",
          192000, 48000, 2, exporter="WMVExporter", params={"Device": "xbox-360"},
          columns=both(video_cols("wmv2", "640*480,1280*720"), audio_cols("wmav2", ABR_WMA, sr="44100,48000"))),
        h264(1206, "Xbox One", "H.264 MP4 for Xbox One", "MP4", ".mp4", "mp4", (1920, 1080), 15000,
             profile="high", level="4.2", device="xbox-one"),
        P(1207, "Wii", "Motion JPEG AVI for Nintendo Wii", "AVI", ".avi", "avi", "mjpeg", (640, 480), 3000, 30.0,
          "pcm_s16le", 705600, 22050, 2, fourcc="MJPG", params={"Device": "wii"},
          columns=both(video_cols("mjpeg", "320*240,640*480", fourcc="MJPG"),
                       audio_cols("pcm_s16le", "705600", sr="22050", ch="1,2"))),
    ]),
    (13, "TVs and Players", 4, [
        h264(1301, "Smart TV (1080p)", "H.264 MP4 for smart TVs", "MP4", ".mp4", "mp4", (1920, 1080), 12000,
             profile="high", level="4.1", device="smart-tv", acodec="ac3", abr=448000, sr=48000, ch=6,
             acodecs="ac3,aac", abrs=ABR_AC3),
        P(1302, "4K TV (HEVC)", "HEVC MP4 for Ultra HD TVs", "MP4", ".mp4", "mp4", "hevc", (3840, 2160), 25000, 0.0,
          "ac3", 448000, 48000, 6, fourcc="hvc1", params={"Device": "tv-4k", "ff:video:preset": "fast"},
          columns=both(video_cols("hevc", "1920*1080,3840*2160"), audio_cols("ac3,aac", ABR_AC3, ch=CH6))),
        h264(1303, "Media Player (MKV)", "H.264 Matroska for networked media players", "MKV", ".mkv", "matroska",
             (1920, 1080), 10000, profile="high", level="4.1", device="media-player", acodec="ac3", abr=448000,
             sr=48000, ch=6, acodecs="ac3,aac", abrs=ABR_AC3),
        P(1304, "DVD Player (PAL)", "MPEG-2 VOB for DVD players, PAL", "DVD", ".vob", "dvd", "mpeg2video",
          (720, 576), 6000, 25.0, "ac3", 192000, 48000, 2, aspect="16:9", params={"Device": "dvd-player"},
          columns=both(video_cols("mpeg2video", "352*288,720*576", vbr="2000,4000,6000,8000,9000", fps="25"),
                       audio_cols("ac3,mp2", ABR_AC3, sr="48000", ch=CH6))),
        P(1305, "DVD Player (NTSC)", "MPEG-2 VOB for DVD players, NTSC", "DVD", ".vob", "dvd", "mpeg2video",
          (720, 480), 6000, NTSC, "ac3", 192000, 48000, 2, aspect="16:9", params={"Device": "dvd-player"},
          columns=both(video_cols("mpeg2video", "352*240,720*480", vbr="2000,4000,6000,8000,9000", fps="29.97"),
                       audio_cols("ac3,mp2", ABR_AC3, sr="48000", ch=CH6))),
    ]),
    (14, "Phones", 4, [
        h264(1401, "Windows Phone", "H.264 MP4 for Windows phones", "MP4", ".mp4", "mp4", (1280, 720), 3000,
             profile="main", level="3.1", device="windows-phone", sizes="-1*-1,800*480,1280*720"),
        h264(1402, "BlackBerry", "H.264 MP4 for BlackBerry phones", "MP4", ".mp4", "mp4", (1280, 720), 2500,
             profile="main", level="3.1", device="blackberry", sizes="-1*-1,640*360,1280*720"),
        P(1403, "Feature Phone (3GP)", "H.263 3GP for simple mobile phones", "3GP", ".3gp", "3gp", "h263",
          (176, 144), 128, 15.0, "aac", 24000, 22050, 1, params={"Device": "feature-phone"},
          columns=both(video_cols("h263", "128*96,176*144", vbr="64,96,128", fps="10,12,15"),
                       audio_cols("aac", "16000,24000,32000", sr="22050", ch="1"))),
    ]),
    (20, "Editing Programs", 3, [
        P(2001, "Apple ProRes 422", "ProRes 422 QuickTime for editing", "ProRes", ".mov", "mov", "prores_ks",
          (-1, -1), 0, 0.0, "pcm_s16le", 1536000, 48000, 2, fourcc="apcn", params={"ff:video:profile": "2"},
          columns=both(video_cols("prores_ks", "0,-1*-1,1280*720,1920*1080", vbr="0", fps=FPS),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2002, "Apple ProRes 422 HQ", "ProRes 422 HQ QuickTime for editing", "ProRes", ".mov", "mov",
          "prores_ks", (-1, -1), 0, 0.0, "pcm_s16le", 1536000, 48000, 2, fourcc="apch",
          params={"ff:video:profile": "3"},
          columns=both(video_cols("prores_ks", "0,-1*-1,1280*720,1920*1080", vbr="0", fps=FPS),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2003, "Apple ProRes 422 LT", "ProRes 422 LT QuickTime for editing", "ProRes", ".mov", "mov",
          "prores_ks", (-1, -1), 0, 0.0, "pcm_s16le", 1536000, 48000, 2, fourcc="apcs",
          params={"ff:video:profile": "1"},
          columns=both(video_cols("prores_ks", "0,-1*-1,1280*720,1920*1080", vbr="0", fps=FPS),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2004, "Apple ProRes 422 Proxy", "ProRes 422 Proxy QuickTime for offline editing", "ProRes", ".mov", "mov",
          "prores_ks", (-1, -1), 0, 0.0, "pcm_s16le", 1536000, 48000, 2, fourcc="apco",
          params={"ff:video:profile": "0"},
          columns=both(video_cols("prores_ks", "0,-1*-1,1280*720,1920*1080", vbr="0", fps=FPS),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2005, "Avid DNxHD 1080p", "DNxHD QuickTime, 1080p at 29.97 (medium: 145 Mbit/s)", "DNxHD", ".mov", "mov",
          "dnxhd", (1920, 1080), 2, NTSC, "pcm_s16le", 1536000, 48000, 2, fourcc="AVdn",
          columns=both(video_cols("dnxhd", "1920*1080", vbr="1,2,3", fps="23.976,24,25,29.97,50,59.94"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2006, "Avid DNxHD 720p", "DNxHD QuickTime, 720p at 29.97 (medium: 110 Mbit/s)", "DNxHD", ".mov", "mov",
          "dnxhd", (1280, 720), 2, NTSC, "pcm_s16le", 1536000, 48000, 2, fourcc="AVdn",
          columns=both(video_cols("dnxhd", "1280*720", vbr="1,2,3", fps="23.976,24,25,29.97,50,59.94"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2007, "DV (NTSC)", "DV QuickTime for editing, NTSC", "DV", ".mov", "mov", "dvvideo", (720, 480), 0, NTSC,
          "pcm_s16le", 1536000, 48000, 2, fourcc="dvc ", params={"ff:video:pix_fmt": "yuv411p"},
          columns=both(video_cols("dvvideo", "720*480", vbr="0", fps="29.97"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch="2"))),
        P(2008, "DV (PAL)", "DV QuickTime for editing, PAL", "DV", ".mov", "mov", "dvvideo", (720, 576), 0, 25.0,
          "pcm_s16le", 1536000, 48000, 2, fourcc="dvcp",
          columns=both(video_cols("dvvideo", "720*576", vbr="0", fps="25"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch="2"))),
        P(2009, "MPEG-2 I-Frame", "Intra-only MPEG-2 QuickTime for frame-exact editing", "MPEG-2 I-Frame", ".mov",
          "mov", "mpeg2video", (1920, 1080), 30000, NTSC, "pcm_s16le", 1536000, 48000, 2,
          params={"ff:video:g": "1", "ff:video:pix_fmt": "yuv422p"},
          columns=both(video_cols("mpeg2video", "720*480,720*576,1280*720,1920*1080", vbr="15000,20000,25000,30000",
                                  fps=FPS_MPEG), audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
        P(2010, "Motion JPEG", "Motion JPEG AVI, every frame a picture", "AVI", ".avi", "avi", "mjpeg", (-1, -1),
          20000, 0.0, "pcm_s16le", 1536000, 48000, 2, fourcc="MJPG",
          columns=both(video_cols("mjpeg", SIZES_HD, fourcc="MJPG"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
    ]),
    (22, "Final Cut Pro", 3, [
        qt(2101, "Final Cut Pro ProRes 422", "ProRes 422 movie from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "prores_ks", "apcn"),
        qt(2102, "Final Cut Pro ProRes 422 HQ", "ProRes 422 HQ movie from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "prores_ks", "apch"),
        qt(2103, "Final Cut Pro ProRes 422 LT", "ProRes 422 LT movie from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "prores_ks", "apcs"),
        qt(2104, "Final Cut Pro ProRes 422 Proxy", "ProRes 422 Proxy movie from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "prores_ks", "apco"),
        qt(2105, "Final Cut Pro ProRes 4444", "ProRes 4444 movie from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "prores_ks", "ap4h"),
        qt(2106, "Final Cut Pro DV (NTSC)", "DV NTSC 720x480 at 29.97 from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "dvvideo", "dvc ", (720, 480), NTSC, "720*480", "29.97"),
        qt(2107, "Final Cut Pro DV (PAL)", "DV PAL 720x576 at 25 from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "dvvideo", "dvcp", (720, 576), 25.0, "720*576", "25"),
        qt(2108, "Final Cut Pro DVCPRO50 (PAL)", "DVCPRO50 PAL 720x576 at 25 from the QuickTime writer, LPCM sound",
           "Final Cut Pro", "dvvideo", "dv5p", (720, 576), 25.0, "720*576", "25"),
        qt(2109, "Final Cut Pro DVCPRO HD 1080i50", "DVCPRO HD 1440x1080 interlaced at 25 from the QuickTime writer, "
           "LPCM sound", "Final Cut Pro", "dvvideo", "dvh5", (1440, 1080), 25.0, "1440*1080", "25"),
        qt(2110, "Final Cut Pro HDV 1080i50", "HDV MPEG-2 1440x1080 interlaced at 25 (25 Mbit/s) from the QuickTime "
           "writer, LPCM sound", "Final Cut Pro", "mpeg2video", "hdv3", (1440, 1080), 25.0, "1440*1080", "25"),
        qt(2111, "Final Cut Pro XDCAM EX 1080p25", "XDCAM EX MPEG-2 1920x1080 at 25 (35 Mbit/s) from the QuickTime "
           "writer, LPCM sound", "Final Cut Pro", "mpeg2video", "xdve", (1920, 1080), 25.0, "1920*1080", "25"),
        qt(2112, "Final Cut Pro IMX 50 (PAL)", "MPEG IMX intra-only 4:2:2 720x608 at 25 (50 Mbit/s) from the QuickTime "
           "writer, LPCM sound", "Final Cut Pro", "mpeg2video", "mx5p", (720, 608), 25.0, "720*608", "25"),
    ]),
    (23, "QuickTime Movie", 3, [
        qt(2201, "QuickTime Animation", "Lossless Animation (RLE) movie from the QuickTime writer, LPCM sound",
           "QuickTime Movie Format", "qtrle", "rle "),
        qt(2202, "QuickTime H.264", "H.264 movie from the QuickTime writer, LPCM sound",
           "QuickTime Movie Format", "libx264", "avc1"),
    ]),
    (21, "Lossless Codecs", 3, [
        P(3401, "FFV1 Lossless (MKV)", "Mathematically lossless FFV1 video and FLAC sound", "MKV", ".mkv",
          "matroska", "ffv1", (0, 0), 0, 0.0, "flac", 0, 0, 0, params={"ff:video:level": "3"},
          columns=both(video_cols("ffv1", "0", vbr="0", fps="0"), audio_cols("flac", "0", sr="0", ch="0"))),
        P(3402, "HuffYUV Lossless (AVI)", "Lossless HuffYUV video and PCM sound", "AVI", ".avi", "avi", "huffyuv",
          (0, 0), 0, 0.0, "pcm_s16le", 1536000, 48000, 2, fourcc="HFYU",
          columns=both(video_cols("huffyuv,ffv1", "0", vbr="0", fps="0", fourcc="HFYU,FFV1"),
                       audio_cols("pcm_s16le", "1536000", sr="48000", ch=CH))),
    ]),
    (30, "Same as Source", 5, [
        P(3001, "Lossless (same format)", "Streams copied into the source's own format", "Lossless", ".*", "",
          remux=3, file_remux=1),
    ]),
    (31, "Lossless MKV", 5, [
        P(3101, "Lossless MKV", "Streams copied into Matroska", "MKV", ".mkv", "matroska", remux=3, file_remux=1),
    ]),
    (32, "Lossless MP4", 5, [
        P(3201, "Lossless MP4", "Streams copied into MPEG-4 (H.264, HEVC, AAC sources)", "MP4", ".mp4", "mp4",
          remux=3, file_remux=1),
    ]),
    (33, "Lossless TS", 5, [
        P(3301, "Lossless M2TS", "Streams copied into an MPEG-2 transport stream (AVCHD sources)", "M2TS", ".m2ts",
          "mpegts", remux=3, file_remux=1),
    ]),
    (40, "YouTube", 6, [
        h264(4001, "YouTube 1080p", "Recommended upload settings for YouTube, 1080p", "MP4", ".mp4", "mp4",
             (1920, 1080), 8000, profile="high", abr=384000, abrs=ABR_AAC_HIGH, sr=48000, sizes="-1*-1,1280*720,1920*1080",
             extra={"YoutubeUpload": 1, "ff:format:movflags": "+faststart"}, star=True),
        h264(4002, "YouTube 720p", "Recommended upload settings for YouTube, 720p", "MP4", ".mp4", "mp4",
             (1280, 720), 5000, profile="high", abr=384000, abrs=ABR_AAC_HIGH, sr=48000, sizes="-1*-1,854*480,1280*720",
             extra={"YoutubeUpload": 1, "ff:format:movflags": "+faststart"}),
        h264(4003, "YouTube 480p", "Recommended upload settings for YouTube, 480p", "MP4", ".mp4", "mp4",
             (854, 480), 2500, profile="high", abr=128000, sr=48000, sizes="-1*-1,640*360,854*480",
             extra={"YoutubeUpload": 1, "ff:format:movflags": "+faststart"}),
        h264(4004, "YouTube 4K", "Recommended upload settings for YouTube, 2160p", "MP4", ".mp4", "mp4",
             (3840, 2160), 30000, profile="high", abr=384000, abrs=ABR_AAC_HIGH, sr=48000, sizes="-1*-1,2560*1440,3840*2160",
             extra={"YoutubeUpload": 1, "ff:format:movflags": "+faststart", "ff:video:preset": "fast"}),
    ]),
    (41, "Vimeo", 6, [
        h264(4101, "Vimeo 1080p", "Vimeo's recommended H.264 settings, 1080p", "MP4", ".mp4", "mp4", (1920, 1080),
             15000, profile="high", abr=320000, sr=48000, sizes="-1*-1,1280*720,1920*1080",
             extra={"ff:format:movflags": "+faststart"}),
        h264(4102, "Vimeo 720p", "Vimeo's recommended H.264 settings, 720p", "MP4", ".mp4", "mp4", (1280, 720),
             7500, profile="high", abr=320000, sr=48000, sizes="-1*-1,854*480,1280*720",
             extra={"ff:format:movflags": "+faststart"}),
    ]),
    (42, "Facebook", 6, [
        h264(4201, "Facebook 720p", "Facebook's recommended H.264 settings, 720p", "MP4", ".mp4", "mp4",
             (1280, 720), 4000, profile="main", abr=128000, sr=44100, sizes="-1*-1,854*480,1280*720",
             extra={"ff:format:movflags": "+faststart"}),
        h264(4202, "Facebook 1080p", "Facebook's recommended H.264 settings, 1080p", "MP4", ".mp4", "mp4",
             (1920, 1080), 8000, profile="high", abr=128000, sr=44100, sizes="-1*-1,1280*720,1920*1080",
             extra={"ff:format:movflags": "+faststart"}),
    ]),
    (43, "Dailymotion", 6, [
        h264(4301, "Dailymotion 1080p", "Dailymotion's recommended H.264 settings, 1080p", "MP4", ".mp4", "mp4",
             (1920, 1080), 6000, profile="high", abr=192000, sr=48000, sizes="-1*-1,1280*720,1920*1080",
             extra={"ff:format:movflags": "+faststart"}),
        h264(4302, "Dailymotion 720p", "Dailymotion's recommended H.264 settings, 720p", "MP4", ".mp4", "mp4",
             (1280, 720), 4000, profile="high", abr=192000, sr=48000, sizes="-1*-1,854*480,1280*720",
             extra={"ff:format:movflags": "+faststart"}),
    ]),
]

DEFAULT_ID = 101
RECENT_LIMITED = 10


def num(v):
    if isinstance(v, float):
        r = repr(v)
        return r[:-2] if r.endswith(".0") else r
    return str(v)


def attrs(pairs):
    return "".join(" %s=%s" % (k, quoteattr(num(v) if not isinstance(v, str) else v)) for k, v in pairs)


def profile_xml(p):
    lines = ['<?xml version="1.0" encoding="UTF-8" ?>', "<Profile>"]
    lines.append("    <Desc%s />" % attrs([("ID", p.pid), ("BaseID", 0), ("Name", p.name),
                                            ("FormatName", p.fmt), ("Comment", p.comment)]))
    lines.append("    <File%s />" % attrs([("Ext", p.ext), ("Muxer", p.muxer), ("AVInclude", p.avinclude),
                                            ("Remux", p.file_remux), ("Exporter", p.exporter)]))
    video = [("Codec", p.vcodec)]
    if p.fourcc:
        video.append(("FourCC", p.fourcc))
    if p.aspect:
        video.append(("Aspect", p.aspect))
    video += [("Width", p.width), ("Height", p.height), ("FrameRate", p.fps), ("Bitrate", p.vbr)]
    lines.append("    <Video%s />" % attrs(video))
    lines.append("    <Audio%s />" % attrs([("Codec", p.acodec), ("Bitrate", p.abr), ("SampleRate", p.sr),
                                             ("Channels", p.ch)]))
    if p.params:
        lines.append("    <Params>")
        for k, v in p.params.items():
            lines.append("        <Param%s />" % attrs([("Key", k), ("Value", v)]))
        lines.append("    </Params>")
    else:
        lines.append("    <Params />")
    if p.columns:
        lines.append("    <Columns>")
        for k, v in p.columns.items():
            lines.append("        <Column%s />" % attrs([("Name", k), ("Values", v)]))
        lines.append("    </Columns>")
    else:
        lines.append("    <Columns />")
    lines.append("</Profile>")
    return "\n".join(lines) + "\n"


# The format page offers one cell per category and loads its first profile:
# each format there is a category of its own, so that every one of them can
# be picked. The groups above only keep the table readable.
FORMAT_CATEGORY_BASE = 5000


def categories():
    for cid, cname, ctype, profiles in CATALOGUE:
        if ctype != 2:
            yield cid, cname, ctype, profiles
            continue
        for p in profiles:
            yield FORMAT_CATEGORY_BASE + p.pid, p.name, ctype, [p]


def main():
    ids = set()
    lib = ['<?xml version="1.0" encoding="UTF-8" ?>',
           '<ProfileLib%s>' % attrs([("DefaultID", DEFAULT_ID), ("RecentLimited", RECENT_LIMITED)])]
    os.makedirs(os.path.join(ROOT, "profile"), exist_ok=True)
    for cid, cname, ctype, profiles in categories():
        assert cid not in ids and 0 < cid < 10000
        ids.add(cid)
        lib.append("    <Category%s>" % attrs([("ID", cid), ("Name", cname), ("Type", ctype)]))
        for p in profiles:
            assert p.pid not in ids and 0 < p.pid < 10000, p.pid
            ids.add(p.pid)
            link = [("ID", p.pid), ("Name", p.name), ("Comment", p.comment)]
            if p.star:
                link.append(("Flag", 4))
            if p.skip:
                link.append(("Skip", 1))
            lib.append("        <ProfileLnk%s />" % attrs(link))
            with open(os.path.join(ROOT, "profile", "%d.xml" % p.pid), "w", encoding="utf-8") as f:
                f.write(profile_xml(p))
        lib.append("    </Category>")
    lib.append("</ProfileLib>")
    assert DEFAULT_ID in ids
    with open(os.path.join(ROOT, "all_profile.xml"), "w", encoding="utf-8") as f:
        f.write("\n".join(lib) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
