#include "SolvaneM2TS.h"

#include "CBaseException.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace Solvane {

namespace {

const size_t kPacket = 192;

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool IsVideoType(uint8_t type)
{
    return type == 0x1B || type == 0x02 || type == 0xEA || type == 0x24;
}

// The picture being gathered on the video PID: where its PES starts and the
// first bytes of its payload, enough to find its first slice.
struct Picture
{
    bool open = false;
    uint32_t packet = 0;
    uint32_t packets = 0;
    bool hasPts = false;
    uint64_t pts = 0;
    std::vector<uint8_t> head;
    bool headDone = false;
};

// The type of the first slice NAL unit in an H.264 byte stream: 5 for an
// IDR picture, 1 for any other; 0 when none was found yet.
int FirstSliceType(const std::vector<uint8_t>& b)
{
    for (size_t i = 0; i + 3 < b.size(); ++i) {
        if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1) {
            const int type = b[i + 3] & 0x1F;
            if (type == 1 || type == 5)
                return type;
            i += 2;
        }
    }
    return 0;
}

} // namespace

M2TSScan ScanM2TS(const std::string& path, const std::function<bool()>& cancelled)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "Can't read the stream file " + path, errno);
    M2TSScan scan;
    bool pmtSeen = false;
    bool havePts = false;
    Picture pic;
    const auto closePicture = [&]() {
        if (!pic.open)
            return;
        pic.open = false;
        if (!pic.hasPts)
            return;
        ++scan.pictures;
        if (!havePts || pic.pts < scan.firstPts)
            scan.firstPts = pic.pts;
        if (!havePts || pic.pts > scan.lastPts)
            scan.lastPts = pic.pts;
        havePts = true;
        if (FirstSliceType(pic.head) == 5)
            scan.keyPictures.push_back(BDEntryPoint{pic.packet, pic.pts, pic.packets});
    };

    std::vector<uint8_t> buffer(kPacket * 4096);
    uint32_t number = 0;
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got == 0)
            break;
        if (got % kPacket != 0)
            QB_THROW(QB_ERR_MEDIA, "The stream file " + path + " ends inside a packet");
        if (cancelled && cancelled())
            QB_THROW(QB_ERR_UNEXPECTED, "Cancel");
        for (size_t at = 0; at < got; at += kPacket, ++number) {
            const uint8_t* p = &buffer[at + 4];
            if (p[0] != 0x47)
                QB_THROW(QB_ERR_MEDIA, "The stream file " + path + " lost its packet sync");
            const uint16_t pid = static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]);
            const bool start = (p[1] & 0x40) != 0;
            const int adaptation = (p[3] >> 4) & 3;
            size_t payload = 4;
            if (adaptation == 2 || adaptation == 3)
                payload = 5 + p[4];
            if (adaptation == 0 || adaptation == 2 || payload >= 188)
                continue;
            const uint8_t* d = p + payload;
            const size_t size = 188 - payload;

            if (pid == 0 && start && scan.pmtPid == 0) {
                // PAT: the first program's map PID.
                const size_t off = 1 + d[0];
                if (off + 12 <= size) {
                    const uint8_t* s = d + off;
                    const size_t sectionEnd =
                        std::min(size - off, static_cast<size_t>(3 + ((s[1] & 0x0F) << 8 | s[2])));
                    // Program entries lie between the 8-byte header and the CRC.
                    for (size_t k = 8; k + 8 <= sectionEnd; k += 4) {
                        const uint16_t program = static_cast<uint16_t>(s[k] << 8 | s[k + 1]);
                        if (program != 0) {
                            scan.pmtPid = static_cast<uint16_t>((s[k + 2] & 0x1F) << 8 | s[k + 3]);
                            break;
                        }
                    }
                }
                continue;
            }
            if (pid == scan.pmtPid && scan.pmtPid != 0 && start && !pmtSeen) {
                const size_t off = 1 + d[0];
                if (off + 12 > size)
                    continue;
                const uint8_t* s = d + off;
                const size_t sectionEnd = std::min(size - off, static_cast<size_t>(3 + ((s[1] & 0x0F) << 8 | s[2])));
                scan.pcrPid = static_cast<uint16_t>((s[8] & 0x1F) << 8 | s[9]);
                size_t k = 12 + ((s[10] & 0x0F) << 8 | s[11]);
                while (k + 9 <= sectionEnd) {
                    M2TSStream st;
                    st.streamType = s[k];
                    st.pid = static_cast<uint16_t>((s[k + 1] & 0x1F) << 8 | s[k + 2]);
                    scan.streams.push_back(st);
                    if (scan.videoPid == 0 && IsVideoType(st.streamType))
                        scan.videoPid = st.pid;
                    k += 5 + ((s[k + 3] & 0x0F) << 8 | s[k + 4]);
                }
                pmtSeen = true;
                continue;
            }
            if (pid != scan.videoPid || scan.videoPid == 0)
                continue;
            if (start) {
                closePicture();
                pic = Picture{};
                pic.open = true;
                pic.packet = number;
                if (size >= 9 && d[0] == 0 && d[1] == 0 && d[2] == 1) {
                    const size_t header = 9 + d[8];
                    if ((d[7] & 0x80) && size >= 14) {
                        pic.hasPts = true;
                        pic.pts = (static_cast<uint64_t>(d[9] & 0x0E) << 29) | (static_cast<uint64_t>(d[10]) << 22) |
                                  (static_cast<uint64_t>(d[11] & 0xFE) << 14) | (static_cast<uint64_t>(d[12]) << 7) |
                                  (d[13] >> 1);
                    }
                    if (header < size)
                        pic.head.assign(d + header, d + size);
                }
            } else if (pic.open && !pic.headDone) {
                pic.head.insert(pic.head.end(), d, d + size);
            }
            if (pic.open) {
                pic.packets = number - pic.packet + 1;
                if (!pic.headDone && (FirstSliceType(pic.head) != 0 || pic.head.size() > 16384))
                    pic.headDone = true;
            }
        }
    }
    if (std::ferror(file.get()))
        QB_THROW(QB_ERR_FILE_IO, "Can't read the stream file " + path);
    closePicture();
    if (!pmtSeen)
        QB_THROW(QB_ERR_MEDIA, "The stream file " + path + " has no program map");
    scan.packets = number;
    return scan;
}

} // namespace Solvane
