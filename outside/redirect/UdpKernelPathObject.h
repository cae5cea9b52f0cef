// The tc program's object file, compiled for BPF at build time and kept
// inside the service.
#pragma once

#include <string_view>

std::string_view UdpKernelPathObject();
