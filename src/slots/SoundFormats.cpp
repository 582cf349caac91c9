#include "slots/SoundFormats.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace wtb {

namespace {

int countOf(int command) {
    int count = 0;
    if (sf_command(nullptr, command, &count, sizeof count) != 0) {
        return 0;
    }
    return count;
}

std::set<int> subtypes() {
    std::set<int> found;
    for (int i = 0, count = countOf(SFC_GET_FORMAT_SUBTYPE_COUNT); i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE, &info, sizeof info) == 0) {
            found.insert(info.format & SF_FORMAT_SUBMASK);
        }
    }
    return found;
}

// The names people's files carry besides the one extension the library reports.
std::vector<std::string> extraExtensions(int major, const std::set<int>& codecs) {
    std::vector<std::string> extra;
    const auto with = [&](int codec, const char* extension) {
        if (codecs.contains(codec)) {
            extra.emplace_back(extension);
        }
    };
    switch (major) {
    case SF_FORMAT_AIFF:
        extra = {"aif", "aifc"};
        break;
    case SF_FORMAT_AU:
        extra = {"snd"};
        break;
    case SF_FORMAT_OGG:
        with(SF_FORMAT_VORBIS, "ogg");
        with(SF_FORMAT_OPUS, "opus");
        break;
    case SF_FORMAT_MPEG:
        with(SF_FORMAT_MPEG_LAYER_III, "mp3");
        with(SF_FORMAT_MPEG_LAYER_II, "mp2");
        break;
    case SF_FORMAT_SVX:
        extra = {"svx"};
        break;
    default:
        break;
    }
    return extra;
}

} // namespace

std::vector<SoundFormat> readableSoundFormats() {
    const std::set<int> codecs = subtypes();
    std::vector<SoundFormat> formats;
    for (int i = 0, count = countOf(SFC_GET_FORMAT_MAJOR_COUNT); i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) != 0 || !info.name ||
            !info.extension) {
            continue;
        }
        const int major = info.format & SF_FORMAT_TYPEMASK;
        if (major == SF_FORMAT_RAW) {
            continue;
        }
        std::string extension = info.extension;
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        // "wav" is three formats of the library (Microsoft, NIST, WAVEX): one entry reads them all.
        const bool known = std::any_of(formats.begin(), formats.end(), [&](const SoundFormat& f) {
            return f.extensions.front() == extension;
        });
        if (known) {
            continue;
        }
        SoundFormat format{info.name, {extension}};
        for (std::string& extra : extraExtensions(major, codecs)) {
            format.extensions.push_back(std::move(extra));
        }
        formats.push_back(std::move(format));
    }
    return formats;
}

} // namespace wtb
