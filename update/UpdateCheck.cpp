// The start-up update check: fetch, read the listed version, decide, tell the user.
#include "UpdateCheck.h"

// Sockets.h first: winsock2.h brings windows.h in the order that Winsock needs.
#include "Sockets.h"

#include "AppInfo.h"
#include "Browser.h"
#include "HttpClient.h"
#include "ListedVersion.h"
#include "SystemProxy.h"

namespace {

const wchar_t kCaption[] = L"提示";
const wchar_t kNewerText[] = L"有最新版本，请下载更新。";
const wchar_t kFailedText[] = L"无法检测更新，请检查网络后再试。";

// Two bytes stay unused at the end of the body buffer.
constexpr int32_t kBodyBytes = 4096;
constexpr int32_t kBodyWanted = 4094;

} // namespace

int CheckForUpdate() {
    char body[kBodyBytes];
    int32_t length = kBodyWanted;
    int failed;
    {
        CSocketsReference sockets;
        failed = FetchVersionFile(g_AppInfo.szUpdateHost, body, length, FindSystemProxy);
    }

    int32_t listed = 0;
    if (failed || !ReadListedVersion(body, length, listed)) {
        MessageBoxW(nullptr, kFailedText, kCaption, MB_OK | MB_ICONWARNING);
        return 1;
    }
    if (listed <= kOwnVersion)
        return 0;
    MessageBoxW(nullptr, kNewerText, kCaption, MB_OK | MB_ICONINFORMATION);
    OpenUrlInBrowser(AppText(g_AppInfo.szDownloadUrl));
    return 1;
}
