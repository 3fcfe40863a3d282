#include "LongPath.h"

#include "Text16.h"

namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsDriveLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

int ExtendedPath(const char16_t* path, char16_t* out, size_t outUnits) {
    const char16_t* prefix = u"";
    const char16_t* rest = path;
    const bool unc = IsSeparator(path[0]) && IsSeparator(path[1]);
    if (unc && (path[2] == u'?' || path[2] == u'.') && IsSeparator(path[3])) {
        // Already extended, or a device name: taken as it is.
    } else if (unc && path[2] && !IsSeparator(path[2])) {
        prefix = u"\\\\?\\UNC\\";
        rest = path + 2;
    } else if (IsDriveLetter(path[0]) && path[1] == u':' && IsSeparator(path[2])) {
        prefix = u"\\\\?\\";
    }
    size_t pos = 0;
    if (outUnits == 0 || !Append16(out, outUnits, &pos, prefix))
        return 0;
    // The extended form is taken literally: '/' is no separator there.
    const bool literal = *prefix != 0;
    for (; *rest; ++rest) {
        if (pos + 1 >= outUnits)
            return 0;
        out[pos++] = literal && *rest == u'/' ? u'\\' : *rest;
    }
    out[pos] = 0;
    return 1;
}

int FileBesideProgram(const char16_t* programPath, const char16_t* fileName, char16_t* out, size_t outUnits) {
    char16_t plain[kLongestPathUnits];
    size_t folder = 0; // the units up to and with the last separator
    for (size_t i = 0; programPath[i] && i < kLongestPathUnits; ++i)
        if (IsSeparator(programPath[i]))
            folder = i + 1;
    if (folder == 0 || folder >= kLongestPathUnits)
        return 0;
    for (size_t i = 0; i < folder; ++i)
        plain[i] = programPath[i];
    size_t pos = folder;
    return Append16(plain, kLongestPathUnits, &pos, fileName) && ExtendedPath(plain, out, outUnits);
}
