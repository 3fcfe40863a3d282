// Reads what Windows says about proxies (WinHTTP) and leaves the choice to ProxyRules.
#include "SystemProxy.h"

// Sockets.h first: winsock2.h brings windows.h in the order that Winsock needs.
#include "Sockets.h"

#include <winhttp.h>

#include <string>

#include "HelperCall.h"
#include "RequestText.h"

namespace {

std::wstring Wide(const char* text) {
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
    return wide.c_str();
}

std::string Narrow(const wchar_t* text) {
    if (!text)
        return "";
    std::string narrow(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                        nullptr);
    return narrow.c_str();
}

// WinHTTP's strings, freed on every path with GlobalFree, as its documentation asks.
class CGlobalTexts {
  public:
    CGlobalTexts(wchar_t* a, wchar_t* b, wchar_t* c = nullptr) : m_Texts{a, b, c} {}
    ~CGlobalTexts() {
        for (wchar_t* text : m_Texts)
            if (text)
                GlobalFree(text);
    }
    CGlobalTexts(const CGlobalTexts&) = delete;
    CGlobalTexts& operator=(const CGlobalTexts&) = delete;

  private:
    wchar_t* m_Texts[3];
};

struct CAnswer {
    bool answered = false;
    std::string proxy, bypass;
};

// Auto-detection (WPAD over DHCP and DNS) and configuration scripts can take seconds; the caller
// waits on a helper thread. Domain credentials go to a script server only if it asks for them.
CAnswer AskAutomatic(const std::wstring& url, bool detect, const std::wstring& script) {
    CAnswer answer;
    HINTERNET session = WinHttpOpen(L"Kavel", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)
        return answer;
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    options.dwFlags =
        (detect ? WINHTTP_AUTOPROXY_AUTO_DETECT : 0) | (script.empty() ? 0 : WINHTTP_AUTOPROXY_CONFIG_URL);
    options.dwAutoDetectFlags = detect ? WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A : 0;
    options.lpszAutoConfigUrl = script.empty() ? nullptr : script.c_str();
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    answer.answered = WinHttpGetProxyForUrl(session, url.c_str(), &options, &info);
    WinHttpCloseHandle(session);
    CGlobalTexts owner(info.lpszProxy, info.lpszProxyBypass);
    if (answer.answered && info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        answer.proxy = Narrow(info.lpszProxy);
        answer.bypass = Narrow(info.lpszProxyBypass);
    }
    return answer;
}

} // namespace

int FindSystemProxy(const char* host, const CFetchDeadline& deadline, CProxyServer& proxy) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config))
        return 0; // no settings for this user: a direct connection
    CGlobalTexts owner(config.lpszProxy, config.lpszProxyBypass, config.lpszAutoConfigUrl);
    try {
        CProxySettings settings;
        settings.m_sProxy = Narrow(config.lpszProxy);
        settings.m_sBypass = Narrow(config.lpszProxyBypass);
        const std::wstring script = config.lpszAutoConfigUrl ? config.lpszAutoConfigUrl : L"";
        if (config.fAutoDetect || !script.empty()) {
            std::function<CAnswer()> ask = [url = Wide(VersionFileUrl(host).c_str()),
                                            detect = !!config.fAutoDetect,
                                            script] { return AskAutomatic(url, detect, script); };
            CAnswer answer;
            // A failed or late automatic answer leaves the proxy set by hand, as Internet Explorer did.
            if (CallWithin(deadline.NextWaitMs(TickCountMs()), std::move(ask), answer) && answer.answered) {
                settings.m_bAutomaticAnswered = true;
                settings.m_sAutomaticProxy = answer.proxy;
                settings.m_sAutomaticBypass = answer.bypass;
            }
        }
        return ChooseProxy(settings, host, proxy);
    } catch (const std::exception&) {
        return 0; // no memory: a direct connection
    }
}
