// Bytes with at most one file descriptor attached, over a Unix stream
// socket (SCM_RIGHTS): how the redirection service hands the sockets it
// made to the local proxy.
#pragma once

#include <string>

// Sends bytes in one message, with descriptor attached when it is not -1.
// False with errno set when not all of it was sent.
bool SendWithDescriptor(int socket, const std::string& bytes, int descriptor);

// Reads up to maxBytes, stopping after a line feed, waiting at most
// timeoutMs in all. A descriptor that arrives with the bytes is stored in
// descriptor (close-on-exec; -1 when none came); any further descriptor
// is closed at once. False when nothing could be read in time.
bool ReceiveLineWithDescriptor(int socket, std::size_t maxBytes, int timeoutMs, std::string& bytes, int& descriptor);
