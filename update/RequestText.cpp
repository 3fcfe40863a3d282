#include "RequestText.h"

std::string VersionFileRequest(const char* host, bool viaProxy) {
    const std::string origin = viaProxy ? std::string("http://") + host : "";
    return "GET " + origin + "/download/Kavel.txt HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
}
