// DownloadToFile: fetches one URL into one local file.
#pragma once

#include "http/HttpTransport.h"
#include "http/TransferAbort.h"
#include "platform/Types.h"

// Downloads url into filePath, over a transport from http, and tells whether the file is there
// afterwards. An existing file is kept untouched (true, no transfer) when
// replaceExisting is 0, else deleted first. A status outside 200..300, a
// transfer that fails at any point or a body larger than a document may be
// leaves no file, and logs "<url>下载失败<path>,<status>". A raised abort
// (may be null) ends the transfer at once, as a failed one. No transport
// to be had (the transfer module missing) is a failed transfer.
bool DownloadToFile(IHttpTransports& http, const char* url, const wchar_t* filePath, BYTE replaceExisting,
                    CTransferAbort* abort = nullptr);
