#include "MultiStreamAddress.h"

#include "CBaseException.h"
#include "moorlan_url.h"
#include "sysutils_string.h"

#include <memory>
#include <utility>
#include <vector>

namespace Moorland {

namespace {

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
        // Read as every address is read (a path holding "%" or "?" stays
        // the path; escaped parameters are unescaped).
        std::string sProtocol, sPath;
        std::vector<std::string> keys, values;
        if (!SplitSourceAddress(sUrl, sProtocol, sPath, keys, values) || keys.empty())
            QB_THROW(QB_ERR_UNEXPECTED, "bad Params");
        std::vector<std::pair<std::string, std::string>> params;
        for (size_t i = 0; i < keys.size(); ++i)
            params.emplace_back(keys[i], values[i]);
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
