#include "RequestText.h"

namespace {
const char kVersionFilePath[] = "/download/Kavel.txt";
}

std::string VersionFileUrl(const char* host) {
    return std::string("http://") + host + kVersionFilePath;
}

std::string VersionFileRequest(const char* host, bool viaProxy) {
    const std::string target = viaProxy ? VersionFileUrl(host) : kVersionFilePath;
    return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
}
