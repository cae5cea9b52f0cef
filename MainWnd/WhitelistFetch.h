// FetchWhitelist: downloads, decrypts and reads one web whitelist document
// into one of the main window's lists.
#pragma once

#include "MainWnd/Whitelist.h"
#include "http/HttpTransport.h"
#include "http/TransferAbort.h"

#include <string>

enum class WhitelistKind {
  kInside,   // "WebWhiteList.txt": addresses the portal may open in place
  kOutside,  // "OutWebWhiteList.txt": new windows sent to the default browser
};

// The local file name in the program directory.
const wchar_t* WhitelistFileName(WhitelistKind kind);

// Appends the document's entries to list. False, with a log record, when
// the URL is empty, the download fails, nothing decrypts, the text is no
// JSON array of strings, or the list is still empty afterwards. A raised
// abort (may be null) ends the download at once. Downloads over
// transports from http.
bool FetchWhitelist(IHttpTransports& http, const std::string& url, WhitelistKind kind, CWhitelist& list,
                    CTransferAbort* abort = nullptr);
