// The application strings record, scrambled at compile time so that the program file never
// holds the plain texts.
#include "AppInfo.h"

#include <bit>

static_assert(std::endian::native == std::endian::little, "the record is laid out little-endian");

namespace {

constexpr int kRecordBytes = static_cast<int>(sizeof(CAppInfo));

constexpr unsigned char XorAt(int offset) {
    return static_cast<unsigned char>(kRecordBytes - offset - kAppInfoScrambleKey);
}

// A text that does not fit its field (with its terminator) stops the build here.
template <typename Char, size_t Capacity, size_t Length>
consteval void CopyText(Char (&field)[Capacity], const Char (&text)[Length]) {
    static_assert(Length <= Capacity, "application text too long for its field");
    for (size_t i = 0; i < Length; ++i)
        field[i] = text[i];
}

template <size_t Capacity> consteval void ScrambleField(char16_t (&field)[Capacity], int offset) {
    for (size_t i = 0; i < Capacity; ++i) {
        int low = offset + static_cast<int>(2 * i);
        field[i] ^= static_cast<char16_t>(XorAt(low) | XorAt(low + 1) << 8);
    }
}

template <size_t Capacity> consteval void ScrambleField(char (&field)[Capacity], int offset) {
    for (size_t i = 0; i < Capacity; ++i)
        field[i] =
            static_cast<char>(static_cast<unsigned char>(field[i]) ^ XorAt(offset + static_cast<int>(i)));
}

consteval CAppInfo ScrambledAppInfo() {
    CAppInfo info{};
    CopyText(info.szTitle, u"Kavel 录音机");
    CopyText(info.szDownloadUrl, u"" KAVEL_DOWNLOAD_URL);
    CopyText(info.szHelpUrl, u"" KAVEL_HELP_URL);
    CopyText(info.szUpdateHost, KAVEL_UPDATE_HOST);
    ScrambleField(info.szTitle, 0);
    ScrambleField(info.szDownloadUrl, 128);
    ScrambleField(info.szHelpUrl, 192);
    ScrambleField(info.szUpdateHost, 320);
    return info;
}

} // namespace

constinit CAppInfo g_AppInfo = ScrambledAppInfo();

void UnscrambleAppInfo() {
    auto* p = reinterpret_cast<unsigned char*>(&g_AppInfo);
    for (int c = kRecordBytes; c >= 1; --c)
        *p++ ^= static_cast<unsigned char>(c - kAppInfoScrambleKey);
}
