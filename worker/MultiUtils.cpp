#include "MultiUtils.h"

#include "CBaseException.h"
#include "sysutils_string.h"

#include <memory>
#include <utility>
#include <vector>

namespace Moorland {

namespace {

const unsigned int kToEnd = static_cast<unsigned int>(-1);

StreamType StreamTypeOfKey(const std::string& sKey)
{
    if (sKey == "vstreamid")
        return StreamTypeVideo;
    if (sKey == "astreamid")
        return StreamTypeAudio;
    if (sKey == "subtitleid")
        return StreamTypeSubtitle;
    return StreamTypeUnknown;
}

} // namespace

int ParserUrlToSMItemInfo(std::string sUrl, SMItemInfo** ppItems)
{
    return QB_GUARDED(-1, {
        if (!ppItems)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::string sRest = sUrl;
        int nScheme = QuentaBased::StrPos(sUrl, 0, "://");
        if (nScheme >= 0)
            sRest = QuentaBased::SubStr(sUrl, static_cast<unsigned int>(nScheme) + 3, kToEnd);
        int nQuery = QuentaBased::StrPos(sRest, 0, "?");
        if (nQuery < 0)
            QB_THROW(QB_ERR_UNEXPECTED, "bad Params");
        std::string sParams = QuentaBased::SubStr(sRest, static_cast<unsigned int>(nQuery) + 1, kToEnd);
        std::vector<std::string> pieces = QuentaBased::StrSplit(sParams, "&");
        if (pieces.empty())
            QB_THROW(QB_ERR_UNEXPECTED, "bad Params");

        std::vector<std::pair<std::string, std::string>> params;
        for (const std::string& sPiece : pieces) {
            std::vector<std::string> parts = QuentaBased::StrSplit(sPiece, "=");
            std::string sKey = parts.size() > 0 ? parts[0] : std::string();
            std::string sValue = parts.size() > 1 ? parts[1] : std::string();
            params.emplace_back(sKey, sValue);
        }
        if (params.front().first != "movieid")
            QB_THROW(QB_ERR_UNEXPECTED, "movieID is null");
        params.erase(params.begin());

        const size_t nCount = params.size() / 2;
        std::unique_ptr<SMItemInfo[]> items(new SMItemInfo[nCount]);
        for (size_t j = 0; j < nCount; ++j) {
            const auto& stream = params[2 * j];
            const auto& compress = params[2 * j + 1];
            items[j].eStreamType = StreamTypeOfKey(stream.first);
            items[j].nStreamID = QuentaBased::StrToInt(stream.second);
            if (compress.first == "compress")
                items[j].bCompress = QuentaBased::StrToInt(compress.second) == 1;
        }
        *ppItems = items.release();
        return static_cast<int>(nCount);
    });
}

} // namespace Moorland
