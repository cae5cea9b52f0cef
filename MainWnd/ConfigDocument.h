// FetchConfigDocument: the remote configuration document, downloaded into
// "config.txt" in the program directory and decrypted.
#pragma once

#include "http/HttpTransport.h"
#include "http/TransferAbort.h"

#include <string>

// "http://" + the build's configuration host + "/tolvene/config.txt".
// Plain HTTP, as the configuration servers serve it.
std::string ConfigDocumentUrl();

// The decrypted document text, or an empty string after a logged failure
// (empty URL, no file after the download) or when nothing decrypts. A
// raised abort (may be null) ends the download at once. Downloads over
// transports from http.
std::string FetchConfigDocument(IHttpTransports& http, const std::string& url, CTransferAbort* abort = nullptr);
